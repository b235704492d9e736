#include "peers/activesync/fault_switch.h"

#include "platform/base/test_hold.h"

#include <cstdlib>
#include <unistd.h>

namespace jsync {

namespace {

std::uint64_t g_writes = 0;

// Only a test build reads the switches; a shipped jsync ignores them.
const char* Switch(const char* name) {
#ifdef JOTTERWICK_TEST_HOOKS
    return std::getenv(name);
#else
    (void)name;
    return nullptr;
#endif
}

std::uint64_t CrashAfter() {
    static const std::uint64_t limit = [] {
        const char* text = Switch("JOTTERWICK_JSYNC_CRASH_AFTER");
        char* end = nullptr;
        const unsigned long long value = text ? std::strtoull(text, &end, 10) : 0;
        return text && *text && end && *end == '\0' ? value : 0ull;
    }();
    return limit;
}

} // namespace

void DurableWriteDone() {
    ++g_writes;
    if (CrashAfter() != 0 && g_writes >= CrashAfter())
        _exit(kCrashExitStatus);
}

std::uint64_t DurableWriteCount() {
    return g_writes;
}

namespace {

void Hold(const char* name) {
    if (Switch(name))
        platform::TestHold(name);
}

} // namespace

void HoldAfterSurvey() {
    Hold("JOTTERWICK_JSYNC_HOLD");
}

void HoldBeforeHandheldWrite() {
    Hold("JOTTERWICK_JSYNC_HOLD_WRITE");
}

void HoldBeforeDesktopWrite() {
    Hold("JOTTERWICK_JSYNC_HOLD_DESKTOP_WRITE");
}

void HoldInSurvey() {
    Hold("JOTTERWICK_JSYNC_HOLD_SURVEY");
}

} // namespace jsync
