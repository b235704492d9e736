// Inside the window system: the window table that the window, message-loop,
// control and dialog files share. Not for callers outside platform/ui.
#pragma once

#include "platform/ui/controls.h"
#include "platform/ui/winuser.h"

#include <memory>
#include <string>
#include <vector>

namespace ui::detail {

// The state a built-in control keeps beside its window.
struct ControlState {
    virtual ~ControlState() = default;
    PaintColors paint; // what the parent answered at the last paint
};

struct Window {
    HWND handle = nullptr;
    std::u16string className; // as registered
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    std::u16string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;      // children: the parent; top-level: null
    HWND owner = nullptr;       // top-level: the owner given at creation
    std::vector<HWND> children; // z-order, top first
    int id = 0;
    RECT rect{}; // in the parent's client coordinates (screen for top-level)
    LONG_PTR userData = 0;
    LONG_PTR dialogSlots[3] = {}; // DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER
    HFONT font = nullptr;
    HMENU systemMenu = nullptr; // made by GetSystemMenu, destroyed with the window
    bool onStation = false;     // registered in the handheld's window station
    bool destroying = false;
    bool needsPaint = false;
    std::unique_ptr<ControlState> control;
};

// The live window behind hwnd, or null (a destroyed or unknown handle).
Window* Find(HWND hwnd);
// The control state of hwnd when it is a T.
template <class T> T* ControlOf(HWND hwnd) {
    Window* w = Find(hwnd);
    return w ? dynamic_cast<T*>(w->control.get()) : nullptr;
}
// Sends WM_COMMAND (control id, code) from `control` to its parent.
void NotifyParent(HWND control, WORD code);
// A control's WM_PAINT: asks its parent for colours with `ctlColorMessage`
// (WM_CTLCOLOREDIT ...), keeps them in its state and tells the back end.
void PaintControl(HWND control, UINT ctlColorMessage);
// Every live top-level window, oldest first.
std::vector<HWND> TopLevelWindows();
// Registers the built-in control classes once.
void RegisterSystemClasses();
// Each built-in class's registration, in its control's file.
void RegisterEditClass();
void RegisterListBoxClass();
void RegisterButtonClass();
void RegisterStaticClass();
void RegisterComboBoxClass();
void RegisterDialogClass();
void RegisterCommandBarClass();
void RegisterSplitterClass();
// Each control file registers its class through this.
void RegisterSystemClass(const char16_t* name, WNDPROC proc);
// Marks a window for painting; the loop sends WM_PAINT when idle.
void NeedsPaint(HWND hwnd);
// The windows waiting for WM_PAINT, and taking one.
HWND TakeWindowToPaint();
// The station registration for top-level windows (station.cpp).
void RegisterOnStation(Window& window);
void UnregisterFromStation(Window& window);
void RetitleOnStation(const Window& window);
bool StationJoined();
// Queues a posted message (message_loop.cpp).
void QueuePosted(const MSG& msg);
// Drops what belongs to a destroyed window: posted messages, timers.
void ForgetWindow(HWND hwnd);
// Whether hwnd is a dialog (it then has the DWLP_* window slots).
bool IsDialogWindow(HWND hwnd);

} // namespace ui::detail
