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
    ui::ChooseTerminalOrHeadless("notepad");
    const int status = notepad::RunNotepad(argv[1]);
    // Back to the shell's terminal before the program ends.
    ui::SetBackend(std::make_unique<ui::HeadlessBackend>());
    return status;
}
