// Removing the desktop part through the INF's uninstall section.
#include "desktop/setup/uninstall.h"

#include "platform/base/status.h"
#include "platform/win32/setupapi.h"

namespace {

constexpr char kUninstallSection[] = "DesktopUninstall";

std::string LastProblem(const std::string& what) {
    const std::string& reason = platform::LastErrorMessage();
    return what +
           (reason.empty() ? " (error " + std::to_string(GetLastError()) + ")" : ": " + reason);
}

} // namespace

int UninstallDesktop(const std::string& folder, std::string* problem) {
    const std::string inf = folder + "\\Jottapc.inf";
    HINF hInf = SetupOpenInfFileA(inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    if (hInf == INVALID_HANDLE_VALUE) {
        *problem = LastProblem("cannot read " + inf);
        return 1;
    }
    int result = 0;
    void* context = SetupInitDefaultQueueCallback(nullptr);
    if (!SetupInstallFromInfSectionA(
            nullptr, hInf, kUninstallSection, SPINST_REGISTRY | SPINST_INIFILES | SPINST_FILES,
            nullptr, folder.c_str(), 0, SetupDefaultQueueCallbackA, context, nullptr, nullptr)) {
        *problem = LastProblem("cannot remove Jotterwick's desktop part");
        result = 1;
    }
    SetupTermDefaultQueueCallback(context);
    SetupCloseInfFile(hInf);
    return result;
}
