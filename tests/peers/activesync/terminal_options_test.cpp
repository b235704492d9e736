// jsync options in a terminal: the dialog drawn by the terminal back end on
// the desktop's window station, worked with the keyboard, and what it saved.
#include "jsync_fixture.h"
#include "platform/ui/terminal_session.h"

#include "platform/ce/window_station.h"
#include "platform/win32/machine.h"
#include "platform/win32/registry.h"

#include <memory>

using terminaltest::Quoted;

namespace jsynctest {
namespace {

TEST_F(JsyncFixture, OptionsInATerminalToggleActiveAndPickACategory) {
    if (!terminaltest::TmuxInstalled())
        GTEST_SKIP() << "tmux is not installed (scripts/install-deps.sh installs it)";
    ASSERT_EQ(ERROR_SUCCESS,
              win32::WriteRegistryText(HKEY_CURRENT_USER,
                                       "Software\\Microsoft\\Office\\10.0\\Outlook\\Categories",
                                       nullptr, "Work, Home"));
    ASSERT_EQ(ERROR_SUCCESS,
              win32::WriteRegistryText(HKEY_LOCAL_MACHINE,
                                       "Software\\Microsoft\\Office\\10.0\\Outlook", "Path", ""));
    const RunResult first = Jsync();
    ASSERT_EQ(0, first.status) << first.output;

    terminaltest::TmuxSession session(
        "jsync", "env -u JOTTERWICK_HEADLESS JOTTERWICK_HANDHELD=" + Quoted(machines->handheld()) +
                     " JOTTERWICK_DESKTOP=" + Quoted(machines->desktop()) + " " +
                     Quoted(testsupport::BuiltProgram("peers/activesync/jsync")) + " options");
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.WaitForScreen("Jotterwick Options")) << session.Screen();
    const std::string screen = session.Screen();
    // Every radio button shows whole, the longest "( ) Yellow Notes" too.
    for (const char* shown :
         {"Exclude colors", "(*) Nothing", "( ) Red Notes", "( ) Yellow Notes", "[ ] Active",
          "[x] <All Categories>", "[ ] Home", "[ ] Work", "60", "Auto Refresh", "Use individual",
          "MS Outlook Session", "[ OK ]", "[ Cancel ]"})
        EXPECT_NE(std::string::npos, screen.find(shown)) << shown << "\n" << screen;
    // A window of the desktop's station, not of the handheld's.
    EXPECT_NE(nullptr, win32::DesktopMachine().FindStationWindow(nullptr, u"Jotterwick Options"));
    EXPECT_EQ(nullptr, ce::FindStationWindow(nullptr, u"Jotterwick Options"));

    // From OK, eight Tabs reach "Active" (Cancel and the six colours first).
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(session.Keys("Tab"));
    ASSERT_TRUE(session.Keys("Space"));
    ASSERT_TRUE(session.WaitForScreen("[x] Active")) << session.Screen();
    ASSERT_TRUE(session.Keys("Tab"));
    ASSERT_TRUE(session.Keys("Down"));
    ASSERT_TRUE(session.Keys("Down"));
    ASSERT_TRUE(session.Keys("Space"));
    ASSERT_TRUE(session.WaitForScreen("[x] Work")) << session.Screen();
    ASSERT_TRUE(session.Keys("Enter"));
    ASSERT_TRUE(session.WaitForScreen("jsync ended 0")) << session.Screen();
    EXPECT_TRUE(session.WaitForScreen("loaded anew with the new options")) << session.Screen();

    EXPECT_EQ(1u, PartnerValue("RealTime"));
    EXPECT_EQ(60u, PartnerValue("RefreshDelay"));
    EXPECT_EQ("Work\t", PartnerText("FilterCat")) << "<All Categories> is not stored";
    EXPECT_EQ(0xFFFFFFFFu, PartnerValue("StopColor"));
}

} // namespace
} // namespace jsynctest
