// Keyboard state and accelerator tables.
#include "platform/ui/window_impl.h"

#include <map>
#include <memory>
#include <set>
#include <vector>

namespace {

std::set<UINT>& KeysDown() {
    static std::set<UINT> keys;
    return keys;
}

struct AcceleratorTable {
    std::vector<ACCEL> entries;
};

std::map<HACCEL, std::unique_ptr<AcceleratorTable>>& Tables() {
    static std::map<HACCEL, std::unique_ptr<AcceleratorTable>> tables;
    return tables;
}

AcceleratorTable* Lookup(HACCEL h) {
    auto it = Tables().find(h);
    return it == Tables().end() ? nullptr : it->second.get();
}

bool Down(UINT key) {
    return KeysDown().count(key) != 0;
}

} // namespace

namespace ui {

void SetKeyDown(UINT virtualKey, bool down) {
    if (down)
        KeysDown().insert(virtualKey);
    else
        KeysDown().erase(virtualKey);
}

bool PostKeyStroke(UINT virtualKey, BYTE modifiers, WCHAR character, WCHAR trail) {
    HWND target = GetFocus() ? GetFocus() : GetActiveWindow();
    if (!target)
        return false;
    const bool alt = (modifiers & FALT) != 0;
    const UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    const UINT up = alt ? WM_SYSKEYUP : WM_KEYUP;
    std::vector<UINT> held;
    if (modifiers & FSHIFT)
        held.push_back(VK_SHIFT);
    if (modifiers & FCONTROL)
        held.push_back(VK_CONTROL);
    if (alt)
        held.push_back(VK_MENU);
    for (UINT key : held)
        PostMessageW(target, down, key, 0);
    PostMessageW(target, down, virtualKey, 0);
    if (character)
        PostMessageW(target, WM_CHAR, character, 0);
    if (character && trail)
        PostMessageW(target, WM_CHAR, trail, 0);
    PostMessageW(target, up, virtualKey, 0);
    for (auto it = held.rbegin(); it != held.rend(); ++it)
        PostMessageW(target, up, *it, 0);
    return true;
}

} // namespace ui

SHORT GetKeyState(int nVirtKey) {
    return Down(static_cast<UINT>(nVirtKey)) ? static_cast<SHORT>(0x8000) : 0;
}

SHORT GetAsyncKeyState(int vKey) {
    return GetKeyState(vKey);
}

HACCEL CreateAcceleratorTableW(const ACCEL* paccel, int cAccel) {
    if (!paccel || cAccel <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto table = std::make_unique<AcceleratorTable>();
    table->entries.assign(paccel, paccel + cAccel);
    auto handle = reinterpret_cast<HACCEL>(table.get());
    Tables()[handle] = std::move(table);
    return handle;
}

BOOL DestroyAcceleratorTable(HACCEL hAccel) {
    return Tables().erase(hAccel) ? TRUE : FALSE;
}

int CopyAcceleratorTableW(HACCEL hAccelSrc, ACCEL* lpAccelDst, int cAccelEntries) {
    AcceleratorTable* table = Lookup(hAccelSrc);
    if (!table)
        return 0;
    const int count = static_cast<int>(table->entries.size());
    if (!lpAccelDst)
        return count;
    const int n = std::min(count, cAccelEntries);
    std::copy_n(table->entries.begin(), n, lpAccelDst);
    return n;
}

int TranslateAcceleratorW(HWND hWnd, HACCEL hAccTable, LPMSG lpMsg) {
    AcceleratorTable* table = Lookup(hAccTable);
    if (!table || !lpMsg || !IsWindow(hWnd))
        return 0;
    if (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN &&
        lpMsg->message != WM_CHAR)
        return 0;
    const bool shift = Down(VK_SHIFT), control = Down(VK_CONTROL), alt = Down(VK_MENU);
    for (const ACCEL& entry : table->entries) {
        const bool virtualKey = (entry.fVirt & FVIRTKEY) != 0;
        // Virtual-key entries match key-down messages; character entries WM_CHAR.
        if (virtualKey == (lpMsg->message == WM_CHAR) || entry.key != lpMsg->wParam)
            continue;
        if (virtualKey &&
            (((entry.fVirt & FSHIFT) != 0) != shift || ((entry.fVirt & FCONTROL) != 0) != control ||
             ((entry.fVirt & FALT) != 0) != alt))
            continue;
        SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
        return 1;
    }
    return 0;
}
