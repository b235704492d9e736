// Module-wide state of the server: the live store count and the
// LockServer balance, changed only with interlocked operations.
#pragma once

#include "platform/base/windef.h"

namespace jottapc {

extern LONG volatile g_cObjects;
extern LONG volatile g_cLocks;

} // namespace jottapc
