#include "desktop/sync/dispatch_error_report.h"

#include "platform/activesync/replstore.h"
#include "platform/win32/message_box.h"

#include <cstdio>

namespace {
constexpr std::size_t kReportSize = 1024;
constexpr UINT kOkButtonOnly = 0; // MB_OK
} // namespace

std::string DispatchErrorText(const AutomationException& error) {
    char text[kReportSize];
    std::snprintf(text, sizeof text, "Number: %i\nDesc: %s", static_cast<int>(error.Code()),
                  error.Description().c_str());
    return text;
}

void ShowDispatchError(const AutomationException& error, IReplNotify* notify,
                       ReportNotFound reportNotFound) {
    if (error.Code() == kItemNotFoundCode && reportNotFound == ReportNotFound::No)
        return;
    HWND owner = notify != nullptr ? notify->GetWindow(0) : nullptr;
    MessageBoxA(owner, DispatchErrorText(error).c_str(), "OleDispatchException", kOkButtonOnly);
}
