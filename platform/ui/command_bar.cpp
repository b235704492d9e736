// The command bar ("CommandBar"): its menu, tool-button images, buttons and
// adornments live with the window, and a tap on a button or an adornment
// becomes the frame's command.
#include "platform/ui/commctrl.h"
#include "platform/ui/controls.h"
#include "platform/ui/menu.h"
#include "platform/ui/message_box.h"
#include "platform/ui/resources.h"
#include "platform/ui/window_impl.h"

#include <algorithm>

namespace {

struct Button {
    TBBUTTON button;
    std::u16string label; // the image's label; empty for a separator
};

struct CommandBarState : ui::detail::ControlState {
    HMENU menu = nullptr;
    std::vector<std::u16string> images;
    std::vector<Button> buttons;
    DWORD adornments = 0;
};

bool IsSeparator(const TBBUTTON& b) {
    return (b.fsStyle & TBSTYLE_SEP) != 0;
}

Button* ButtonOf(CommandBarState& s, WPARAM command) {
    for (Button& b : s.buttons)
        if (!IsSeparator(b.button) && static_cast<WPARAM>(b.button.idCommand) == command)
            return &b;
    return nullptr;
}

LRESULT AddBitmap(CommandBarState& s, WPARAM count, const TBADDBITMAP* bitmap) {
    if (!bitmap || count == 0)
        return -1;
    const auto* labels = ui::FindToolBarResource(MAKEINTRESOURCEW(static_cast<WORD>(bitmap->nID)));
    if (!labels || count > labels->size())
        return -1;
    const auto first = static_cast<LRESULT>(s.images.size());
    s.images.insert(s.images.end(), labels->begin(), labels->begin() + static_cast<long>(count));
    return first;
}

// All or nothing: a button whose image the bar does not have adds none.
LRESULT AddButtons(CommandBarState& s, WPARAM count, const TBBUTTON* buttons) {
    if (!buttons || count == 0)
        return FALSE;
    std::vector<Button> added;
    for (WPARAM i = 0; i < count; ++i) {
        const TBBUTTON& b = buttons[i];
        if (IsSeparator(b)) {
            added.push_back({{b.iBitmap, 0, b.fsState, b.fsStyle, b.dwData, b.iString}, {}});
            continue;
        }
        if (b.iBitmap < 0 || static_cast<std::size_t>(b.iBitmap) >= s.images.size())
            return FALSE;
        added.push_back({b, s.images[static_cast<std::size_t>(b.iBitmap)]});
    }
    s.buttons.insert(s.buttons.end(), added.begin(), added.end());
    return TRUE;
}

LRESULT ClickAdornment(HWND hwnd, const CommandBarState& s, WPARAM flag) {
    if (!(s.adornments & flag))
        return FALSE;
    HWND frame = GetParent(hwnd);
    if (flag == CMDBAR_HELP) {
        HELPINFO info{sizeof(HELPINFO), 0, 0, nullptr, 0, {0, 0}};
        SendMessageW(frame, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        return TRUE;
    }
    if (flag == CMDBAR_OK) {
        SendMessageW(frame, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
    }
    return FALSE;
}

LRESULT CommandBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        ui::detail::Find(hwnd)->control = std::make_unique<CommandBarState>();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    auto* s = ui::detail::ControlOf<CommandBarState>(hwnd);
    if (!s)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    const auto changed = [hwnd](LRESULT result) {
        InvalidateRect(hwnd, nullptr, TRUE);
        return result;
    };
    switch (msg) {
    case CBM_INSERTMENUBAR: {
        HMENU menu = LoadMenuW(reinterpret_cast<HINSTANCE>(wParam),
                               MAKEINTRESOURCEW(static_cast<WORD>(lParam)));
        if (!menu)
            return FALSE;
        if (s->menu)
            DestroyMenu(s->menu);
        s->menu = menu;
        return changed(TRUE);
    }
    case CBM_GETMENU:
        return reinterpret_cast<LRESULT>(s->menu);
    case CBM_ADDADORNMENTS:
        s->adornments = static_cast<DWORD>(wParam);
        return changed(TRUE);
    case CBM_GETADORNMENTS:
        return static_cast<LRESULT>(s->adornments);
    case TB_ADDBITMAP:
        return AddBitmap(*s, wParam, reinterpret_cast<const TBADDBITMAP*>(lParam));
    case TB_ADDBUTTONSW:
        return changed(AddButtons(*s, wParam, reinterpret_cast<const TBBUTTON*>(lParam)));
    case TB_BUTTONCOUNT:
        return static_cast<LRESULT>(s->buttons.size());
    case TB_GETBUTTON:
        if (wParam >= s->buttons.size() || !lParam)
            return FALSE;
        *reinterpret_cast<TBBUTTON*>(lParam) = s->buttons[wParam].button;
        return TRUE;
    case TB_GETSTATE: {
        const Button* b = ButtonOf(*s, wParam);
        return b ? b->button.fsState : -1;
    }
    case TB_SETSTATE: {
        Button* b = ButtonOf(*s, wParam);
        if (!b)
            return FALSE;
        b->button.fsState = static_cast<BYTE>(LOWORD(static_cast<DWORD_PTR>(lParam)));
        return changed(TRUE);
    }
    case TB_GETBUTTONTEXTW: {
        const Button* b = ButtonOf(*s, wParam);
        if (!b)
            return -1;
        if (auto* buffer = reinterpret_cast<LPWSTR>(lParam)) {
            std::copy(b->label.begin(), b->label.end(), buffer);
            buffer[b->label.size()] = 0;
        }
        return static_cast<LRESULT>(b->label.size());
    }
    case CBM_CLICKBUTTON: {
        const Button* b = ButtonOf(*s, wParam);
        if (!b || !(b->button.fsState & TBSTATE_ENABLED))
            return FALSE;
        SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(wParam), BN_CLICKED),
                     0);
        return TRUE;
    }
    case CBM_CLICKADORNMENT:
        return ClickAdornment(hwnd, *s, wParam);
    case WM_NCDESTROY:
        if (s->menu)
            DestroyMenu(s->menu);
        s->menu = nullptr;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace

namespace ui::detail {
void RegisterCommandBarClass() {
    RegisterSystemClass(WC_COMMANDBARW, CommandBarProc);
}
} // namespace ui::detail

HWND CommandBar_Create(HINSTANCE hInst, HWND hwndParent, int idCmdBar) {
    RECT client{};
    if (!GetClientRect(hwndParent, &client))
        return nullptr;
    return CreateWindowExW(
        0, WC_COMMANDBARW, u"", WS_CHILD | WS_VISIBLE, 0, 0, client.right, kCommandBarHeight,
        hwndParent, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(idCmdBar)), hInst, nullptr);
}

BOOL CommandBar_InsertMenubar(HWND hwndCB, HINSTANCE hInst, WORD idMenu, WORD) {
    return static_cast<BOOL>(
        SendMessageW(hwndCB, CBM_INSERTMENUBAR, reinterpret_cast<WPARAM>(hInst), idMenu));
}

HMENU CommandBar_GetMenu(HWND hwndCB, WORD) {
    return reinterpret_cast<HMENU>(SendMessageW(hwndCB, CBM_GETMENU, 0, 0));
}

int CommandBar_AddBitmap(HWND hwndCB, HINSTANCE hInst, int idBitmap, int iNumImages, int, int) {
    if (iNumImages <= 0 || !IsWindow(hwndCB))
        return -1;
    const TBADDBITMAP bitmap{hInst, static_cast<UINT_PTR>(idBitmap)};
    return static_cast<int>(SendMessageW(hwndCB, TB_ADDBITMAP, static_cast<WPARAM>(iNumImages),
                                         reinterpret_cast<LPARAM>(&bitmap)));
}

BOOL CommandBar_AddButtons(HWND hwndCB, UINT uNumButtons, const TBBUTTON* lpButtons) {
    return static_cast<BOOL>(
        SendMessageW(hwndCB, TB_ADDBUTTONSW, uNumButtons, reinterpret_cast<LPARAM>(lpButtons)));
}

BOOL CommandBar_AddAdornments(HWND hwndCB, DWORD dwFlags, DWORD) {
    return static_cast<BOOL>(SendMessageW(hwndCB, CBM_ADDADORNMENTS, dwFlags, 0));
}
