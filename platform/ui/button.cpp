// Buttons ("button"): push buttons, check boxes, radio buttons and group boxes.
#include "platform/ui/window_impl.h"

namespace {

using ui::detail::Find;

struct ButtonState : ui::detail::ControlState {
    WPARAM check = BST_UNCHECKED;
    bool pushed = false;
};

ButtonState* State(HWND hwnd) {
    return ui::detail::ControlOf<ButtonState>(hwnd);
}
DWORD Kind(HWND hwnd) {
    return Find(hwnd)->style & BS_TYPEMASK;
}

bool IsRadio(HWND hwnd) {
    const auto* w = Find(hwnd);
    return w && w->control && dynamic_cast<ButtonState*>(w->control.get()) &&
           (Kind(hwnd) == BS_RADIOBUTTON || Kind(hwnd) == BS_AUTORADIOBUTTON);
}

// Unchecks the other radio buttons of the group: siblings between the
// WS_GROUP buttons around this one, as the dialog manager groups them.
void UncheckGroup(HWND hwnd) {
    HWND parent = GetParent(hwnd);
    auto* p = Find(parent);
    if (!p)
        return;
    const auto& siblings = p->children;
    auto self = std::find(siblings.begin(), siblings.end(), hwnd);
    auto first = self;
    while (first != siblings.begin() && !(Find(*first)->style & WS_GROUP))
        --first;
    for (auto it = first; it != siblings.end(); ++it) {
        if (it != first && (Find(*it)->style & WS_GROUP))
            break;
        if (*it != hwnd && IsRadio(*it))
            SendMessageW(*it, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

void Click(HWND hwnd, ButtonState& s) {
    if (!IsWindowEnabled(hwnd))
        return;
    switch (Kind(hwnd)) {
    case BS_AUTOCHECKBOX:
        s.check = s.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        break;
    case BS_AUTO3STATE:
        s.check = (s.check + 1) % 3;
        break;
    case BS_AUTORADIOBUTTON:
        s.check = BST_CHECKED;
        UncheckGroup(hwnd);
        break;
    case BS_GROUPBOX:
        return;
    default:
        break;
    }
    ui::detail::NeedsPaint(hwnd);
    ui::detail::NotifyParent(hwnd, BN_CLICKED);
}

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        Find(hwnd)->control = std::make_unique<ButtonState>();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    ButtonState* s = State(hwnd);
    if (!s)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (msg) {
    case BM_GETCHECK:
        return static_cast<LRESULT>(s->check);
    case BM_SETCHECK:
        s->check = wParam > BST_INDETERMINATE ? BST_CHECKED : wParam;
        ui::detail::NeedsPaint(hwnd);
        return 0;
    case BM_GETSTATE:
        return static_cast<LRESULT>(s->check) | (s->pushed ? BST_PUSHED : 0) |
               (GetFocus() == hwnd ? BST_FOCUS : 0);
    case BM_SETSTATE:
        s->pushed = wParam != 0;
        ui::detail::NeedsPaint(hwnd);
        return 0;
    case BM_SETSTYLE: {
        auto* w = Find(hwnd);
        w->style = (w->style & ~0xFFFFu) | LOWORD(wParam);
        if (lParam)
            ui::detail::NeedsPaint(hwnd);
        return 0;
    }
    case BM_CLICK:
    case WM_LBUTTONUP:
        Click(hwnd, *s);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            Click(hwnd, *s);
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_GETDLGCODE:
        switch (Kind(hwnd)) {
        case BS_DEFPUSHBUTTON:
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_PUSHBUTTON:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX:
            return DLGC_STATIC;
        default:
            return DLGC_BUTTON;
        }
    case WM_PAINT:
        ui::detail::PaintControl(hwnd, WM_CTLCOLORBTN);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace

namespace ui::detail {
void RegisterButtonClass() {
    RegisterSystemClass(u"button", ButtonProc);
}
} // namespace ui::detail
