#include "device/sync/provider_module.h"

#include "platform/ce/wide_printf.h"
#include "platform/ui/winuser.h"

#include <cstdarg>

ProviderModule& Module() {
    static ProviderModule module;
    return module;
}

CEPROPID PartnerSyncTimeProp() {
    return Module().partnerBit == 1 ? PROPID_NOTE_SYNCTIME1 : PROPID_NOTE_SYNCTIME2;
}

bool SeekToNote(CEOID oid) {
    return oid != 0 && CeSeekDatabase(Module().database, CEDB_SEEK_CEOID, oid, nullptr) == oid;
}

bool MatchesSyncFilter(std::u16string_view categories) {
    const auto& filter = Module().SyncFilterList;
    for (const auto& name : SplitCategories(categories))
        for (const auto& entry : filter)
            if (name == entry)
                return true;
    return false;
}

DWORD SyncFilterError(std::u16string_view categories) {
    return SplitCategories(categories).empty() ? ERROR_SUCCESS : Module().filterError;
}

void TraceLine(DWORD traceSwitch, const char16_t* format, ...) {
    if (traceSwitch == 0)
        return;
    WCHAR line[512];
    va_list args;
    va_start(args, format);
    wvsprintfW(line, 512, format, args);
    va_end(args);
    if (HWND monitor = FindWindowW(u"TrailMonitor", nullptr))
        SetWindowTextW(monitor, line);
}
