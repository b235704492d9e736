// A headless program with one top-level window on the handheld's window
// station: prints each message and text it receives from outside, one line
// each, and ends when its window is closed (or after ten seconds).
#include "platform/ce/machine.h"
#include "platform/ui/winuser.h"

#include <cstdio>
#include <string>

namespace {

LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_USER + 5:
        std::printf("post %lu %ld\n", static_cast<unsigned long>(wParam),
                    static_cast<long>(lParam));
        break;
    case WM_SETTEXT: {
        std::string text;
        for (auto p = reinterpret_cast<LPCWSTR>(lParam); *p; ++p)
            text += static_cast<char>(*p);
        std::printf("text %s\n", text.c_str());
        break;
    }
    case WM_TIMER:
        std::printf("timeout\n");
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        std::printf("closed\n");
        PostQuitMessage(0);
        return 0;
    }
    std::fflush(stdout);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

} // namespace

int main() {
    // The handheld of $JOTTERWICK_HANDHELD is the machine it runs on.
    ce::HandheldDirectory();
    if (!ui::JoinWindowStation())
        return 1;
    WNDCLASSW cls{};
    cls.lpfnWndProc = Proc;
    cls.lpszClassName = u"UiStationProbe";
    RegisterClassW(&cls);
    HWND hwnd = CreateWindowExW(0, u"UiStationProbe", u"Probe", WS_OVERLAPPED, 0, 0, 100, 100,
                                nullptr, nullptr, nullptr, nullptr);
    if (!hwnd)
        return 1;
    SetTimer(hwnd, 1, 10000, nullptr);
    std::printf("ready\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0))
        DispatchMessageW(&msg);
    std::fflush(stdout);
    return 0;
}
