#include "desktop/sync/CategoryText.h"

#include "platform/win32/locale.h"

std::string ListSeparator() {
    return UserListSeparator(GetLocaleInfoA);
}
