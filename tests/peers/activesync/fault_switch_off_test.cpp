// jsync built without the test hooks: its fault switches are set in the
// environment, and nothing happens.
#include "peers/activesync/fault_switch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(FaultSwitchesOfAShippedJsync, AreIgnored) {
    const std::string hold =
        (std::filesystem::temp_directory_path() / ("hold-" + std::to_string(getpid()))).string();
    std::ofstream(hold).put('\n');
    setenv("JOTTERWICK_JSYNC_CRASH_AFTER", "1", 1);
    setenv("JOTTERWICK_JSYNC_HOLD", hold.c_str(), 1);

    // A test build would end the process here, and hold ten seconds below.
    jsync::DurableWriteDone();
    jsync::DurableWriteDone();
    EXPECT_EQ(2u, jsync::DurableWriteCount());
    jsync::HoldAfterSurvey();
    EXPECT_FALSE(std::filesystem::exists(hold + ".held"));

    std::filesystem::remove(hold);
    unsetenv("JOTTERWICK_JSYNC_CRASH_AFTER");
    unsetenv("JOTTERWICK_JSYNC_HOLD");
}

} // namespace
