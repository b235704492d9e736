// The headless back end: draws nothing, answers prompts through the scripted
// user (scripted_user.h), and waits on the message loop's descriptors only.
#pragma once

#include "platform/ui/backend.h"

namespace ui {

class HeadlessBackend : public Backend {
public:
    int ShowMessageBox(const MessageBoxPrompt& prompt) override;
    std::optional<std::u16string> ChooseFile(const FileDialogPrompt& prompt) override;
    void RunModalDialog(HWND dialog, const std::u16string& caption) override;
    bool WaitForInput(int timeoutMs, std::span<const int> fds) override;
    void WindowChanged(HWND) override {}
    void WaitCursorChanged(int) override {}
    // The scripted user sees the viewer open and closes it.
    void ShowHelp(const std::u16string& helpFile) override;
};

} // namespace ui
