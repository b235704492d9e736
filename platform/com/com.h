// The desktop's COM and automation runtime in one include.
#pragma once

#include "platform/com/objbase.h"
#include "platform/com/oleauto.h"
