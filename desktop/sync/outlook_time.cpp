#include "desktop/sync/outlook_time.h"

#include "platform/base/kernel.h"

FILETIME FileTimeFromOutlookDate(DATE date) {
    SYSTEMTIME systemTime{};
    FILETIME fileTime{};
    if (!VariantTimeToSystemTime(date, &systemTime) ||
        !SystemTimeToFileTime(&systemTime, &fileTime))
        return FILETIME{};
    return fileTime;
}
