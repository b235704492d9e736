// The window system's side of the window station: top-level windows
// registered there, and PostMessageW, SetWindowTextW, FindWindowW and
// SetForegroundWindow, which serve this process's own windows in-process
// and the others' through the station of the machine the process runs on.
#include "platform/ui/window_impl.h"

namespace ui::detail {

namespace {
bool g_joined = false;
} // namespace

bool StationJoined() {
    return g_joined && platform::InstalledMachine();
}

void RegisterOnStation(Window& window) {
    platform::Machine* machine = platform::InstalledMachine();
    if (!machine)
        return;
    HWND handle = machine->CreateStationWindow(window.className.c_str(), window.text.c_str());
    if (!handle)
        return;
    if (Find(handle)) {
        // Never expected: the station's handles and ours come from different
        // ranges. Stay local rather than alias a live window.
        machine->DestroyStationWindow(handle);
        return;
    }
    window.handle = handle;
    window.onStation = true;
}

void UnregisterFromStation(Window& window) {
    if (platform::Machine* machine = platform::InstalledMachine())
        machine->DestroyStationWindow(window.handle);
    window.onStation = false;
}

void RetitleOnStation(const Window& window) {
    if (platform::Machine* machine = platform::InstalledMachine())
        machine->SetStationWindowTitle(window.handle, window.text.c_str());
}

} // namespace ui::detail

namespace ui {

bool JoinWindowStation() {
    if (!platform::InstalledMachine())
        return false;
    detail::g_joined = true;
    return true;
}

} // namespace ui

namespace {

BOOL NoStation() {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

} // namespace

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (ui::detail::Find(hWnd)) {
        ui::detail::QueuePosted(MSG{hWnd, Msg, wParam, lParam, 0, {0, 0}});
        return TRUE;
    }
    platform::Machine* machine = platform::InstalledMachine();
    return machine ? machine->PostStationMessage(hWnd, Msg, wParam, lParam) : NoStation();
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    if (ui::detail::Find(hWnd)) {
        // A station window's new title reaches the station with WM_SETTEXT.
        SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : u""));
        return TRUE;
    }
    platform::Machine* machine = platform::InstalledMachine();
    return machine ? machine->SetStationWindowText(hWnd, lpString) : NoStation();
}

HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
    platform::Machine* machine = platform::InstalledMachine();
    if (!machine) {
        SetLastError(ERROR_NOT_FOUND);
        return nullptr;
    }
    return machine->FindStationWindow(lpClassName, lpWindowName);
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    platform::Machine* machine = platform::InstalledMachine();
    const DWORD process = machine ? machine->StationWindowProcess(hWnd) : NoStation();
    if (lpdwProcessId)
        *lpdwProcessId = process;
    return process;
}

BOOL SetForegroundWindow(HWND hWnd) {
    platform::Machine* machine = platform::InstalledMachine();
    return machine ? machine->IsLiveStationWindow(hWnd) : NoStation();
}
