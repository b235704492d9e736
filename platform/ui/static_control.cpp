// Static text and icons ("static").
#include "platform/ui/window_impl.h"

namespace {

using ui::detail::Find;

struct StaticState : ui::detail::ControlState {
    HICON icon = nullptr;
};

LRESULT StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        Find(hwnd)->control = std::make_unique<StaticState>();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    auto* s = ui::detail::ControlOf<StaticState>(hwnd);
    if (!s)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (msg) {
    case STM_SETICON: {
        HICON old = s->icon;
        s->icon = reinterpret_cast<HICON>(wParam);
        ui::detail::NeedsPaint(hwnd);
        return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
        return reinterpret_cast<LRESULT>(s->icon);
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_PAINT:
        ui::detail::PaintControl(hwnd, WM_CTLCOLORSTATIC);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace

namespace ui::detail {
void RegisterStaticClass() {
    RegisterSystemClass(u"static", StaticProc);
}
} // namespace ui::detail
