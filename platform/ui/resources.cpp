#include "platform/ui/resources.h"

#include "platform/ui/menu.h"

#include <map>

namespace {

struct ResourceTable {
    std::map<UINT, std::u16string> strings;
    std::map<WORD, DialogTemplate> dialogs;
    std::map<WORD, std::vector<ui::MenuItemTemplate>> menus;
    std::map<WORD, std::vector<ACCEL>> accelerators;
    std::map<WORD, std::vector<std::u16string>> toolBars;
};

ResourceTable& Table() {
    static ResourceTable table;
    return table;
}

template <class Map> const typename Map::mapped_type* ByName(const Map& map, LPCWSTR name) {
    if (!name || !IS_INTRESOURCE(name))
        return nullptr;
    auto it = map.find(static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name)));
    return it == map.end() ? nullptr : &it->second;
}

bool Fill(HMENU menu, const std::vector<ui::MenuItemTemplate>& items) {
    for (const auto& item : items) {
        if (!item.popup.empty()) {
            HMENU popup = CreatePopupMenu();
            if (!Fill(popup, item.popup) ||
                !AppendMenuW(menu, MF_POPUP | item.flags, reinterpret_cast<UINT_PTR>(popup),
                             item.text.c_str()))
                return false;
        } else if (item.text.empty() && item.id == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!AppendMenuW(menu, MF_STRING | item.flags, item.id, item.text.c_str())) {
            return false;
        }
    }
    return true;
}

} // namespace

namespace ui {

void AddStringResource(UINT id, std::u16string text) {
    Table().strings[id] = std::move(text);
}
void AddDialogResource(WORD id, DialogTemplate dialog) {
    Table().dialogs[id] = std::move(dialog);
}
void AddMenuResource(WORD id, std::vector<MenuItemTemplate> items) {
    Table().menus[id] = std::move(items);
}
void AddAcceleratorResource(WORD id, std::vector<ACCEL> entries) {
    Table().accelerators[id] = std::move(entries);
}
void AddToolBarResource(WORD id, std::vector<std::u16string> labels) {
    Table().toolBars[id] = std::move(labels);
}

std::optional<std::u16string> FindStringResource(UINT id) {
    auto it = Table().strings.find(id);
    return it == Table().strings.end() ? std::nullopt : std::optional(it->second);
}
const DialogTemplate* FindDialogResource(LPCWSTR name) {
    return ByName(Table().dialogs, name);
}
const std::vector<MenuItemTemplate>* FindMenuResource(LPCWSTR name) {
    return ByName(Table().menus, name);
}
const std::vector<ACCEL>* FindAcceleratorResource(LPCWSTR name) {
    return ByName(Table().accelerators, name);
}
const std::vector<std::u16string>* FindToolBarResource(LPCWSTR name) {
    return ByName(Table().toolBars, name);
}

void ClearResources() {
    Table() = ResourceTable{};
}

} // namespace ui

int LoadStringW(HINSTANCE, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
    auto it = Table().strings.find(uID);
    if (it == Table().strings.end() || !lpBuffer) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        if (lpBuffer && cchBufferMax > 0)
            lpBuffer[0] = 0;
        return 0;
    }
    const std::u16string& text = it->second;
    if (cchBufferMax == 0) {
        *reinterpret_cast<LPCWSTR*>(lpBuffer) = text.c_str();
        return static_cast<int>(text.size());
    }
    const int n = std::min<int>(cchBufferMax - 1, static_cast<int>(text.size()));
    std::copy_n(text.data(), n, lpBuffer);
    lpBuffer[n] = 0;
    return n;
}

HMENU LoadMenuW(HINSTANCE, LPCWSTR lpMenuName) {
    const auto* items = ui::FindMenuResource(lpMenuName);
    if (!items) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    HMENU menu = CreateMenu();
    if (!Fill(menu, *items)) {
        DestroyMenu(menu);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return menu;
}

HACCEL LoadAcceleratorsW(HINSTANCE, LPCWSTR lpTableName) {
    const auto* entries = ui::FindAcceleratorResource(lpTableName);
    if (!entries) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return CreateAcceleratorTableW(entries->data(), static_cast<int>(entries->size()));
}
