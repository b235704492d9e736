#include "desktop/sync/icons.h"

#include "platform/ui/icon.h"

#include <mutex>

void AddIconResources() {
    static std::once_flag added;
    std::call_once(added, [] { ui::AddIconResource(IDI_JOTTERWICK, JotterwickIconFile()); });
}
