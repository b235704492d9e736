#include "platform/ui/menu.h"

#include "platform/ui/window_impl.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace {

struct MenuItem {
    UINT flags = 0;
    UINT_PTR id = 0;
    HMENU popup = nullptr;
    std::u16string text;
};

struct Menu {
    std::vector<MenuItem> items;
};

std::map<HMENU, std::unique_ptr<Menu>>& Menus() {
    static std::map<HMENU, std::unique_ptr<Menu>> menus;
    return menus;
}

Menu* Lookup(HMENU h) {
    auto it = Menus().find(h);
    return it == Menus().end() ? nullptr : it->second.get();
}

HMENU NewMenu() {
    auto menu = std::make_unique<Menu>();
    auto handle = reinterpret_cast<HMENU>(menu.get());
    Menus()[handle] = std::move(menu);
    return handle;
}

// The item by command (searching popups depth first) or by position.
MenuItem* FindItem(HMENU h, UINT key, UINT flags, HMENU* owner = nullptr) {
    Menu* menu = Lookup(h);
    if (!menu)
        return nullptr;
    if (flags & MF_BYPOSITION) {
        if (key >= menu->items.size())
            return nullptr;
        if (owner)
            *owner = h;
        return &menu->items[key];
    }
    for (auto& item : menu->items) {
        if (item.popup) {
            if (MenuItem* found = FindItem(item.popup, key, flags, owner))
                return found;
        } else if (!(item.flags & MF_SEPARATOR) && item.id == key) {
            if (owner)
                *owner = h;
            return &item;
        }
    }
    return nullptr;
}

bool MakeItem(UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem, MenuItem* item) {
    item->flags = uFlags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR);
    if (uFlags & MF_POPUP) {
        item->popup = reinterpret_cast<HMENU>(uIDNewItem);
        if (!Lookup(item->popup))
            return false;
    } else {
        item->id = uIDNewItem;
    }
    if (lpNewItem && !(uFlags & MF_SEPARATOR))
        item->text = lpNewItem;
    return true;
}

} // namespace

HMENU CreateMenu() {
    return NewMenu();
}
HMENU CreatePopupMenu() {
    return NewMenu();
}

BOOL DestroyMenu(HMENU hMenu) {
    Menu* menu = Lookup(hMenu);
    if (!menu) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (const auto& item : menu->items)
        if (item.popup)
            DestroyMenu(item.popup);
    Menus().erase(hMenu);
    return TRUE;
}

BOOL IsMenu(HMENU hMenu) {
    return Lookup(hMenu) != nullptr;
}

BOOL AppendMenuW(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem) {
    return InsertMenuW(hMenu, static_cast<UINT>(-1), uFlags | MF_BYPOSITION, uIDNewItem, lpNewItem);
}

BOOL InsertMenuW(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem) {
    Menu* menu = Lookup(hMenu);
    MenuItem item;
    if (!menu || !MakeItem(uFlags, uIDNewItem, lpNewItem, &item)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (uFlags & MF_BYPOSITION) {
        const std::size_t at = std::min<std::size_t>(uPosition, menu->items.size());
        menu->items.insert(menu->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
        return TRUE;
    }
    HMENU owner = nullptr;
    MenuItem* before = FindItem(hMenu, uPosition, MF_BYCOMMAND, &owner);
    if (!before) {
        SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    Menu* target = Lookup(owner);
    const auto index = before - target->items.data();
    target->items.insert(target->items.begin() + index, std::move(item));
    return TRUE;
}

BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags) {
    HMENU owner = nullptr;
    MenuItem* item = FindItem(hMenu, uPosition, uFlags, &owner);
    if (!item) {
        SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    if (item->popup)
        DestroyMenu(item->popup);
    Menu* target = Lookup(owner);
    target->items.erase(target->items.begin() + (item - target->items.data()));
    return TRUE;
}

DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck) {
    MenuItem* item = FindItem(hMenu, uIDCheckItem, uCheck);
    if (!item)
        return static_cast<DWORD>(-1);
    const DWORD previous = item->flags & MF_CHECKED;
    item->flags = (item->flags & ~MF_CHECKED) | (uCheck & MF_CHECKED);
    return previous;
}

BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable) {
    MenuItem* item = FindItem(hMenu, uIDEnableItem, uEnable);
    if (!item)
        return -1;
    const BOOL previous = static_cast<BOOL>(item->flags & (MF_GRAYED | MF_DISABLED));
    item->flags =
        (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
    return previous;
}

UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
    MenuItem* item = FindItem(hMenu, uId, uFlags);
    if (!item)
        return static_cast<UINT>(-1);
    if (item->popup)
        return item->flags | (static_cast<UINT>(GetMenuItemCount(item->popup)) << 8);
    return item->flags;
}

int GetMenuItemCount(HMENU hMenu) {
    Menu* menu = Lookup(hMenu);
    return menu ? static_cast<int>(menu->items.size()) : -1;
}

UINT GetMenuItemID(HMENU hMenu, int nPos) {
    MenuItem* item = nPos < 0 ? nullptr : FindItem(hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
    return item && !item->popup ? static_cast<UINT>(item->id) : static_cast<UINT>(-1);
}

HMENU GetSubMenu(HMENU hMenu, int nPos) {
    MenuItem* item = nPos < 0 ? nullptr : FindItem(hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
    return item ? item->popup : nullptr;
}

int GetMenuStringW(HMENU hMenu, UINT uIDItem, LPWSTR lpString, int cchMax, UINT flags) {
    MenuItem* item = FindItem(hMenu, uIDItem, flags);
    if (!item)
        return 0;
    if (!lpString || cchMax <= 0)
        return static_cast<int>(item->text.size());
    const int n = std::min<int>(cchMax - 1, static_cast<int>(item->text.size()));
    std::copy_n(item->text.data(), n, lpString);
    lpString[n] = 0;
    return n;
}

HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) {
    ui::detail::Window* window = ui::detail::Find(hWnd);
    if (!window || !(window->style & WS_SYSMENU))
        return nullptr;
    if (bRevert && window->systemMenu) {
        DestroyMenu(window->systemMenu);
        window->systemMenu = nullptr;
    }
    if (!window->systemMenu) {
        window->systemMenu = CreatePopupMenu();
        AppendMenuW(window->systemMenu, MF_STRING, SC_CLOSE, u"&Close");
    }
    return bRevert ? nullptr : window->systemMenu;
}
