// window_probe CLASS TITLE: owns a top-level window on the handheld of
// $JOTTERWICK_HANDHELD and prints each message it receives as one line,
// "<message> <wParam> <lParam> <text>", until terminated.
#include "platform/base/unicode.h"
#include "platform/ce/window_station.h"

#include <csignal>
#include <cstdio>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) {
    g_stop = 1;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_probe CLASS TITLE\n");
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    const std::u16string className = unicode::ToUtf16(argv[1]);
    const std::u16string title = unicode::ToUtf16(argv[2]);
    HWND window = ce::CreateStationWindow(className.c_str(), title.c_str());
    if (window == nullptr)
        return 1;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    while (!g_stop) {
        ce::StationMessage m;
        if (ce::ReceiveStationMessage(&m, 100))
            std::printf("%u %lu %ld %s\n", m.message, static_cast<unsigned long>(m.wParam),
                        static_cast<long>(m.lParam), unicode::ToUtf8(m.text).c_str());
    }
    ce::DestroyStationWindow(window);
    return 0;
}
