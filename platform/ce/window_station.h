// The handheld's window station (platform/base/window_station.h), its table
// of windows in the object store, for the programs that use it without a
// window system and whatever machine their process runs its windows on.
#pragma once

#include "platform/base/window_station.h"

#include <string>

namespace ce {

using StationMessage = platform::StationMessage;

// The handheld's machine, whichever machine the process installed.
platform::StationMachine& HandheldStation();

// Class and/or title (null matches any); the first live match, or null.
HWND FindStationWindow(LPCWSTR lpClassName, LPCWSTR lpWindowName);
// Queues the message for the window's owner. FALSE (ERROR_INVALID_WINDOW_HANDLE)
// for an unknown or dead window.
BOOL PostStationMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Retitles the window and delivers the text to its owner as WM_SETTEXT.
BOOL SetStationWindowText(HWND hWnd, LPCWSTR lpString);
BOOL IsLiveStationWindow(HWND hWnd);
// The process id of the live window's owner; 0 (ERROR_INVALID_WINDOW_HANDLE)
// for an unknown or dead window.
DWORD StationWindowProcess(HWND hWnd);

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
