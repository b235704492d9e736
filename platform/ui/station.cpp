// The window system's side of the handheld window station: top-level windows
// registered there, and the hook through which PostMessageW and
// SetWindowTextW reach this process's own windows.
#include "platform/ui/window_impl.h"

namespace ui::detail {

namespace {
bool g_joined = false;
bool g_hookInstalled = false;
} // namespace

void InstallLocalWindowSystem() {
    if (g_hookInstalled)
        return;
    g_hookInstalled = true;
    ce::LocalWindowSystem system;
    system.postMessage = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (!Find(hwnd))
            return false;
        QueuePosted(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
        return true;
    };
    system.setWindowText = [](HWND hwnd, const std::u16string& text) {
        if (!Find(hwnd))
            return false;
        SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        return true;
    };
    ce::SetLocalWindowSystem(std::move(system));
}

bool StationJoined() {
    return g_joined;
}

void RegisterOnStation(Window& window) {
    HWND handle = ce::CreateStationWindow(window.className.c_str(), window.text.c_str());
    if (!handle)
        return;
    if (Find(handle)) {
        // Never expected: the station's handles and ours come from different
        // ranges. Stay local rather than alias a live window.
        ce::DestroyStationWindow(handle);
        return;
    }
    window.handle = handle;
    window.onStation = true;
}

void UnregisterFromStation(Window& window) {
    ce::DestroyStationWindow(window.handle);
    window.onStation = false;
}

void RetitleOnStation(const Window& window) {
    ce::SetStationWindowTitle(window.handle, window.text.c_str());
}

} // namespace ui::detail

namespace ui {

bool JoinWindowStation() {
    detail::InstallLocalWindowSystem();
    detail::g_joined = true;
    return true;
}

} // namespace ui
