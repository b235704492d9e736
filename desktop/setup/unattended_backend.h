// The back end of setup --unattended, for a person without a terminal
// dialog (a script, CI): nobody is there to answer. A dialog gets its
// default button (the main dialog's Install), and every message is printed
// to standard output with its text as written and answered with its
// default button.
#pragma once

#include "platform/ui/backend.h"

class UnattendedBackend : public ui::Backend {
public:
    int ShowMessageBox(const ui::MessageBoxPrompt& prompt) override;
    std::optional<std::u16string> ChooseFile(const ui::FileDialogPrompt&) override {
        return std::nullopt;
    }
    void RunModalDialog(HWND dialog, const std::u16string& caption) override;
    bool WaitForInput(int timeoutMs, std::span<const int> fds) override;
    void WindowChanged(HWND) override {}
    void WaitCursorChanged(int) override {}
    void ShowHelp(const std::u16string&) override {}
};
