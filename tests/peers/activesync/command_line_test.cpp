#include "peers/activesync/command_line.h"

#include <gtest/gtest.h>

using namespace jsync;

TEST(CommandLine, AcceptedArguments) {
    std::string error;
    auto options = ParseCommandLine({"--handheld", "/h", "--desktop", "/d", "--partner", "2",
                                     "--prefer", "device", "--allow-mass-delete"},
                                    &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(Command::Synchronize, options->command);
    EXPECT_EQ("/h", *options->handheld);
    EXPECT_EQ("/d", *options->desktop);
    EXPECT_EQ(2u, *options->partner);
    EXPECT_EQ(ConflictPolicy::PreferDevice, options->policy);
    EXPECT_TRUE(options->allowMassDelete);
    EXPECT_FALSE(options->dryRun);

    options = ParseCommandLine({"--prefer", "desktop", "--dry-run"}, &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(ConflictPolicy::PreferDesktop, options->policy);
    EXPECT_TRUE(options->dryRun);
    EXPECT_FALSE(options->partner);

    options = ParseCommandLine({"--desktop", "/d", "options"}, &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(Command::Options, options->command);

    options = ParseCommandLine({"--handheld", "/h", "partners"}, &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(Command::Partners, options->command);
    options = ParseCommandLine({"--handheld", "/h", "status", "--desktop", "/d"}, &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(Command::Status, options->command);
    EXPECT_EQ("/d", *options->desktop);

    options = ParseCommandLine({"forget", "--partner", "2"}, &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(Command::Forget, options->command);
    EXPECT_EQ(2u, *options->partner);
}

TEST(CommandLine, RefusedArguments) {
    const std::vector<std::vector<std::string>> refused = {
        {"--partner", "3"},
        {"--partner"},
        {"--prefer", "both"},
        {"--handheld"},
        {"--handheld", ""},
        {"--frobnicate"},
        {"options", "--dry-run"},
        {"--watch", "--dry-run"},
        {"options", "options"},
        {"sync"},
        {"forget"},
        {"forget", "--partner", "1", "--desktop", "/d"},
        {"partners", "--partner", "1"},
        {"partners", "--dry-run"},
        {"partners", "forget"},
        {"status", "--partner", "1"},
        {"status", "--dry-run"},
        {"status", "--watch"},
        {"status", "options"},
    };
    for (const auto& args : refused) {
        std::string error;
        EXPECT_FALSE(ParseCommandLine(args, &error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}
