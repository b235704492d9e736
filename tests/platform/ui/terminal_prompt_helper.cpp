// Shows prompts through the terminal back end, one per argument, and writes
// each answer as a line to the file named by the first argument (standard
// output is the terminal):
//   box:CAPTION:TEXT:TYPE   a message box of MB_* type TYPE (decimal)
//   open:TITLE[:FILTER] / save:TITLE[:FILTER]
//                           a file dialog ('|' for each NUL of the filter):
//                           the name chosen, or (cancel)
//   help:FILE               the help notice: "help"
#include "platform/base/unicode.h"
#include "platform/ce/machine.h"
#include "platform/ui/message_box.h"
#include "platform/ui/terminal/terminal_backend.h"
#include "platform/ui/winuser.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == std::string::npos ? colon : colon - start));
        if (colon == std::string::npos)
            return parts;
        start = colon + 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    // The handheld of $JOTTERWICK_HANDHELD is the machine it runs on.
    ce::HandheldDirectory();
    auto terminal = ui::TerminalBackend::Create();
    if (!terminal) {
        std::fprintf(stderr, "terminal_prompt_helper: no terminal\n");
        return 3;
    }
    ui::SetBackend(std::move(terminal));
    std::ofstream out(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const auto parts = Split(argv[i]);
        if (parts.size() == 4 && parts[0] == "box") {
            const auto caption = unicode::ToUtf16(parts[1]);
            const auto text = unicode::ToUtf16(parts[2]);
            out << MessageBoxW(nullptr, text.c_str(), caption.c_str(),
                               static_cast<UINT>(std::atoi(parts[3].c_str())))
                << std::endl;
        } else if ((parts.size() == 2 || parts.size() == 3) &&
                   (parts[0] == "open" || parts[0] == "save")) {
            ui::FileDialogPrompt prompt;
            prompt.kind = parts[0] == "open" ? ui::FileDialogKind::Open : ui::FileDialogKind::Save;
            prompt.title = unicode::ToUtf16(parts[1]);
            if (parts.size() == 3) {
                // '|' stands for the NUL that ends each description and pattern.
                prompt.filter = unicode::ToUtf16(parts[2]);
                for (auto& c : prompt.filter)
                    if (c == u'|')
                        c = 0;
            }
            const auto file = ui::CurrentBackend().ChooseFile(prompt);
            out << (file ? unicode::ToUtf8(*file) : std::string("(cancel)")) << std::endl;
        } else if (parts.size() == 2 && parts[0] == "help") {
            ui::OpenHelpFile(unicode::ToUtf16(parts[1]));
            out << "help" << std::endl;
        } else {
            return 2;
        }
    }
    // The back end gives the terminal back as it goes.
    ui::SetBackend(nullptr);
    return 0;
}
