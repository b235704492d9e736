#include "platform/ui/headless/headless_backend.h"

#include "platform/base/unicode.h"
#include "platform/ui/dialog.h"
#include "platform/ui/headless/scripted_user.h"

#include <poll.h>

#include <vector>

namespace ui {

int HeadlessBackend::ShowMessageBox(const MessageBoxPrompt& prompt) {
    return ScriptedUser::Instance().AnswerMessageBox(prompt);
}

std::optional<std::u16string> HeadlessBackend::ChooseFile(const FileDialogPrompt& prompt) {
    return ScriptedUser::Instance().AnswerFileDialog(prompt);
}

void HeadlessBackend::RunModalDialog(HWND dialog, const std::u16string& caption) {
    auto& user = ScriptedUser::Instance();
    auto expected = user.TakeDialog(caption);
    if (!expected) {
        // Unexpected: the user's Escape.
        Expectation cancelled;
        cancelled.kind = PromptKind::Dialog;
        cancelled.caption = caption;
        cancelled.button = IDCANCEL;
        user.LogDialog(cancelled, false);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        return;
    }
    const std::string where = "dialog '" + unicode::ToUtf8(caption) + "'";
    for (const auto& field : expected->fields) {
        HWND control = GetDlgItem(dialog, field.controlId);
        std::string problem;
        if (!control)
            user.ReportProblem(where + " has no control " + std::to_string(field.controlId));
        else if (!EnterControlValue(control, field.value, &problem))
            user.ReportProblem(where + ", control " + std::to_string(field.controlId) + ": " +
                               problem);
        PumpPendingMessages();
    }
    user.LogDialog(*expected, true);
    if (HWND button = GetDlgItem(dialog, expected->button)) {
        if (!IsWindowEnabled(button))
            user.ReportProblem(where + ": button " + std::to_string(expected->button) +
                               " is disabled");
        else
            SendMessageW(button, BM_CLICK, 0, 0);
    } else {
        // Enter and Escape reach OK and Cancel without a button of that id.
        SendMessageW(dialog, WM_COMMAND,
                     MAKEWPARAM(static_cast<WORD>(expected->button), BN_CLICKED), 0);
    }
    if (!DialogEnded(dialog))
        user.ReportProblem(where + " stayed open after button " + std::to_string(expected->button) +
                           " was pressed");
}

void HeadlessBackend::ShowHelp(const std::u16string& helpFile) {
    ScriptedUser::Instance().AnswerHelp(helpFile);
}

bool HeadlessBackend::WaitForInput(int timeoutMs, std::span<const int> fds) {
    std::vector<pollfd> polls;
    for (int fd : fds)
        polls.push_back({fd, POLLIN, 0});
    const int ready = ::poll(polls.data(), polls.size(), timeoutMs);
    return ready > 0;
}

} // namespace ui
