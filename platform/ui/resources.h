// The program's resources, as data: the string table, dialog templates,
// menus, accelerator tables and tool-button labels (a tool bar's bitmap is a
// row of short labels here). A program's resource file fills the table at
// start; LoadStringW, LoadMenuW, LoadAcceleratorsW and the dialog functions
// read it. Resources are named by number (MAKEINTRESOURCEW).
#pragma once

#include "platform/ui/dialog.h"
#include "platform/ui/winuser.h"

#include <optional>
#include <string>
#include <vector>

constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// Copies string `uID` into the buffer (cut to fit, always ended); the length
// copied, 0 when there is no such string. With cchBufferMax 0 the buffer
// receives a pointer to the read-only string, as on the platform.
int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
// A new menu (bar) built from menu resource lpMenuName; the caller owns it.
HMENU LoadMenuW(HINSTANCE hInstance, LPCWSTR lpMenuName);
HACCEL LoadAcceleratorsW(HINSTANCE hInstance, LPCWSTR lpTableName);

namespace ui {

// One entry of a menu resource: a command item (text and id), a separator
// (made by the default constructor) or a popup (text and its items).
struct MenuItemTemplate {
    MenuItemTemplate() = default;
    MenuItemTemplate(std::u16string itemText, WORD command, UINT initialFlags = 0)
        : text(std::move(itemText)), id(command), flags(initialFlags) {}
    MenuItemTemplate(std::u16string popupText, std::vector<MenuItemTemplate> items)
        : text(std::move(popupText)), popup(std::move(items)) {}

    std::u16string text;
    WORD id = 0;
    std::vector<MenuItemTemplate> popup;
    UINT flags = 0; // MF_GRAYED / MF_CHECKED as the resource starts it
};

// A control of a dialog template as a resource script's control line makes
// it: a visible child window with `style`.
inline DialogItemTemplate DialogControl(const char16_t* cls, const char16_t* text, WORD id,
                                        DWORD style, short x, short y, short cx, short cy) {
    return {cls, text, id, WS_CHILD | WS_VISIBLE | style, 0, x, y, cx, cy};
}

void AddStringResource(UINT id, std::u16string text);
void AddDialogResource(WORD id, DialogTemplate dialog);
void AddMenuResource(WORD id, std::vector<MenuItemTemplate> items);
void AddAcceleratorResource(WORD id, std::vector<ACCEL> entries);
void AddToolBarResource(WORD id, std::vector<std::u16string> labels);

std::optional<std::u16string> FindStringResource(UINT id);
const DialogTemplate* FindDialogResource(LPCWSTR name);
const std::vector<MenuItemTemplate>* FindMenuResource(LPCWSTR name);
const std::vector<ACCEL>* FindAcceleratorResource(LPCWSTR name);
const std::vector<std::u16string>* FindToolBarResource(LPCWSTR name);

// Empties the table (between tests).
void ClearResources();

} // namespace ui
