// The installer in a terminal, as a person runs it: the system menu (F10)
// with its About entry, and Install with its messages.
#include "platform/ui/terminal_session.h"
#include "platform/win32/inf_directories.h"
#include "setup_fixture.h"

#include <cstdlib>
#include <fstream>

namespace {

using terminaltest::Quoted;

class SetupInTerminal : public setuptest::SetupTest {
protected:
    void SetUp() override {
        if (!terminaltest::TmuxInstalled())
            GTEST_SKIP() << "tmux is not installed";
        unsetenv("JOTTERWICK_HEADLESS");
    }
    std::string Command() const {
        return Quoted((dist / "setup").string()) + " --desktop " + Quoted(machines.desktop());
    }
};

TEST_F(SetupInTerminal, TheSystemMenusAboutEntryOpensTheAboutDialog) {
    terminaltest::TmuxSession session("setup", Command());
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.WaitForScreen("Jotterwick V1.02 Setup"));
    ASSERT_TRUE(session.Keys("F10"));
    ASSERT_TRUE(session.WaitForScreen("Info über setup..."));
    ASSERT_TRUE(session.Keys("o"));
    ASSERT_TRUE(session.WaitForScreen("setup, Version 1.0"));
    ASSERT_TRUE(session.Keys("Enter"));
    ASSERT_TRUE(session.WaitForNoScreen("setup, Version 1.0"));
    // The installer's dialog is still there: Escape cancels it.
    EXPECT_NE(std::string::npos, session.Screen().find("Jotterwick V1.02 Setup"));
    ASSERT_TRUE(session.Keys("Escape"));
    EXPECT_TRUE(session.WaitForScreen("setup ended 0"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(machines.desktop()) /
                                         "Program Files/Jotterwick"));
}

TEST_F(SetupInTerminal, InstallShowsTheInformationAndInstallsTheProvider) {
    terminaltest::TmuxSession session("setup", Command());
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.WaitForScreen("Jotterwick V1.02 Setup"));
    ASSERT_TRUE(session.Keys("Enter"));
    ASSERT_TRUE(session.WaitForScreen("Jotterwick will now be installed on your CE device."));
    ASSERT_TRUE(session.Keys("Enter"));
    ASSERT_TRUE(session.WaitForScreen("Error spanwning CEAppMgr!"));
    ASSERT_TRUE(session.Keys("Enter"));
    EXPECT_TRUE(session.WaitForScreen("setup ended 0"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(machines.desktop()) /
                                        "Program Files/Jotterwick/libjottapc.so"));
}

TEST_F(SetupInTerminal, ViewReadmeOpensNotepadInANewWindowAndTheDialogStays) {
    // A notepad that says whether it got a terminal of its own, then its arguments.
    const auto notepad = std::filesystem::path(machines.desktop()) / "Windows/System/notepad";
    std::filesystem::create_directories(notepad.parent_path());
    std::ofstream(notepad) << "#!/bin/sh\n{ if [ -t 0 ]; then echo terminal; else echo none; fi\n"
                              "for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > "
                              "\"$SETUP_TEST_RECORD.tmp\" && mv \"$SETUP_TEST_RECORD.tmp\" "
                              "\"$SETUP_TEST_RECORD\"\n";
    std::filesystem::permissions(notepad, std::filesystem::perms::owner_all);
    terminaltest::TmuxSession session("setup", Command());
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.WaitForScreen("Jotterwick V1.02 Setup"));
    // From Install to Cancel to View Readme, then press it.
    ASSERT_TRUE(session.Keys("Tab") && session.Keys("Tab") && session.Keys("Space"));
    // The path goes unquoted: notepad takes the rest of its command line.
    std::vector<std::string> recorded = Recorded();
    ASSERT_FALSE(recorded.empty());
    EXPECT_EQ("terminal", recorded.front()) << "notepad runs in a window of its own";
    std::string line;
    for (std::size_t i = 1; i < recorded.size(); ++i)
        line += (line.empty() ? "" : " ") + recorded[i];
    EXPECT_EQ(dist.string() + "\\readme.txt", line);
    EXPECT_TRUE(session.WaitForScreen("Jotterwick V1.02 Setup"));
    ASSERT_TRUE(session.Keys("Escape"));
    EXPECT_TRUE(session.WaitForScreen("setup ended 0"));
}

} // namespace
