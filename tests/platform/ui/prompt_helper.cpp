// Shows one prompt per argument and prints each answer on stdout:
//   box:CAPTION:TEXT:TYPE   a message box of MB_* type TYPE (decimal)
//   open:TITLE / save:TITLE a file dialog
#include "platform/base/unicode.h"
#include "platform/ui/backend.h"
#include "platform/ui/message_box.h"

#include <cstdio>
#include <cstdlib>
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
    for (int i = 1; i < argc; ++i) {
        const auto parts = Split(argv[i]);
        if (parts.size() == 4 && parts[0] == "box") {
            const auto caption = unicode::ToUtf16(parts[1]);
            const auto text = unicode::ToUtf16(parts[2]);
            const int answer = MessageBoxW(nullptr, text.c_str(), caption.c_str(),
                                           static_cast<UINT>(std::atoi(parts[3].c_str())));
            std::printf("%d\n", answer);
        } else if (parts.size() == 2 && (parts[0] == "open" || parts[0] == "save")) {
            ui::FileDialogPrompt prompt;
            prompt.kind = parts[0] == "open" ? ui::FileDialogKind::Open : ui::FileDialogKind::Save;
            prompt.title = unicode::ToUtf16(parts[1]);
            const auto file = ui::CurrentBackend().ChooseFile(prompt);
            std::printf("%s\n", file ? unicode::ToUtf8(*file).c_str() : "(cancel)");
        } else {
            std::fprintf(
                stderr,
                "usage: ui_prompt_helper box:CAPTION:TEXT:TYPE | open:TITLE | save:TITLE ...\n");
            return 2;
        }
    }
    return 0;
}
