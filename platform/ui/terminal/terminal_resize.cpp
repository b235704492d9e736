// Following the terminal's size: the window system's screen takes the
// terminal's cells (less the status line), windows that filled the old
// screen fill the new one, and dialogs and message windows stay centred.
#include "platform/ui/terminal/terminal_screen.h"

#include <curses.h>

#include <algorithm>

namespace ui::terminal {

void FitScreenSize() {
    const SIZE size = PixelsForCells(COLS, std::max(1, LINES - 1));
    SetScreenSize(size.cx, size.cy);
}

void FitWindowsToScreen() {
    const SIZE before{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    FitScreenSize();
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    for (HWND top : ui::TopLevelWindows()) {
        RECT r{};
        GetWindowRect(top, &r);
        if (r.left == 0 && r.top == 0 && r.right == before.cx && r.bottom == before.cy) {
            MoveWindow(top, 0, 0, width, height, TRUE);
            continue;
        }
        if (!(GetWindowLongW(top, GWL_STYLE) & (WS_CAPTION | WS_POPUP)))
            continue;
        SetWindowPos(top, nullptr, CentredStart(width, r.right - r.left, kCharWidth),
                     CentredStart(height, r.bottom - r.top, kLineHeight), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

} // namespace ui::terminal
