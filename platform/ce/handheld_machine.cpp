// The handheld as the machine its window system runs on: its folder and its
// window station, installed for the process when this library loads.
#include "platform/base/machine.h"
#include "platform/ce/machine.h"
#include "platform/ce/window_station.h"

namespace {

class HandheldMachine : public platform::Machine {
public:
    std::string Folder() override { return ce::HandheldDirectory(); }
    HWND FindStationWindow(LPCWSTR className, LPCWSTR title) override {
        return ce::FindStationWindow(className, title);
    }
    BOOL PostStationMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        return ce::PostStationMessage(hwnd, message, wParam, lParam);
    }
    BOOL SetStationWindowText(HWND hwnd, LPCWSTR text) override {
        return ce::SetStationWindowText(hwnd, text);
    }
    BOOL IsLiveStationWindow(HWND hwnd) override { return ce::IsLiveStationWindow(hwnd); }
    DWORD StationWindowProcess(HWND hwnd) override { return ce::StationWindowProcess(hwnd); }
    HWND CreateStationWindow(LPCWSTR className, LPCWSTR title) override {
        return ce::CreateStationWindow(className, title);
    }
    BOOL DestroyStationWindow(HWND hwnd) override { return ce::DestroyStationWindow(hwnd); }
    BOOL SetStationWindowTitle(HWND hwnd, LPCWSTR title) override {
        return ce::SetStationWindowTitle(hwnd, title);
    }
    int StationSocket() override { return ce::StationSocket(); }
    bool ReceiveStationMessage(platform::StationMessage* message, int timeoutMs) override {
        return ce::ReceiveStationMessage(message, timeoutMs);
    }
};

// Never destroyed: windows may still reach the station while the process exits.
struct Installer {
    Installer() { platform::InstallMachine(new HandheldMachine); }
} g_installer;

} // namespace
