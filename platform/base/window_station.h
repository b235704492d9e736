// A machine's window station: top-level windows visible to every process of
// one machine, and messages between them. The handheld and the desktop each
// install a machine over it, with their own folder and their own file.
//
// A table of top-level windows (handle, owning process, class, title) lives
// in a SQLite file of the machine; each process that owns windows listens on
// a Unix datagram socket in the machine's run/ folder. Windows of dead
// processes are skipped and their rows removed.
#pragma once

#include "platform/base/machine.h"
#include "platform/base/sqlite.h"

#include <memory>
#include <string>

namespace platform {

class StationMachine : public Machine {
public:
    StationMachine();
    ~StationMachine() override;

    // The connection to the file that holds the machine's table of windows.
    virtual Result<std::shared_ptr<sqlite::Connection>> OpenStationFile() = 0;

    // Class and/or title (null matches any); the newest live match, or null.
    HWND FindStationWindow(LPCWSTR className, LPCWSTR title) override;
    // Queues the message for the window's owner. FALSE (ERROR_INVALID_WINDOW_HANDLE)
    // for an unknown or dead window.
    BOOL PostStationMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // Retitles the window and delivers the text to its owner as WM_SETTEXT.
    BOOL SetStationWindowText(HWND hwnd, LPCWSTR text) override;
    BOOL IsLiveStationWindow(HWND hwnd) override;
    // The process id of the live window's owner; 0 (ERROR_INVALID_WINDOW_HANDLE)
    // for an unknown or dead window.
    DWORD StationWindowProcess(HWND hwnd) override;
    // Creates a top-level window owned by this process. Null on failure.
    HWND CreateStationWindow(LPCWSTR className, LPCWSTR title) override;
    BOOL DestroyStationWindow(HWND hwnd) override;
    // Changes the title others find it by (no message is sent).
    BOOL SetStationWindowTitle(HWND hwnd, LPCWSTR title) override;
    // The socket a UI loop waits on with poll(), -1 before the first window exists.
    int StationSocket() override;
    // Takes the next message for this process's windows, waiting up to timeoutMs
    // (-1: forever, 0: no wait). False on timeout or interruption.
    bool ReceiveStationMessage(StationMessage* message, int timeoutMs) override;

    // This process's listening socket on the station, made with its first window.
    struct Local;
    Local& local() { return *m_local; }

private:
    std::unique_ptr<Local> m_local;
};

} // namespace platform
