// The machine a process's window system runs on, as the window system sees
// it: a folder for what the machine's processes share (the clipboard, the
// document folder) and the window station through which top-level windows
// of different processes find and message each other.
//
// The handheld's system library offers its machine when it loads, and a
// process that says nothing runs its windows there; a desktop program, or
// jsync for the desktop store's dialogs, installs the desktop's machine
// explicitly (win32::DesktopMachine) and it stays, whatever loads later. The
// window system asks for the machine here, so it needs no machine library of
// its own. In a process with no machine, windows are the process's own: no
// station, no shared clipboard.
#pragma once

#include "platform/base/windef.h"

#include <string>

// The window messages that the station carries between processes, shared by
// the window system and the programs that use the station without one.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_USER = 0x0400;

namespace platform {

// A message that arrived from another process for one of this process's
// top-level windows.
struct StationMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::u16string text; // for WM_SETTEXT
};

class Machine {
public:
    virtual ~Machine() = default;

    // The machine's folder, created on first use.
    virtual std::string Folder() = 0;

    // The station's top-level windows of every process. Failures return
    // null / FALSE and set the last error.
    // Class and/or title (null matches any); the newest live match.
    virtual HWND FindStationWindow(LPCWSTR className, LPCWSTR title) = 0;
    // Queues the message for the window's owner.
    virtual BOOL PostStationMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Retitles the window and delivers the text to its owner as WM_SETTEXT.
    virtual BOOL SetStationWindowText(HWND hwnd, LPCWSTR text) = 0;
    // TRUE when the window is live.
    virtual BOOL IsLiveStationWindow(HWND hwnd) = 0;
    // The process id of the live window's owner; 0 when there is none.
    virtual DWORD StationWindowProcess(HWND hwnd) = 0;

    // This process's own top-level windows on the station.
    virtual HWND CreateStationWindow(LPCWSTR className, LPCWSTR title) = 0;
    virtual BOOL DestroyStationWindow(HWND hwnd) = 0;
    // Changes the title others find it by (no message is sent).
    virtual BOOL SetStationWindowTitle(HWND hwnd, LPCWSTR title) = 0;
    // The socket to wait on with poll(), -1 before the first window exists.
    virtual int StationSocket() = 0;
    // The next message for this process's windows, waiting up to timeoutMs
    // (-1: forever, 0: no wait). False on timeout or interruption.
    virtual bool ReceiveStationMessage(StationMessage* message, int timeoutMs) = 0;
};

// Installs the process's machine (null: none), replacing any; the machine
// lives as long as the process.
void InstallMachine(Machine* machine);
// Installs the machine only when the process has none yet (what a machine
// library does as it loads); true when it was installed.
bool OfferMachine(Machine* machine);
// The installed machine, or null.
Machine* InstalledMachine();

} // namespace platform
