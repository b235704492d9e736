// jsync options: the store's dialog answered by the scripted user in a jsync
// process, the options saved for the partnership, the store loaded anew when
// they need it, and the next synchronization going by them.
#include "jsync_fixture.h"

#include "platform/win32/registry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace jsynctest {
namespace {

class JsyncOptionsTest : public JsyncFixture {
protected:
    void SetUp() override {
        JsyncFixture::SetUp();
        script = machines->desktop() + "/script.txt";
        promptLog = machines->desktop() + "/prompts.txt";
        setenv("JOTTERWICK_SCRIPT", script.c_str(), 1);
        setenv("JOTTERWICK_PROMPT_LOG", promptLog.c_str(), 1);
        setenv("JOTTERWICK_HEADLESS", "1", 1);
    }
    void TearDown() override {
        unsetenv("JOTTERWICK_SCRIPT");
        unsetenv("JOTTERWICK_PROMPT_LOG");
        unsetenv("JOTTERWICK_HEADLESS");
        JsyncFixture::TearDown();
    }
    void Script(const std::string& line) { std::ofstream(script) << line << "\n"; }
    std::string Prompts() {
        std::ifstream in(promptLog);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string script;
    std::string promptLog;
};

TEST_F(JsyncOptionsTest, TheDialogSetsWhatTheNextSynchronizationLeavesOut) {
    ASSERT_EQ(ERROR_SUCCESS,
              win32::WriteRegistryText(HKEY_CURRENT_USER,
                                       "Software\\Microsoft\\Office\\10.0\\Outlook\\Categories",
                                       nullptr, "Work, Home"));
    ASSERT_EQ(ERROR_SUCCESS,
              win32::WriteRegistryText(HKEY_LOCAL_MACHINE,
                                       "Software\\Microsoft\\Office\\10.0\\Outlook", "Path", ""));
    AddDesktopNote("Red alert", NoteRed, "Work");
    AddDesktopNote("Work plan", NoteYellow, "Work");
    AddDesktopNote("Garden", NoteYellow, "Home");
    Tick();

    // Red notes and everything outside "Work" stay on the desktop.
    Script("dialog\tJotterwick Options\tOK\t1005=1\t1011=Work");
    RunResult run = Jsync({"options"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("loaded anew")) << "no reload needed";
    EXPECT_EQ(2u, PartnerValue("StopColor"));
    EXPECT_EQ("Work\t", PartnerText("FilterCat"));
    EXPECT_NE(std::string::npos, Prompts().find("dialog\tJotterwick Options\tOK")) << Prompts();
    // The dialog was a window of the desktop's station, not of the handheld's.
    EXPECT_TRUE(std::filesystem::exists(machines->desktop() + "/windows.db"));

    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ("3 [Work] Work plan\n", DeviceDump());

    // A new timer needs the store loaded anew, and jsync says so.
    Script("dialog\tJotterwick Options\tOK\t1007=1\t1012=45");
    run = Jsync({"options"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find("loaded anew with the new options: it asks for a refresh every 45 s"))
        << run.output;
    EXPECT_EQ(1u, PartnerValue("RealTime"));
    EXPECT_EQ(45u, PartnerValue("RefreshDelay"));
    EXPECT_EQ("Work\t", PartnerText("FilterCat")) << "the selection came back selected";
    EXPECT_EQ(2u, PartnerValue("StopColor"));
}

TEST_F(JsyncOptionsTest, CancelLeavesThePartnershipAsItWas) {
    AddDesktopNote("Red alert", NoteRed);
    Tick();
    ASSERT_EQ(0, Jsync().status);
    SetPartnerValue("StopColor", 0xFFFFFFFF);
    Script("dialog\tJotterwick Options\tCancel\t1005=1\t1007=1");
    const RunResult run = Jsync({"options"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(0xFFFFFFFFu, PartnerValue("StopColor"));
    EXPECT_EQ(std::nullopt, PartnerValue("RealTime"));
    EXPECT_EQ("", run.output);
}

} // namespace
} // namespace jsynctest
