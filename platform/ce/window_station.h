// The handheld's window station: top-level windows visible to every process
// of one handheld, and messages between them.
//
// A table of top-level windows (handle, owning process, class, title) lives in
// the object store; each process that owns windows listens on a Unix datagram
// socket under run/. Windows of dead processes are skipped and their rows removed.
#pragma once

#include "platform/base/windef.h"

#include <functional>
#include <string>

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_USER = 0x0400;

// Class and/or title (null matches any); the first live match, or null.
HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName);
// Queues the message for the window's owner. FALSE (ERROR_INVALID_WINDOW_HANDLE)
// for an unknown or dead window.
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// On a window of another process the text arrives there as WM_SETTEXT.
BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString);
BOOL SetForegroundWindow(HWND hWnd);

namespace ce {

// A message that arrived for one of this process's top-level windows.
struct StationMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::u16string text;  // for WM_SETTEXT
};

// The process's window system, when it has one, handles messages and texts
// for its own windows in-process (a handler returns false for a window it
// does not know). Without one, they are queued on the process's own socket.
struct LocalWindowSystem {
    std::function<bool(HWND, UINT, WPARAM, LPARAM)> postMessage;
    std::function<bool(HWND, const std::u16string&)> setWindowText;
};
void SetLocalWindowSystem(LocalWindowSystem system);

// Creates a top-level window owned by this process. Null on failure.
HWND CreateStationWindow(LPCWSTR className, LPCWSTR title);
BOOL DestroyStationWindow(HWND hwnd);
// Changes the title others find it by (no message is sent).
BOOL SetStationWindowTitle(HWND hwnd, LPCWSTR title);

// The socket a UI loop waits on with poll(), -1 before the first window exists.
int StationSocket();
// Takes the next message for this process's windows, waiting up to timeoutMs
// (-1: forever, 0: no wait). False on timeout or interruption.
bool ReceiveStationMessage(StationMessage* message, int timeoutMs);

} // namespace ce

// Named mutex: an exclusive lock on run/<name>.lock. CreateMutexW always
// returns a handle; a second creator while the first lives gets
// ERROR_ALREADY_EXISTS as last error and does not own it.
HANDLE CreateMutexW(void* lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName);
BOOL ReleaseMutex(HANDLE hMutex);
