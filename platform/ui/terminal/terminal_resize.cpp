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
        // Centred, with room for its frame one cell outside it where the screen allows.
        CenterWindow(top, nullptr);
        GetWindowRect(top, &r);
        const LONG left = std::max<LONG>(r.left, std::min<LONG>(kCharWidth, width - r.right));
        const LONG topRow = std::max<LONG>(r.top, std::min<LONG>(kLineHeight, height - r.bottom));
        if (left != r.left || topRow != r.top)
            SetWindowPos(top, nullptr, std::max<LONG>(0, left), std::max<LONG>(0, topRow), 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

} // namespace ui::terminal
