// Screen metrics and the platform shell's help viewer.
#include "platform/ui/backend.h"
#include "platform/ui/window_impl.h"

namespace {

struct Screen {
    int width = 640; // the handheld's landscape screen
    int height = 240;
};

Screen& TheScreen() {
    static Screen screen;
    return screen;
}

std::u16string& HelpFile() {
    static std::u16string file;
    return file;
}

} // namespace

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
    case SM_CXSCREEN:
        return TheScreen().width;
    case SM_CYSCREEN:
        return TheScreen().height;
    case SM_CXVSCROLL:
        return ui::kCharWidth;
    case SM_CYHSCROLL:
        return ui::kLineHeight;
    case SM_CYCAPTION:
        return ui::kLineHeight;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    default:
        return 0;
    }
}

namespace ui {

void SetScreenSize(int width, int height) {
    TheScreen().width = width;
    TheScreen().height = height;
}

void OpenHelpFile(const std::u16string& helpFile) {
    HelpFile() = helpFile;
    if (!helpFile.empty())
        CurrentBackend().ShowHelp(helpFile);
}

std::u16string LastHelpFile() {
    return HelpFile();
}

} // namespace ui
