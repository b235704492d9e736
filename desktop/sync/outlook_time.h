// Outlook's times (automation dates in local time) in the FILETIME form the
// store keeps and compares: through a SYSTEMTIME, with no time-zone
// conversion.
#pragma once

#include "platform/win32/variant_time.h"

// The zero FILETIME for a date the conversions refuse.
FILETIME FileTimeFromOutlookDate(DATE date);
