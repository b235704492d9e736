#include "platform/base/status.h"
#include "platform/base/windef.h"

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
thread_local std::string t_lastErrorMessage;
} // namespace

DWORD GetLastError() {
    return t_lastError;
}
void SetLastError(DWORD error) {
    t_lastError = error;
    t_lastErrorMessage.clear();
}

namespace platform {

bool ReportFailure(const Status& status) {
    SetLastError(status.code());
    t_lastErrorMessage = status.message();
    return status.ok();
}

const std::string& LastErrorMessage() {
    return t_lastErrorMessage;
}

} // namespace platform
