#include "desktop/sync/category_text.h"

#include "platform/win32/locale.h"

std::string ListSeparator() {
    return UserListSeparator(GetLocaleInfoA);
}
