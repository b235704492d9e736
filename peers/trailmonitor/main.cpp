// trailmonitor: owns a top-level window of class "TrailMonitor" on a handheld
// and prints each text set on it as one line, until interrupted.
#include "platform/base/installation.h"
#include "platform/base/kernel.h"
#include "platform/base/unicode.h"
#include "platform/ce/machine.h"
#include "platform/ce/window_station.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

constexpr char kUsage[] = "usage: trailmonitor [--handheld DIR] [--time]\n"
                          "Prints every trace line of the handheld provider as it comes.\n"
                          "  --handheld DIR  the handheld's directory\n"
                          "  --time          starts each line with the local time\n"
                          "  --help          this help\n"
                          "  --version       the version\n";

int ArgumentError(const std::string& problem) {
    std::fputs(platform::ArgumentErrorText("trailmonitor", problem).c_str(), stderr);
    return 2;
}

std::string LocalTimeStamp() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u ", st.wHour, st.wMinute, st.wSecond,
                  st.wMilliseconds);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    bool withTime = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--time") == 0) {
            withTime = true;
        } else if (std::strcmp(argv[i], "--handheld") == 0) {
            if (i + 1 >= argc)
                return ArgumentError("--handheld needs a directory");
            ce::SetHandheldDirectory(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(platform::VersionText("trailmonitor").c_str(), stdout);
            return 0;
        } else {
            return ArgumentError(std::string("unexpected argument: ") + argv[i]);
        }
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    HWND window = ce::CreateStationWindow(u"TrailMonitor", u"TrailMonitor");
    if (window == nullptr) {
        std::fprintf(stderr, "trailmonitor: cannot create the window on %s\n",
                     ce::HandheldDirectory().c_str());
        return 1;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    while (!g_stop) {
        ce::StationMessage message;
        if (!ce::ReceiveStationMessage(&message, 200))
            continue;
        if (message.message == WM_SETTEXT) {
            const std::string line = unicode::ToUtf8(message.text);
            std::printf("%s%s\n", withTime ? LocalTimeStamp().c_str() : "", line.c_str());
        } else if (message.message == WM_CLOSE) {
            break;
        }
    }
    ce::DestroyStationWindow(window);
    return 0;
}
