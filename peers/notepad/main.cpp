// notepad FILE: the desktop's text editor.
#include "peers/notepad/notepad_window.h"
#include "platform/base/installation.h"
#include "platform/ui/headless/headless_backend.h"
#include "platform/ui/terminal/terminal_backend.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr char kUsage[] =
    "usage: notepad FILE\n"
    "The desktop's text editor: shows FILE (a desktop path; '\\' separators are\n"
    "allowed) in an edit window; Save writes it, Exit (or Escape) ends, asking\n"
    "first when the text has changed. In a terminal it draws with curses,\n"
    "otherwise it runs headless.\n"
    "  --help     this help\n"
    "  --version  the version\n";

// In the terminal when it runs in one, headless (prompts answered by the
// scripted user of $JOTTERWICK_SCRIPT) when $JOTTERWICK_HEADLESS is set,
// when input or output is not a terminal, or when curses cannot drive it.
void ChooseBackend() {
    if (!std::getenv("JOTTERWICK_HEADLESS") && isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) {
        if (auto terminal = ui::TerminalBackend::Create()) {
            ui::SetBackend(std::move(terminal));
            return;
        }
        std::fputs("notepad: cannot draw on this terminal (see $TERM); running headless\n", stderr);
    }
    ui::SetBackend(std::make_unique<ui::HeadlessBackend>());
}

int Refuse(const std::string& problem) {
    std::fputs(platform::ArgumentErrorText("notepad", problem).c_str(), stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs(platform::VersionText("notepad").c_str(), stdout);
        return 0;
    }
    if (argc == 2 && argv[1][0] == '-')
        return Refuse(std::string("unknown option ") + argv[1]);
    if (argc != 2 || argv[1][0] == '\0')
        return Refuse(argc < 2 ? "a file is needed" : "give exactly one file");
    ChooseBackend();
    const int status = notepad::RunNotepad(argv[1]);
    // Back to the shell's terminal before the program ends.
    ui::SetBackend(std::make_unique<ui::HeadlessBackend>());
    return status;
}
