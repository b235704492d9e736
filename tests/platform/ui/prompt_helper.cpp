// Shows one prompt per argument and gives each answer as a line:
//   box:CAPTION:TEXT:TYPE   a message box of MB_* type TYPE (decimal)
//   open:TITLE[:FILTER] / save:TITLE[:FILTER]
//                           a file dialog ('|' for each NUL of the filter):
//                           the name chosen, or (cancel)
//   help:FILE               the help notice: "help"
// Headless, the answers go to standard output. With `--terminal ANSWERS` the
// prompts are drawn by the terminal back end on standard output, on the
// handheld of $JOTTERWICK_HANDHELD, and the answers go to the file ANSWERS.
#include "platform/base/unicode.h"
#include "platform/ce/machine.h"
#include "platform/ui/backend.h"
#include "platform/ui/message_box.h"
#include "platform/ui/terminal/terminal_backend.h"
#include "platform/ui/winuser.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
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

// The answer to one prompt, none when the argument names no prompt.
std::optional<std::string> Answer(const std::string& argument) {
    const auto parts = Split(argument);
    if (parts.size() == 4 && parts[0] == "box") {
        const auto caption = unicode::ToUtf16(parts[1]);
        const auto text = unicode::ToUtf16(parts[2]);
        return std::to_string(MessageBoxW(nullptr, text.c_str(), caption.c_str(),
                                          static_cast<UINT>(std::atoi(parts[3].c_str()))));
    }
    if ((parts.size() == 2 || parts.size() == 3) && (parts[0] == "open" || parts[0] == "save")) {
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
        return file ? unicode::ToUtf8(*file) : std::string("(cancel)");
    }
    if (parts.size() == 2 && parts[0] == "help") {
        ui::OpenHelpFile(unicode::ToUtf16(parts[1]));
        return std::string("help");
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    int first = 1;
    std::ofstream answers;
    if (argc > 2 && std::strcmp(argv[1], "--terminal") == 0) {
        ce::HandheldDirectory();
        auto terminal = ui::TerminalBackend::Create();
        if (!terminal) {
            std::fprintf(stderr, "ui_prompt_helper: no terminal\n");
            return 3;
        }
        ui::SetBackend(std::move(terminal));
        answers.open(argv[2]);
        first = 3;
    }
    std::ostream& out = answers.is_open() ? answers : std::cout;
    int status = 0;
    for (int i = first; i < argc && status == 0; ++i) {
        if (const auto answer = Answer(argv[i])) {
            out << *answer << std::endl;
        } else {
            std::fprintf(stderr, "usage: ui_prompt_helper [--terminal ANSWERS] "
                                 "box:CAPTION:TEXT:TYPE | open:TITLE[:FILTER] | "
                                 "save:TITLE[:FILTER] | help:FILE ...\n");
            status = 2;
        }
    }
    // The terminal back end gives the terminal back as it goes.
    if (answers.is_open())
        ui::SetBackend(nullptr);
    return status;
}
