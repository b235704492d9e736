#include "desktop/setup/unattended_backend.h"

#include "platform/base/unicode.h"
#include "platform/ui/controls.h"
#include "platform/ui/message_box.h"

#include <poll.h>

#include <cstdio>
#include <vector>

int UnattendedBackend::ShowMessageBox(const ui::MessageBoxPrompt& prompt) {
    std::printf("%s\n", unicode::ToUtf8(prompt.text).c_str());
    std::fflush(stdout);
    return ui::DefaultMessageBoxButton(prompt.type);
}

void UnattendedBackend::RunModalDialog(HWND dialog, const std::u16string&) {
    if (HWND button = GetDlgItem(dialog, IDOK))
        SendMessageW(button, BM_CLICK, 0, 0);
}

bool UnattendedBackend::WaitForInput(int timeoutMs, std::span<const int> fds) {
    std::vector<pollfd> polls;
    for (int fd : fds)
        polls.push_back({fd, POLLIN, 0});
    return ::poll(polls.data(), polls.size(), timeoutMs) > 0;
}
