// Windows: the window table, classes, creation and destruction, attributes,
// focus, placement, sending messages and the default window procedure.
#include "platform/base/case_fold.h"
#include "platform/ui/backend.h"
#include "platform/ui/gdi.h"
#include "platform/ui/menu.h"
#include "platform/ui/window_impl.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

namespace ui::detail {

namespace {

struct RegisteredClass {
    WNDCLASSW cls{};
    std::u16string name;
    bool system = false;
};

struct WindowTable {
    std::map<HWND, std::unique_ptr<Window>> windows;
    std::vector<HWND> topLevel;                        // creation order
    std::map<std::u16string, RegisteredClass> classes; // by folded name
    std::vector<HWND> toPaint;
    HWND focus = nullptr;
    HWND active = nullptr;
    std::uintptr_t nextLocal = 0;
    std::function<void(HWND)> creationHook;
};

WindowTable& Table() {
    static WindowTable table;
    return table;
}

// Handles of windows that are not on the station come from a range of their
// own, far above the station's, so the two never meet.
HWND NewLocalHandle() {
    constexpr std::uintptr_t kLocalBase = std::uintptr_t(1) << 44;
    return reinterpret_cast<HWND>(kLocalBase + ++Table().nextLocal * 4);
}

RegisteredClass* FindClass(LPCWSTR name) {
    if (!name)
        return nullptr;
    RegisterSystemClasses();
    auto it = Table().classes.find(platform::FoldCase(name));
    return it == Table().classes.end() ? nullptr : &it->second;
}

void SendCtlColorDefaults(HDC dc) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
}

} // namespace

Window* Find(HWND hwnd) {
    auto& windows = Table().windows;
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second.get();
}

void NotifyParent(HWND control, WORD code) {
    Window* w = Find(control);
    if (!w || !w->parent)
        return;
    SendMessageW(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), code),
                 reinterpret_cast<LPARAM>(control));
}

void PaintControl(HWND control, UINT ctlColorMessage) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(control, &ps);
    SendCtlColorDefaults(dc);
    Window* w = Find(control);
    const LRESULT answer =
        w && w->parent ? SendMessageW(w->parent, ctlColorMessage, reinterpret_cast<WPARAM>(dc),
                                      reinterpret_cast<LPARAM>(control))
                       : DefWindowProcW(control, ctlColorMessage, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(control));
    if ((w = Find(control)) && w->control) {
        auto& paint = w->control->paint;
        paint.painted = true;
        paint.background = GetBkColor(dc);
        paint.text = GetTextColor(dc);
        paint.brush = reinterpret_cast<HBRUSH>(answer);
    }
    EndPaint(control, &ps);
    CurrentBackend().WindowChanged(control);
}

std::vector<HWND> TopLevelWindows() {
    return Table().topLevel;
}

void RegisterSystemClasses() {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterEditClass();
    RegisterListBoxClass();
    RegisterButtonClass();
    RegisterStaticClass();
    RegisterComboBoxClass();
    RegisterDialogClass();
    RegisterCommandBarClass();
    RegisterSplitterClass();
}

void RegisterSystemClass(const char16_t* name, WNDPROC proc) {
    RegisteredClass rc;
    rc.name = name;
    rc.cls.lpfnWndProc = proc;
    rc.system = true;
    Table().classes[platform::FoldCase(name)] = std::move(rc);
}

void NeedsPaint(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w)
        return;
    if (!w->needsPaint) {
        w->needsPaint = true;
        Table().toPaint.push_back(hwnd);
    }
    CurrentBackend().WindowChanged(hwnd);
}

HWND TakeWindowToPaint() {
    auto& pending = Table().toPaint;
    while (!pending.empty()) {
        HWND hwnd = pending.front();
        pending.erase(pending.begin());
        if (Window* w = Find(hwnd); w && w->needsPaint)
            return hwnd;
    }
    return nullptr;
}

} // namespace ui::detail

using ui::detail::Find;
using ui::detail::Table;
using ui::detail::Window;

namespace ui {

std::vector<HWND> TopLevelWindows() {
    return detail::TopLevelWindows();
}

void HookNextWindowCreation(std::function<void(HWND)> hook) {
    Table().creationHook = std::move(hook);
}

} // namespace ui

ATOM RegisterClassW(const WNDCLASSW* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpszClassName || !lpWndClass->lpfnWndProc ||
        IS_INTRESOURCE(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ui::detail::RegisterSystemClasses();
    const auto key = platform::FoldCase(lpWndClass->lpszClassName);
    auto& classes = Table().classes;
    if (auto it = classes.find(key); it != classes.end() && !it->second.system) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    ui::detail::RegisteredClass rc;
    rc.cls = *lpWndClass;
    rc.name = lpWndClass->lpszClassName;
    rc.cls.lpszClassName = nullptr; // the name lives in rc.name
    rc.cls.lpszMenuName = nullptr;
    classes[key] = std::move(rc);
    return static_cast<ATOM>(0xC000 + classes.size());
}

BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE) {
    auto* rc = ui::detail::FindClass(lpClassName);
    if (!rc || rc->system) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    Table().classes.erase(platform::FoldCase(lpClassName));
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR lpClassName, WNDCLASSW* lpWndClass) {
    auto* rc = ui::detail::FindClass(lpClassName);
    if (!rc || !lpWndClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    *lpWndClass = rc->cls;
    lpWndClass->lpszClassName = rc->name.c_str();
    return TRUE;
}

int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
    Window* w = Find(hWnd);
    if (!w || !lpClassName || nMaxCount <= 0) {
        SetLastError(w ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const int n = std::min<int>(nMaxCount - 1, static_cast<int>(w->className.size()));
    std::copy_n(w->className.data(), n, lpClassName);
    lpClassName[n] = 0;
    return n;
}

HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                     int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam) {
    auto* rc = ui::detail::FindClass(lpClassName);
    if (!rc) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    const bool child = (dwStyle & WS_CHILD) != 0;
    if (hWndParent && !Find(hWndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (child && !hWndParent) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto window = std::make_unique<Window>();
    window->className = rc->name;
    window->proc = rc->cls.lpfnWndProc;
    window->instance = hInstance;
    window->style = dwStyle & ~WS_VISIBLE; // visible once created, as on the platform
    window->exStyle = dwExStyle;
    window->parent = child ? hWndParent : nullptr;
    window->owner = child ? nullptr : hWndParent;
    window->id = child ? static_cast<int>(reinterpret_cast<std::intptr_t>(hMenu)) : 0;
    if (!child && X == CW_USEDEFAULT) {
        X = Y = 0;
        nWidth = GetSystemMetrics(SM_CXSCREEN);
        nHeight = GetSystemMetrics(SM_CYSCREEN);
    } else if (X == CW_USEDEFAULT) {
        X = Y = nWidth = nHeight = 0;
    }
    if (nWidth == CW_USEDEFAULT)
        nWidth = nHeight = 0;
    window->rect = {X, Y, X + std::max(nWidth, 0), Y + std::max(nHeight, 0)};
    window->text = lpWindowName && !IS_INTRESOURCE(lpWindowName) ? lpWindowName : u"";
    if (!child && ui::detail::StationJoined())
        ui::detail::RegisterOnStation(*window);
    if (!window->handle)
        window->handle = ui::detail::NewLocalHandle();

    HWND hwnd = window->handle;
    Table().windows[hwnd] = std::move(window);
    if (child)
        Find(hWndParent)->children.push_back(hwnd);
    else
        Table().topLevel.push_back(hwnd);
    if (auto hook = std::move(Table().creationHook)) {
        Table().creationHook = nullptr;
        hook(hwnd);
    }

    CREATESTRUCTW cs{lpParam,
                     hInstance,
                     hMenu,
                     hWndParent,
                     nHeight,
                     nWidth,
                     Y,
                     X,
                     static_cast<LONG>(dwStyle),
                     lpWindowName,
                     lpClassName,
                     dwExStyle};
    if (!SendMessageW(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
        SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!Find(hwnd))
        return nullptr;
    RECT r = Find(hwnd)->rect;
    SendMessageW(
        hwnd, WM_SIZE, SIZE_RESTORED,
        MAKELPARAM(static_cast<WORD>(r.right - r.left), static_cast<WORD>(r.bottom - r.top)));
    SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(r.left), static_cast<WORD>(r.top)));
    if (dwStyle & WS_VISIBLE)
        ShowWindow(hwnd, child ? SW_SHOWNA : SW_SHOW);
    if (dwStyle & WS_DISABLED)
        Find(hwnd)->style |= WS_DISABLED;
    return Find(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hWnd) {
    Window* w = Find(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->destroying)
        return TRUE;
    w->destroying = true;
    auto& table = Table();
    if (table.focus == hWnd || IsChild(hWnd, table.focus))
        table.focus = nullptr;
    if (w->style & WS_VISIBLE)
        ShowWindow(hWnd, SW_HIDE);
    SendMessageW(hWnd, WM_DESTROY, 0, 0);
    for (HWND child : std::vector<HWND>(Find(hWnd)->children))
        DestroyWindow(child);
    // Owned top-level windows go with their owner.
    for (HWND top : std::vector<HWND>(table.topLevel))
        if (Window* owned = Find(top); owned && owned->owner == hWnd)
            DestroyWindow(top);
    SendMessageW(hWnd, WM_NCDESTROY, 0, 0);
    w = Find(hWnd);
    if (w->onStation)
        ui::detail::UnregisterFromStation(*w);
    if (Window* parent = Find(w->parent))
        std::erase(parent->children, hWnd);
    std::erase(table.topLevel, hWnd);
    if (table.active == hWnd)
        table.active = nullptr;
    if (w->systemMenu)
        DestroyMenu(w->systemMenu);
    ui::detail::ForgetWindow(hWnd);
    table.windows.erase(hWnd);
    ui::CurrentBackend().WindowChanged(hWnd);
    return TRUE;
}

BOOL IsWindow(HWND hWnd) {
    return Find(hWnd) != nullptr;
}

BOOL IsChild(HWND hWndParent, HWND hWnd) {
    for (Window* w = Find(hWnd); w && w->parent; w = Find(w->parent))
        if (w->parent == hWndParent)
            return TRUE;
    return FALSE;
}

HWND GetParent(HWND hWnd) {
    Window* w = Find(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return w->parent ? w->parent : w->owner;
}

HWND SetParent(HWND hWndChild, HWND hWndNewParent) {
    Window* w = Find(hWndChild);
    Window* parent = Find(hWndNewParent);
    if (!w || !parent || !w->parent) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND old = w->parent;
    std::erase(Find(old)->children, hWndChild);
    parent->children.push_back(hWndChild);
    w->parent = hWndNewParent;
    return old;
}

HWND GetWindow(HWND hWnd, UINT uCmd) {
    Window* w = Find(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (uCmd == GW_CHILD)
        return w->children.empty() ? nullptr : w->children.front();
    if (uCmd == GW_OWNER)
        return w->owner;
    const auto& siblings = w->parent ? Find(w->parent)->children : Table().topLevel;
    const auto it = std::find(siblings.begin(), siblings.end(), hWnd);
    switch (uCmd) {
    case GW_HWNDFIRST:
        return siblings.front();
    case GW_HWNDLAST:
        return siblings.back();
    case GW_HWNDNEXT:
        return it + 1 == siblings.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV:
        return it == siblings.begin() ? nullptr : *(it - 1);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    Window* w = Find(hDlg);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND child : w->children)
        if (Find(child)->id == nIDDlgItem)
            return child;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
    Window* w = Find(hWnd);
    return w && w->parent ? w->id : 0;
}

LONG GetWindowLongW(HWND hWnd, int nIndex) {
    return static_cast<LONG>(GetWindowLongPtrW(hWnd, nIndex));
}

LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
    return static_cast<LONG>(SetWindowLongPtrW(hWnd, nIndex, dwNewLong));
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) {
    Window* w = Find(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (nIndex) {
    case GWL_STYLE:
        return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(w->exStyle);
    case GWL_ID:
        return w->id;
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_USERDATA:
        return w->userData;
    }
    if (ui::detail::IsDialogWindow(hWnd) && nIndex >= 0 && nIndex <= DWLP_USER && nIndex % 8 == 0)
        return w->dialogSlots[nIndex / 8];
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    Window* w = Find(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = 0;
    switch (nIndex) {
    case GWL_STYLE:
        old = static_cast<LONG_PTR>(w->style);
        w->style = static_cast<DWORD>(dwNewLong);
        ui::CurrentBackend().WindowChanged(hWnd);
        return old;
    case GWL_EXSTYLE:
        old = static_cast<LONG_PTR>(w->exStyle);
        w->exStyle = static_cast<DWORD>(dwNewLong);
        return old;
    case GWL_ID:
        old = w->id;
        w->id = static_cast<int>(dwNewLong);
        return old;
    case GWLP_WNDPROC:
        if (!dwNewLong)
            break;
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(dwNewLong);
        return old;
    case GWLP_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(dwNewLong);
        return old;
    case GWLP_USERDATA:
        old = w->userData;
        w->userData = dwNewLong;
        return old;
    }
    if (ui::detail::IsDialogWindow(hWnd) && nIndex >= 0 && nIndex <= DWLP_USER && nIndex % 8 == 0) {
        old = w->dialogSlots[nIndex / 8];
        w->dialogSlots[nIndex / 8] = dwNewLong;
        return old;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0)
        return 0;
    lpString[0] = 0;
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                         reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLengthW(HWND hWnd) {
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    Window* w = Find(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const BOOL wasVisible = (w->style & WS_VISIBLE) != 0;
    const bool show = nCmdShow != SW_HIDE;
    if (show != static_cast<bool>(wasVisible)) {
        SendMessageW(hWnd, WM_SHOWWINDOW, show, 0);
        if (!(w = Find(hWnd)))
            return wasVisible;
        w->style = show ? (w->style | WS_VISIBLE) : (w->style & ~WS_VISIBLE);
        if (show)
            ui::detail::NeedsPaint(hWnd);
        else
            ui::CurrentBackend().WindowChanged(hWnd);
    }
    if (show && !w->parent && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE)
        SetActiveWindow(hWnd);
    return wasVisible;
}

BOOL IsWindowVisible(HWND hWnd) {
    for (Window* w = Find(hWnd); w; w = Find(w->parent)) {
        if (!(w->style & WS_VISIBLE))
            return FALSE;
        if (!w->parent)
            return TRUE;
    }
    return FALSE;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
    Window* w = Find(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const BOOL wasDisabled = (w->style & WS_DISABLED) != 0;
    if (static_cast<bool>(bEnable) == static_cast<bool>(wasDisabled)) {
        w->style = bEnable ? (w->style & ~WS_DISABLED) : (w->style | WS_DISABLED);
        if (!bEnable && (Table().focus == hWnd || IsChild(hWnd, Table().focus)))
            SetFocus(nullptr);
        SendMessageW(hWnd, WM_ENABLE, bEnable, 0);
        ui::detail::NeedsPaint(hWnd);
    }
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) {
    Window* w = Find(hWnd);
    return w && !(w->style & WS_DISABLED);
}

HWND SetFocus(HWND hWnd) {
    auto& table = Table();
    HWND old = table.focus;
    if (hWnd && !Find(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (hWnd == old)
        return old;
    table.focus = hWnd;
    if (old && Find(old))
        SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (hWnd && Find(hWnd) && table.focus == hWnd) {
        SendMessageW(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
        ui::CurrentBackend().WindowChanged(hWnd);
    }
    return old;
}

HWND GetFocus() {
    return Table().focus;
}

HWND GetActiveWindow() {
    return Table().active;
}

HWND SetActiveWindow(HWND hWnd) {
    Window* w = Find(hWnd);
    if (!w || w->parent) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND old = Table().active;
    if (old != hWnd) {
        Table().active = hWnd;
        if (old && Find(old))
            SendMessageW(old, WM_ACTIVATE, 0, reinterpret_cast<LPARAM>(hWnd));
        SendMessageW(hWnd, WM_ACTIVATE, 1, reinterpret_cast<LPARAM>(old));
    }
    return old;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight,
                        SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
    Window* w = Find(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RECT r = w->rect;
    if (!(uFlags & SWP_NOMOVE)) {
        r.right += X - r.left;
        r.bottom += Y - r.top;
        r.left = X;
        r.top = Y;
    }
    if (!(uFlags & SWP_NOSIZE)) {
        r.right = r.left + std::max(cx, 0);
        r.bottom = r.top + std::max(cy, 0);
    }
    if (!(uFlags & SWP_NOZORDER)) {
        auto& siblings = w->parent ? Find(w->parent)->children : Table().topLevel;
        std::erase(siblings, hWnd);
        if (hWndInsertAfter == HWND_BOTTOM)
            siblings.push_back(hWnd);
        else if (auto after = std::find(siblings.begin(), siblings.end(), hWndInsertAfter);
                 hWndInsertAfter && after != siblings.end())
            siblings.insert(after + 1, hWnd);
        else
            siblings.insert(siblings.begin(), hWnd);
    }
    const bool sized = r.right - r.left != w->rect.right - w->rect.left ||
                       r.bottom - r.top != w->rect.bottom - w->rect.top;
    const bool moved = r.left != w->rect.left || r.top != w->rect.top;
    w->rect = r;
    if (moved || sized || (uFlags & SWP_FRAMECHANGED))
        SendMessageW(hWnd, WM_WINDOWPOSCHANGED, 0, 0);
    if (sized && Find(hWnd))
        SendMessageW(
            hWnd, WM_SIZE, SIZE_RESTORED,
            MAKELPARAM(static_cast<WORD>(r.right - r.left), static_cast<WORD>(r.bottom - r.top)));
    if (moved && Find(hWnd))
        SendMessageW(hWnd, WM_MOVE, 0,
                     MAKELPARAM(static_cast<WORD>(r.left), static_cast<WORD>(r.top)));
    if ((uFlags & SWP_SHOWWINDOW) && Find(hWnd))
        ShowWindow(hWnd, SW_SHOWNA);
    if ((uFlags & SWP_HIDEWINDOW) && Find(hWnd))
        ShowWindow(hWnd, SW_HIDE);
    if (!(uFlags & SWP_NOREDRAW) && Find(hWnd))
        ui::detail::NeedsPaint(hWnd);
    return TRUE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
    Window* w = Find(hWnd);
    if (!w || !lpRect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    POINT origin{0, 0};
    if (w->parent)
        ClientToScreen(w->parent, &origin);
    *lpRect = {w->rect.left + origin.x, w->rect.top + origin.y, w->rect.right + origin.x,
               w->rect.bottom + origin.y};
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
    Window* w = Find(hWnd);
    if (!w || !lpRect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // Windows here have no frame: the client area is the whole window.
    *lpRect = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return TRUE;
}

BOOL ClientToScreen(HWND hWnd, POINT* lpPoint) {
    if (!Find(hWnd) || !lpPoint)
        return FALSE;
    for (Window* w = Find(hWnd); w; w = Find(w->parent)) {
        lpPoint->x += w->rect.left;
        lpPoint->y += w->rect.top;
    }
    return TRUE;
}

BOOL ScreenToClient(HWND hWnd, POINT* lpPoint) {
    POINT origin{0, 0};
    if (!lpPoint || !ClientToScreen(hWnd, &origin))
        return FALSE;
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
    return TRUE;
}

BOOL InvalidateRect(HWND hWnd, const RECT*, BOOL) {
    if (!hWnd) {
        for (HWND top : Table().topLevel)
            ui::detail::NeedsPaint(top);
        return TRUE;
    }
    if (!Find(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    ui::detail::NeedsPaint(hWnd);
    return TRUE;
}

BOOL UpdateWindow(HWND hWnd) {
    Window* w = Find(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->needsPaint)
        SendMessageW(hWnd, WM_PAINT, 0, 0);
    if ((w = Find(hWnd)))
        for (HWND child : std::vector<HWND>(w->children))
            UpdateWindow(child);
    return TRUE;
}

BOOL CenterWindow(HWND hWnd, HWND hWndCenter) {
    RECT mine{}, around{};
    if (!GetWindowRect(hWnd, &mine))
        return FALSE;
    if (!hWndCenter || !GetWindowRect(hWndCenter, &around))
        around = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const int width = mine.right - mine.left;
    const int height = mine.bottom - mine.top;
    POINT at{around.left + (around.right - around.left - width) / 2,
             around.top + (around.bottom - around.top - height) / 2};
    if (HWND parent = Find(hWnd)->parent)
        ScreenToClient(parent, &at);
    return SetWindowPos(hWnd, nullptr, at.x, at.y, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    if (!rect)
        return FALSE;
    *rect = {left, top, right, bottom};
    return TRUE;
}

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return w->proc(hWnd, Msg, wParam, lParam);
}

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hWnd);
    if (!w)
        return 0;
    switch (Msg) {
    case WM_NCCREATE:
        return TRUE;
    case WM_SETTEXT: {
        w->text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
        if (w->onStation)
            ui::detail::RetitleOnStation(*w);
        ui::detail::NeedsPaint(hWnd);
        return TRUE;
    }
    case WM_GETTEXT: {
        auto* buffer = reinterpret_cast<LPWSTR>(lParam);
        if (!buffer || wParam == 0)
            return 0;
        const std::size_t n = std::min<std::size_t>(wParam - 1, w->text.size());
        std::copy_n(w->text.data(), n, buffer);
        buffer[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            SendMessageW(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_SETFONT:
        w->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(static_cast<DWORD_PTR>(lParam)))
            ui::detail::NeedsPaint(hWnd);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(w->font);
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hWnd, &ps);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        ui::detail::SendCtlColorDefaults(reinterpret_cast<HDC>(wParam));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_HELP:
        // Help not handled by a child goes up to its parent.
        return w->parent ? SendMessageW(w->parent, WM_HELP, wParam, lParam) : 0;
    default:
        return 0;
    }
}
