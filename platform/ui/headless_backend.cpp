#include "platform/ui/headless_backend.h"

#include "platform/ui/scripted_user.h"

#include <poll.h>

#include <vector>

namespace ui {

int HeadlessBackend::ShowMessageBox(const MessageBoxPrompt& prompt) {
    return ScriptedUser::Instance().AnswerMessageBox(prompt);
}

std::optional<std::u16string> HeadlessBackend::ChooseFile(const FileDialogPrompt& prompt) {
    return ScriptedUser::Instance().AnswerFileDialog(prompt);
}

void HeadlessBackend::RunModalDialog(HWND, const std::u16string& caption) {
    // Filling dialogs comes with the dialog manager; until then a dialog is
    // left to the dialog manager's cancel.
    auto& user = ScriptedUser::Instance();
    Expectation answered;
    answered.kind = PromptKind::Dialog;
    answered.caption = caption;
    answered.button = 2;
    const bool expected = user.TakeDialog(caption).has_value();
    user.LogDialog(answered, expected);
}

bool HeadlessBackend::WaitForInput(int timeoutMs, std::span<const int> fds) {
    std::vector<pollfd> polls;
    for (int fd : fds)
        polls.push_back({fd, POLLIN, 0});
    const int ready = ::poll(polls.data(), polls.size(), timeoutMs);
    return ready > 0;
}

} // namespace ui
