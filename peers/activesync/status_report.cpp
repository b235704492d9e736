#include "peers/activesync/status_report.h"

#include "peers/activesync/partner_slots.h"
#include "platform/base/kernel.h"
#include "platform/ce/machine.h"
#include "platform/win32/machine.h"

namespace jsync {

namespace {

std::string TimeText(const std::optional<FILETIME>& when) {
    SYSTEMTIME st{};
    if (!when || !FileTimeToSystemTime(&*when, &st))
        return "never";
    char text[40];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", st.wYear, st.wMonth,
                  st.wDay, st.wHour, st.wMinute, st.wSecond);
    return text;
}

} // namespace

void PrintStanding(std::FILE* out, const Session::Standing& s, bool partnered) {
    const PassCounts& c = s.waiting;
    if (partnered)
        std::fprintf(out, "This desktop is partner %u of the handheld.\n", s.partnerBit);
    else
        std::fprintf(out,
                     "This desktop is not a partner of the handheld yet; its first "
                     "synchronization takes partner slot %u.\n",
                     s.partnerBit);
    std::fprintf(out, "  Object type:          %s, synchronized with %s\n", s.typeName.c_str(),
                 s.syncText.c_str());
    std::fprintf(out, "  Last synchronization: %s\n", TimeText(s.lastPass).c_str());
    std::fprintf(out, "  Waiting on the handheld: %zu (%zu new, %zu changed, %zu deleted)\n",
                 c.sentNew + c.sentChanged + c.deletedOnDesktop, c.sentNew, c.sentChanged,
                 c.deletedOnDesktop);
    std::fprintf(out, "  Waiting on the desktop:  %zu (%zu new, %zu changed, %zu deleted)\n",
                 c.receivedNew + c.receivedChanged + c.deletedOnDevice, c.receivedNew,
                 c.receivedChanged, c.deletedOnDevice);
    std::fprintf(out, "  Changed on both sides:   %zu\n", c.conflicts);
    std::fprintf(out, "  Left out by the filters: %zu on the handheld, %zu on the desktop\n",
                 c.leftOutOnDevice, c.leftOutOnDesktop);
}

platform::Status ReportStatus(const Options& options, std::FILE* out) {
    if (options.handheld)
        ce::SetHandheldDirectory(*options.handheld);
    if (options.desktop)
        win32::SetDesktopDirectory(*options.desktop);
    JW_RETURN_IF_FAILED(ListPartners(ce::ChosenHandheldDirectory(), out));
    // A dry run works on copies of both machines: nothing here is changed.
    Options dry = options;
    dry.dryRun = true;
    JW_ASSIGN_OR_RETURN(auto session, Session::Open(dry));
    JW_ASSIGN_OR_RETURN(auto standing, session->Describe());
    PrintStanding(out, standing, session->Partnered());
    return platform::Status();
}

} // namespace jsync
