// The handheld as the machine its window system runs on: its folder and its
// window station (the table of windows in the object store), offered as the
// process's machine when this library loads.
#include "platform/ce/machine.h"
#include "platform/ce/object_store.h"
#include "platform/ce/window_station.h"

namespace {

class HandheldMachine : public platform::StationMachine {
public:
    std::string Folder() override { return ce::HandheldDirectory(); }
    platform::Result<std::shared_ptr<platform::sqlite::Connection>> OpenStationFile() override {
        // The store's own set-up first: the station is one more table in it.
        JW_ASSIGN_OR_RETURN(auto store, ce::StoreSession::Open());
        return platform::sqlite::Connection::Shared(store.path());
    }
};

// Never destroyed: windows may still reach the station while the process exits.
HandheldMachine& Handheld() {
    static auto* machine = new HandheldMachine;
    return *machine;
}

// A process that installs no machine of its own runs its windows on the handheld.
struct Offer {
    Offer() { platform::OfferMachine(&Handheld()); }
} g_offer;

} // namespace

namespace ce {

platform::StationMachine& HandheldStation() {
    return Handheld();
}

HWND FindStationWindow(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
    return Handheld().FindStationWindow(lpClassName, lpWindowName);
}
BOOL PostStationMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return Handheld().PostStationMessage(hWnd, Msg, wParam, lParam);
}
BOOL SetStationWindowText(HWND hWnd, LPCWSTR lpString) {
    return Handheld().SetStationWindowText(hWnd, lpString);
}
BOOL IsLiveStationWindow(HWND hWnd) {
    return Handheld().IsLiveStationWindow(hWnd);
}
DWORD StationWindowProcess(HWND hWnd) {
    return Handheld().StationWindowProcess(hWnd);
}
HWND CreateStationWindow(LPCWSTR className, LPCWSTR title) {
    return Handheld().CreateStationWindow(className, title);
}
BOOL DestroyStationWindow(HWND hwnd) {
    return Handheld().DestroyStationWindow(hwnd);
}
BOOL SetStationWindowTitle(HWND hwnd, LPCWSTR title) {
    return Handheld().SetStationWindowTitle(hwnd, title);
}
int StationSocket() {
    return Handheld().StationSocket();
}
bool ReceiveStationMessage(StationMessage* message, int timeoutMs) {
    return Handheld().ReceiveStationMessage(message, timeoutMs);
}

} // namespace ce
