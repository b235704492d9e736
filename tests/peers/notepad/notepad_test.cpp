// Notepad as a program: headless with the scripted user, and in a terminal.
#include "platform/ui/terminal_session.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace {

using terminaltest::Quoted;

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class Notepad : public ::testing::Test {
protected:
    void SetUp() override {
        machines = std::make_unique<testsupport::TempMachines>();
        file = machines->desktop() + "/read me.txt";
        std::ofstream(file, std::ios::binary) << "first line\nsecond line\n";
        script = machines->desktop() + "/script.txt";
        log = machines->desktop() + "/prompts.txt";
    }
    // The file as the desktop names it.
    std::string DesktopFile() const {
        std::string path = file;
        for (char& c : path)
            if (c == '/')
                c = '\\';
        return path;
    }
    // Runs notepad headless on the file with `lines` as the user's script;
    // returns its exit status.
    int Run(const std::string& lines) {
        std::ofstream(script, std::ios::binary) << lines;
        testsupport::ChildProcess child(
            "/bin/sh", {"-c", "JOTTERWICK_HEADLESS=1 JOTTERWICK_SCRIPT=" + Quoted(script) +
                                  " JOTTERWICK_PROMPT_LOG=" + Quoted(log) + " " +
                                  Quoted(testsupport::BuiltProgram("peers/notepad/notepad")) + " " +
                                  Quoted(DesktopFile()) + " 2>&1"});
        const int status = child.Wait();
        output = child.Output();
        return status;
    }
    std::unique_ptr<testsupport::TempMachines> machines;
    std::string file, script, log, output;
};

constexpr char kQuestion[] =
    "box\tNotepad\tThe text in the read me.txt file has changed.\\n\\nDo you want to save the "
    "changes?\t";

TEST_F(Notepad, OpensEditsSavesAndExits) {
    EXPECT_EQ(0, Run("dialog\tread me.txt - Notepad\tOK\t15=new text\\r\\nline two\n"
                     "dialog\tread me.txt - Notepad\tCancel\n"))
        << output;
    EXPECT_EQ("new text\r\nline two", Contents(file));
    // Both rounds were asked, nothing else.
    EXPECT_EQ("", Contents(script));
    EXPECT_EQ("dialog\tread me.txt - Notepad\tOK\t15=new text\\r\\nline two\n"
              "dialog\tread me.txt - Notepad\tCancel\n",
              Contents(log));
}

TEST_F(Notepad, ExitWithChangesAsksWhetherToSaveThem) {
    EXPECT_EQ(0, Run("dialog\tread me.txt - Notepad\tCancel\t15=kept\n" + std::string(kQuestion) +
                     "No\n"))
        << output;
    EXPECT_EQ("first line\nsecond line\n", Contents(file));
    EXPECT_EQ("", Contents(script));

    EXPECT_EQ(0, Run("dialog\tread me.txt - Notepad\tCancel\t15=saved\n" + std::string(kQuestion) +
                     "Yes\n"))
        << output;
    EXPECT_EQ("saved", Contents(file));
    EXPECT_EQ("", Contents(script));
}

TEST_F(Notepad, NeverEndsQuietlyWithUnsavedChanges) {
    // The user cancels the question and the script has nothing more: the
    // window is closed by the window system, and notepad says what was lost.
    EXPECT_EQ(1, Run("dialog\tread me.txt - Notepad\tCancel\t15=lost\n" + std::string(kQuestion) +
                     "Cancel\n"));
    EXPECT_NE(std::string::npos, output.find("notepad: closed without saving the changes to"))
        << output;
    EXPECT_EQ("first line\nsecond line\n", Contents(file));
}

TEST_F(Notepad, RefusesAFileThatIsNotTextAndChangesNothing) {
    std::ofstream(file, std::ios::binary) << std::string("\x7f"
                                                         "ELF\0\0",
                                                         6);
    EXPECT_EQ(1, Run(""));
    EXPECT_NE(std::string::npos, output.find("is not a text file")) << output;
    EXPECT_EQ(std::string("\x7f"
                          "ELF\0\0",
                          6),
              Contents(file));
}

TEST_F(Notepad, InATerminalEnterStartsALineTabReachesTheButtonsAndCtrlSSaves) {
    if (!terminaltest::TmuxInstalled())
        GTEST_SKIP() << "tmux is not installed";
    std::ofstream(file, std::ios::binary) << "";
    terminaltest::TmuxSession session(
        "notepad", "env -u JOTTERWICK_HEADLESS JOTTERWICK_DESKTOP=" + Quoted(machines->desktop()) +
                       " " + Quoted(testsupport::BuiltProgram("peers/notepad/notepad")) + " " +
                       Quoted(DesktopFile()));
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.WaitForScreen("read me.txt - Notepad")) << session.Screen();
    session.Type("one");
    session.Keys("Enter");
    session.Type("two");
    session.Keys("C-s");
    EXPECT_TRUE(testsupport::WaitFor([&] { return Contents(file) == "one\r\ntwo"; }))
        << Contents(file) << "\n"
        << session.Screen();
    // Tab leaves the text for Save, then Exit.
    session.Keys("Tab");
    session.Keys("Tab");
    session.Keys("Enter");
    EXPECT_TRUE(session.WaitForScreen("notepad ended 0")) << session.Screen();
}

} // namespace
