// Menus: menu bars and popups with command items, separators, check marks and
// grey (disabled) items. Lookups by command search the popups too.
#pragma once

#include "platform/ui/winuser.h"

#include <string>

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and its popups.
BOOL DestroyMenu(HMENU hMenu);
BOOL IsMenu(HMENU hMenu);
// uIDNewItem is the command, or the popup's HMENU with MF_POPUP (the menu then owns it).
BOOL AppendMenuW(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem);
BOOL InsertMenuW(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem);
// Removes the item and destroys its popup.
BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags);
// Return the previous state (MF_CHECKED / MF_GRAYED bits), or -1 when there
// is no such item.
DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck);
BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable);
// The item's flags, or -1 (0xFFFFFFFF) when there is no such item.
UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags);
int GetMenuItemCount(HMENU hMenu);
// The command at a position; -1 for a popup or none.
UINT GetMenuItemID(HMENU hMenu, int nPos);
HMENU GetSubMenu(HMENU hMenu, int nPos);
// The window's system menu (a window with WS_SYSMENU): made on first use
// with the item "&Close" (SC_CLOSE); its commands reach the window as
// WM_SYSCOMMAND. bRevert TRUE gives it back in its first form and returns
// null. Null for a window without one.
constexpr UINT SC_CLOSE = 0xF060;
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert);
int GetMenuStringW(HMENU hMenu, UINT uIDItem, LPWSTR lpString, int cchMax, UINT flags);
