// jotta [--handheld DIR]: the notes program of the handheld.
#include "device/app/CJottaApp.h"
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

// The one place where the program picks how it meets the user: in the
// terminal when it runs in one, headless (prompts answered by the scripted
// user of $JOTTERWICK_SCRIPT) when $JOTTERWICK_HEADLESS is set, when input or
// output is not a terminal, or when curses cannot drive it.
void ChooseBackend() {
    if (!std::getenv("JOTTERWICK_HEADLESS") && isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) {
        if (auto terminal = ui::TerminalBackend::Create()) {
            ui::SetBackend(std::move(terminal));
            return;
        }
        std::fputs("jotta: cannot draw on this terminal (see $TERM); running headless\n", stderr);
    }
    ui::SetBackend(std::make_unique<ui::HeadlessBackend>());
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--handheld") == 0 && i + 1 < argc) {
            ce::SetHandheldDirectory(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::puts("usage: jotta [--handheld DIR]");
            return 0;
        } else {
            std::fprintf(stderr, "jotta: unknown argument '%s'\nusage: jotta [--handheld DIR]\n",
                         argv[i]);
            return 2;
        }
    }
    ChooseBackend();
    // Every argument is taken: the application sees the program's name alone.
    return AfxWinMain(1, argv);
}
