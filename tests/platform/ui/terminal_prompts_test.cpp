// Prompts of the terminal back end, shown by a helper program in tmux:
// message boxes answered by arrows, Enter, letters and Escape; the file
// dialog's name field; the help viewer.
#include "support/machine.h"
#include "terminal_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using terminaltest::Quoted;

namespace {

class TerminalPromptsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!terminaltest::TmuxInstalled())
            GTEST_SKIP() << "tmux is not installed (scripts/install-deps.sh installs it)";
        answers = machines.handheld() + "/answers.txt";
    }

    // Starts the helper with `prompts` (its arguments after the answer file).
    void Start(const std::vector<std::string>& prompts) {
        std::string command = "env JOTTERWICK_HANDHELD=" + Quoted(machines.handheld()) + " " +
                              Quoted(UI_PROMPT_HELPER) + " --terminal " + Quoted(answers);
        for (const auto& p : prompts)
            command += " " + Quoted(p);
        session = std::make_unique<terminaltest::TmuxSession>("helper", command);
        ASSERT_TRUE(session->started());
    }
    // The answers once the helper has ended.
    std::string Answers() {
        EXPECT_TRUE(session->WaitForScreen("helper ended 0")) << session->Screen();
        std::ifstream in(answers);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void Keys(const std::string& keys) { ASSERT_TRUE(session->Keys(keys)); }

    testsupport::TempMachines machines;
    std::string answers;
    std::unique_ptr<terminaltest::TmuxSession> session;
};

TEST_F(TerminalPromptsTest, MessageBoxesAreAnsweredByKeys) {
    // MB_YESNO | MB_ICONQUESTION, MB_OK, MB_YESNOCANCEL | MB_DEFBUTTON2,
    // MB_ABORTRETRYIGNORE, MB_OKCANCEL.
    Start({"box:Quillmarks:Sure to delete?:36", "box:Quillmarks:Not Found:0",
           "box:Quillmarks:Save changes?:259", "box:Disk:Cannot write:2", "box:Question:Go on?:1"});
    ASSERT_TRUE(session->WaitForScreen("Sure to delete?")) << session->Screen();
    const std::string box = session->Screen();
    EXPECT_NE(std::string::npos, box.find("Quillmarks")) << box;
    EXPECT_NE(std::string::npos, box.find("[ Yes ]  [ No ]")) << box;
    EXPECT_NE(std::string::npos, box.find("└")) << box;
    Keys("Right");
    Keys("Enter"); // No
    ASSERT_TRUE(session->WaitForScreen("Not Found")) << session->Screen();
    Keys("Escape"); // OK alone: Escape is OK
    ASSERT_TRUE(session->WaitForScreen("Save changes?")) << session->Screen();
    Keys("Enter"); // the second button is the default: No
    ASSERT_TRUE(session->WaitForScreen("Cannot write")) << session->Screen();
    Keys("Escape"); // no Cancel and no No: Escape chooses nothing
    EXPECT_TRUE(session->WaitForScreen("[ Abort ]")) << session->Screen();
    Keys("r"); // a button's first letter
    ASSERT_TRUE(session->WaitForScreen("Go on?")) << session->Screen();
    Keys("Escape"); // Cancel
    EXPECT_EQ("7\n1\n7\n4\n2\n", Answers());
}

TEST_F(TerminalPromptsTest, LongTextWrapsInsideTheScreen) {
    const std::string text(60, 'a');
    Start({"box:Long:" + text + " " + text + " end:0"});
    ASSERT_TRUE(session->WaitForScreen("end")) << session->Screen();
    const std::string screen = session->Screen();
    EXPECT_NE(std::string::npos, screen.find(text)) << screen;
    // Every line fits the 100 columns, the box's frame included.
    std::istringstream lines(screen);
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(std::string::npos, line.find(text + " " + text)) << line;
    Keys("Enter");
    EXPECT_EQ("1\n", Answers());
}

// The cells a line of the screen takes up to byte `end`: ideographs, kana,
// hangul and fullwidth forms two each, every other character one.
int CellsBefore(const std::string& line, std::size_t end) {
    int cells = 0;
    for (std::size_t i = 0; i < end && i < line.size();) {
        const auto lead = static_cast<unsigned char>(line[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + k < line.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(line[i + k]) & 0x3F);
        const bool wide = (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                          (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFF60);
        cells += wide ? 2 : 1;
        i += static_cast<std::size_t>(length);
    }
    return cells;
}

TEST_F(TerminalPromptsTest, WideTextStaysInsideItsBox) {
    const std::string text = "このメモを削除しますか";
    Start({"box:確認:" + text + ":0"});
    ASSERT_TRUE(session->WaitForScreen(text)) << session->Screen();
    int titleRow = -1, textRow = -1;
    for (int row = 0; row < 30; ++row) {
        const std::string line = session->Line(row);
        if (line.find("確認") != std::string::npos)
            titleRow = row;
        if (line.find(text) != std::string::npos)
            textRow = row;
    }
    ASSERT_GE(titleRow, 0) << session->Screen();
    ASSERT_GT(textRow, titleRow) << session->Screen();
    // The right edge of the frame is in one column on the title's row and the text's.
    const std::string top = session->Line(titleRow), middle = session->Line(textRow);
    const std::size_t corner = top.find("\u2510"), edge = middle.rfind("\u2502");
    ASSERT_NE(std::string::npos, corner) << session->Screen();
    ASSERT_NE(std::string::npos, edge) << session->Screen();
    EXPECT_GT(edge, middle.find(text)) << session->Screen();
    EXPECT_EQ(CellsBefore(top, corner), CellsBefore(middle, edge)) << session->Screen();
    EXPECT_EQ(CellsBefore(top, top.find("\u250C")), CellsBefore(middle, middle.find("\u2502")))
        << session->Screen();
    Keys("Enter");
    EXPECT_EQ("1\n", Answers());
}

TEST_F(TerminalPromptsTest, FileDialogTakesATypedName) {
    Start({"save:Export Note", "open:Import Note"});
    ASSERT_TRUE(session->WaitForScreen("Export Note")) << session->Screen();
    EXPECT_NE(std::string::npos, session->Screen().find("My Documents")) << session->Screen();
    Keys("Enter"); // no name yet: the dialog stays
    ASSERT_TRUE(session->Keys("-l notes.txq"));
    Keys("BSpace");
    ASSERT_TRUE(session->Keys("-l t"));
    ASSERT_TRUE(session->WaitForScreen("notes.txt")) << session->Screen();
    Keys("Enter");
    ASSERT_TRUE(session->WaitForScreen("Import Note")) << session->Screen();
    ASSERT_TRUE(session->Keys("-l old.txt"));
    Keys("Escape");
    EXPECT_EQ("notes.txt\n(cancel)\n", Answers());
}

TEST_F(TerminalPromptsTest, FileDialogListsTheFilesOfItsFilter) {
    const std::filesystem::path folder = machines.handheld() + "/My Documents";
    std::filesystem::create_directories(folder / "folder.txt");
    for (const char* file : {"b.txt", "a.TXT", "c.doc"})
        std::ofstream(folder / file) << "x";
    Start({"open:Import Note:Text Files (*.txt)|*.txt;*.text|All Files|*.*|"});
    ASSERT_TRUE(session->WaitForScreen("Type: Text Files (*.txt)")) << session->Screen();
    const std::string screen = session->Screen();
    // Files of the first filter, in any case, sorted; no folders.
    const std::size_t a = screen.find("a.TXT"), b = screen.find("b.txt");
    ASSERT_NE(std::string::npos, a) << screen;
    ASSERT_NE(std::string::npos, b) << screen;
    EXPECT_LT(a, b) << screen;
    EXPECT_EQ(std::string::npos, screen.find("c.doc")) << screen;
    EXPECT_EQ(std::string::npos, screen.find("folder.txt")) << screen;
    Keys("Down"); // a.TXT
    Keys("Down"); // b.txt
    Keys("Down"); // stays on the last
    Keys("Up");
    Keys("Enter");
    EXPECT_EQ("a.TXT\n", Answers());
}

TEST_F(TerminalPromptsTest, HelpViewerScrollsAFileAndClosesByEscapeOrQ) {
    const std::string file = machines.handheld() + "/notes.htc";
    {
        std::ofstream help(file);
        help << "JOTTERWICK-HELP 1\n= First heading\n";
        for (int i = 1; i <= 100; ++i)
            help << "  line " << (i < 10 ? "00" : i < 100 ? "0" : "") << i << "\n";
        help << "= Last heading\n";
    }
    Start({"help:" + file, "help:" + file});
    ASSERT_TRUE(session->WaitForScreen("First heading")) << session->Screen();
    EXPECT_NE(std::string::npos, session->Screen().find("line 001")) << session->Screen();
    EXPECT_EQ(std::string::npos, session->Screen().find("Last heading")) << session->Screen();
    // 27 rows inside the box: a page moves 26 lines on.
    Keys("NPage");
    ASSERT_TRUE(session->WaitForNoScreen("First heading")) << session->Screen();
    EXPECT_NE(std::string::npos, session->Screen().find("line 026")) << session->Screen();
    Keys("End");
    ASSERT_TRUE(session->WaitForScreen("Last heading")) << session->Screen();
    EXPECT_NE(std::string::npos, session->Screen().find("lines 78-104 of 104"))
        << session->Screen();
    Keys("Up");
    ASSERT_TRUE(session->WaitForScreen("lines 77-103 of 104")) << session->Screen();
    Keys("Home");
    ASSERT_TRUE(session->WaitForScreen("First heading")) << session->Screen();
    Keys("Enter"); // not a key of the viewer
    Keys("Escape");
    ASSERT_TRUE(session->WaitForScreen("lines 1-27 of 104")) << session->Screen(); // the second
    Keys("q");
    EXPECT_EQ("help\nhelp\n", Answers());
}

TEST_F(TerminalPromptsTest, HelpThatCannotBeShownSaysWhy) {
    const std::string damaged = machines.handheld() + "/damaged.htc";
    std::ofstream(damaged) << "JOTTERWICK-HELP 1\n= Title\nbad \xff byte\n";
    Start({"help:" + machines.handheld() + "/missing.htc", "help:" + damaged});
    ASSERT_TRUE(session->WaitForScreen("is not installed")) << session->Screen();
    EXPECT_NE(std::string::npos, session->Screen().find("missing.htc")) << session->Screen();
    Keys("Enter");
    ASSERT_TRUE(session->WaitForScreen("line 3: not UTF-8 text")) << session->Screen();
    Keys("Enter");
    EXPECT_EQ("help\nhelp\n", Answers());
}

} // namespace
