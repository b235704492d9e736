// The notes program in a real terminal: `jotta` runs in a tmux session of
// 100 x 30 cells on a fresh handheld; the test types keys and reads back what
// the screen shows.
#include "support/Machine.h"

#include "platform/ce/window_station.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

// Runs a shell command; its standard output, or nullopt when it failed.
std::optional<std::string> Shell(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string out;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    return pclose(pipe) == 0 ? std::optional(out) : std::nullopt;
}

std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class TerminalJottaTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Shell("command -v tmux"))
            GTEST_SKIP() << "tmux is not installed (scripts/install-deps.sh installs it)";
        // A server of our own, so the user's tmux sessions are never touched.
        tmux = "tmux -L jotterwick-terminal-test-" + std::to_string(getpid());
        ceutil = testsupport::BuiltProgram("tools/ceutil/ceutil");
        // No 7-second sponsor banner on this start.
        ASSERT_TRUE(Shell(ceutil + " --handheld " + Quoted(machines.handheld()) +
                          " reg set HKCU 'Software\\Jotterwick\\Quillmarks\\Common' BannerCount"
                          " --dword 2"));
        const std::string jotta = testsupport::BuiltProgram("device/app/jotta");
        // After the program ends the shell says how, and the pane stays for reading.
        const std::string inner =
            "env -u JOTTERWICK_HEADLESS JOTTERWICK_HANDHELD=" + Quoted(machines.handheld()) + " " +
            Quoted(jotta) + "; echo \"jotta ended $?\"; sleep 60";
        ASSERT_TRUE(Shell(tmux + " new-session -d -s jotta -x 100 -y 30 " + Quoted(inner)));
        started = true;
        // Up once the command bar and the status line show.
        ASSERT_TRUE(testsupport::WaitFor([&] {
            const std::string screen = Screen();
            return screen.find("[New]") != std::string::npos &&
                   screen.find("F10 menu") != std::string::npos;
        })) << Screen();
    }
    void TearDown() override {
        if (started)
            Shell(tmux + " kill-server");
    }

    std::string Screen() { return Shell(tmux + " capture-pane -p -t jotta").value_or(""); }
    // Line `row` of the screen (0: the top line).
    std::string Line(int row) {
        std::istringstream in(Screen());
        std::string line;
        for (int i = 0; i <= row && std::getline(in, line); ++i) {
        }
        return line;
    }
    bool WaitForScreen(const std::string& text) {
        return testsupport::WaitFor([&] { return Screen().find(text) != std::string::npos; });
    }
    bool WaitForLine(int row, const std::string& start) {
        return testsupport::WaitFor([&] { return Line(row).rfind(start, 0) == 0; });
    }
    // Keys by tmux name (C-n, Enter, F10 ...), then a pause so that each is
    // handled before the next arrives.
    void Keys(const std::string& keys) {
        ASSERT_TRUE(Shell(tmux + " send-keys -t jotta " + keys));
        usleep(300 * 1000);
    }
    void Type(const std::string& text) {
        ASSERT_TRUE(Shell(tmux + " send-keys -t jotta -l " + Quoted(text)));
        usleep(300 * 1000);
    }
    std::string Dump() {
        return Shell(ceutil + " --handheld " + Quoted(machines.handheld()) +
                     " dump 'Jotterwick Database'")
            .value_or("");
    }

    testsupport::TempMachines machines;
    std::string tmux;
    std::string ceutil;
    bool started = false;
};

TEST_F(TerminalJottaTest, StartsWithTheFrameAndAnEmptyList) {
    const std::string bar = Line(0);
    for (const char* part : {"Note", "Edit", "View", "Extras", "Help", "[New]", "[Save]", "[?]"})
        EXPECT_NE(std::string::npos, bar.find(part)) << part << " in: " << bar;
    // No note yet: the list and the editor are blank.
    EXPECT_EQ("", Line(1).substr(0, Line(1).find_last_not_of(' ') + 1));
    EXPECT_NE(std::string::npos, Line(29).find("F10 menu"));
}

TEST_F(TerminalJottaTest, NewNoteIsTypedAndSaved) {
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    Type("Shopping list");
    Keys("Enter");
    Type("milk and eggs");
    Keys("C-s");
    // The list shows the new title; the editor beside it shows the text.
    ASSERT_TRUE(WaitForLine(1, "Shopping list")) << Screen();
    EXPECT_NE(std::string::npos, Line(2).find("milk and eggs")) << Screen();
    EXPECT_NE(std::string::npos, Dump().find("\"Shopping list\\r\\nmilk and eggs\"")) << Dump();
}

TEST_F(TerminalJottaTest, SaveChangesBoxIsAnsweredByKeys) {
    Keys("C-n");
    Type("Groceries");
    Keys("C-s");
    ASSERT_TRUE(WaitForLine(1, "Groceries")) << Screen();
    Type(" and bread");
    Keys("C-n");
    ASSERT_TRUE(WaitForScreen("Save changes?")) << Screen();
    const std::string box = Screen();
    EXPECT_NE(std::string::npos, box.find("[ Yes ]")) << box;
    EXPECT_NE(std::string::npos, box.find("[ Cancel ]")) << box;
    EXPECT_NE(std::string::npos, box.find("┌")) << box;
    // Escape is Cancel: the edit stays, unsaved.
    Keys("Escape");
    ASSERT_TRUE(
        testsupport::WaitFor([&] { return Screen().find("Save changes?") == std::string::npos; }));
    EXPECT_NE(std::string::npos, Screen().find("Groceries and bread")) << Screen();
    EXPECT_EQ(std::string::npos, Dump().find("and bread"));
    // Asked again, N is No: the edit is dropped and the new note comes.
    Keys("C-n");
    ASSERT_TRUE(WaitForScreen("Save changes?")) << Screen();
    Keys("n");
    ASSERT_TRUE(WaitForScreen("<New Note>")) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find("Save changes?"));
    EXPECT_EQ(std::string::npos, Dump().find("and bread"));
    EXPECT_NE(std::string::npos, Dump().find("\"Groceries\"")) << Dump();
}

TEST_F(TerminalJottaTest, ExitFromTheMenuGivesTheTerminalBack) {
    Keys("F10");
    ASSERT_TRUE(WaitForScreen("Ctrl+N")) << Screen();
    EXPECT_NE(std::string::npos, Screen().find("Exit")) << Screen();
    Keys("Up"); // from the first item round to the last, Exit
    Keys("Enter");
    ASSERT_TRUE(WaitForScreen("jotta ended 0")) << Screen();
    // The program's screen is gone: the shell's screen is back.
    EXPECT_EQ(std::string::npos, Screen().find("F10 menu")) << Screen();
}

TEST_F(TerminalJottaTest, CloseFromAnotherProcessGivesTheTerminalBack) {
    HWND frame = nullptr;
    ASSERT_TRUE(
        testsupport::WaitFor([&] { return (frame = FindWindowW(nullptr, u"Jotterwick")); }));
    ASSERT_TRUE(PostMessageW(frame, WM_CLOSE, 0, 0));
    ASSERT_TRUE(WaitForScreen("jotta ended 0")) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find("F10 menu")) << Screen();
}

TEST_F(TerminalJottaTest, TerminationGivesTheTerminalBack) {
    ASSERT_TRUE(Shell(tmux + " send-keys -t jotta C-n"));
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    // The program is the only child of the pane's shell.
    const auto shell = Shell(tmux + " list-panes -t jotta -F '#{pane_pid}'");
    ASSERT_TRUE(shell);
    const auto program = Shell("ps -o pid= --ppid " + std::to_string(std::stoi(*shell)));
    ASSERT_TRUE(program);
    ASSERT_EQ(0, kill(std::stoi(*program), SIGTERM));
    ASSERT_TRUE(WaitForScreen("jotta ended 143")) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find("F10 menu")) << Screen();
}

} // namespace
