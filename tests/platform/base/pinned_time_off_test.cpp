// The clock of a program built without the test hooks: $JOTTERWICK_PINNED_TIME
// is set as the process starts, and the clock runs on.
#include "platform/base/kernel.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Set before main, as a test that starts a program sets it.
const bool g_pinnedInEnvironment = setenv("JOTTERWICK_PINNED_TIME", "133000000000000000", 1) == 0;

TEST(PinnedTimeOfAShippedProgram, IsIgnored) {
    ASSERT_TRUE(g_pinnedInEnvironment);
    SYSTEMTIME st{};
    GetSystemTime(&st);
    FILETIME ft{};
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    EXPECT_NE(133000000000000000ull, ticks / 10000 * 10000) << "the clock is pinned";
    EXPECT_GE(st.wYear, 2024);
}

} // namespace
