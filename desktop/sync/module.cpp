#include "desktop/sync/module.h"

namespace jottapc {

LONG volatile g_cObjects = 0;
LONG volatile g_cLocks = 0;

} // namespace jottapc
