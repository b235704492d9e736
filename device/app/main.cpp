// jotta [--handheld DIR]: the notes program of the handheld.
#include "device/app/jotta_app.h"
#include "platform/base/installation.h"
#include "platform/ce/machine.h"
#include "platform/ui/headless/headless_backend.h"
#include "platform/ui/terminal/terminal_backend.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

CJottaApp theApp;

constexpr char kUsage[] = "usage: jotta [--handheld DIR]\n"
                          "The notes program of the handheld: in a terminal it draws with curses,\n"
                          "otherwise it runs headless.\n"
                          "  --handheld DIR  the handheld's directory (made when missing)\n"
                          "  --help          this help\n"
                          "  --version       the version\n";

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--handheld") == 0) {
            if (i + 1 >= argc) {
                std::fputs(
                    platform::ArgumentErrorText("jotta", "--handheld needs a directory").c_str(),
                    stderr);
                return 2;
            }
            ce::SetHandheldDirectory(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(platform::VersionText("jotta").c_str(), stdout);
            return 0;
        } else {
            std::fputs(
                platform::ArgumentErrorText("jotta", std::string("unexpected argument: ") + argv[i])
                    .c_str(),
                stderr);
            return 2;
        }
    }
    ui::ChooseTerminalOrHeadless("jotta");
    // Every argument is taken: the application sees the program's name alone.
    const int status = AfxWinMain(1, argv);
    if (theApp.m_runningInstance) {
        // Said once the terminal is the shell's again, so that it stays readable.
        ui::SetBackend(std::make_unique<ui::HeadlessBackend>());
        std::string text = "jotta: the notes program is already running on this handheld";
        if (*theApp.m_runningInstance)
            text += " (process " + std::to_string(*theApp.m_runningInstance) + ")";
        std::fputs((text + "; it comes to the front\n").c_str(), stderr);
    }
    return status;
}
