// What the notes program's screen shows in a real terminal: wide characters
// at their width, the divider between the panes, the layout after a resize,
// and a paste arriving whole.
#include "device/app/terminal_jotta_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using terminaltest::TerminalJottaTest;

constexpr char kHorizontalDivider[] = "\u2500";

// The screen column of byte `pos` of a line whose characters before it are
// one cell each (UTF-8: every byte that does not continue a character).
int ColumnOf(const std::string& line, std::size_t pos) {
    int column = 0;
    for (std::size_t i = 0; i < pos && i < line.size(); ++i)
        column += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80 ? 1 : 0;
    return column;
}

// How many times `piece` occurs in `line`.
int Count(const std::string& line, const std::string& piece) {
    int n = 0;
    for (std::size_t at = line.find(piece); at != std::string::npos;
         at = line.find(piece, at + piece.size()))
        ++n;
    return n;
}

TEST_F(TerminalJottaTest, AWideTitleStaysInTheListAndTheDividerKeepsItsPlace) {
    // Thirteen ideographs: 26 cells, more than the list's 19.
    const std::string title = "日本語のタイトルは長すぎます";
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    Type(title);
    Keys("Enter");
    Type("abc");
    Keys("C-s");
    ASSERT_TRUE(testsupport::WaitFor([&] {
        return Line(1).find("<New Note>") == std::string::npos;
    })) << Screen();
    // The list shows as much of the title as fits, nothing of it spills into
    // the editor, which shows the whole title.
    EXPECT_EQ(title.substr(0, 9 * 3), ListLine(1)) << Screen();
    EXPECT_EQ(title, Editor()) << Screen();
    EXPECT_EQ("abc", Panes(2).second) << Screen();
    // The divider stands in the same column on every row between the command
    // bar and the status line, whatever the rows hold: on the title's row
    // nine ideographs (18 cells), and a blank where the tenth would be cut.
    for (int row = 1; row < 29; ++row) {
        const std::string line = Line(row);
        const std::size_t at = line.find(kDivider);
        ASSERT_NE(std::string::npos, at) << "row " << row << ":\n" << Screen();
        if (row == 1)
            EXPECT_EQ(title.substr(0, 9 * 3) + " ", line.substr(0, at)) << Screen();
        else
            EXPECT_EQ(19, ColumnOf(line, at)) << "row " << row << ":\n" << Screen();
        EXPECT_EQ(1, Count(line, kDivider)) << "row " << row;
    }
}

TEST_F(TerminalJottaTest, AResizeFromWideToTallPutsTheListAboveTheEditor) {
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    Type("Groceries");
    Keys("C-s");
    ASSERT_TRUE(testsupport::WaitFor([&] { return Editor() == "Groceries"; })) << Screen();
    ASSERT_TRUE(session->Resize(60, 40));
    // Tall: the list on top, a line across, the editor below it.
    std::string across;
    for (int i = 0; i < 60; ++i)
        across += kHorizontalDivider;
    int dividerRow = -1;
    ASSERT_TRUE(testsupport::WaitFor([&] {
        for (int row = 1; row < 39; ++row)
            if (Line(row) == across)
                dividerRow = row;
        return dividerRow > 0;
    })) << Screen();
    EXPECT_EQ("Groceries", Line(1)) << Screen();
    EXPECT_EQ("Groceries", Line(dividerRow + 1)) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find(kDivider)) << Screen();
    // Wide again: side by side, the divider upright.
    ASSERT_TRUE(session->Resize(100, 30));
    ASSERT_TRUE(testsupport::WaitFor([&] { return Editor() == "Groceries"; })) << Screen();
    EXPECT_EQ("Groceries", ListLine(1)) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find(across)) << Screen();
}

TEST_F(TerminalJottaTest, AnOpenDialogIsCentredAgainAfterAResize) {
    Keys("C-n");
    Keys("M-n");
    Keys("i");
    ASSERT_TRUE(WaitForScreen("Note Infos")) << Screen();
    // The columns of the dialog's left and right edges on the row of its title.
    const auto edges = [&]() -> std::pair<int, int> {
        for (int row = 0; row < 40; ++row) {
            const std::string line = Line(row);
            const std::size_t left = line.find("\u250C"), right = line.find("\u2510");
            if (left != std::string::npos && right != std::string::npos &&
                line.find("Note Infos") != std::string::npos)
                return {ColumnOf(line, left), ColumnOf(line, right)};
        }
        return {-1, -1};
    };
    const auto centred = [&](int cols) {
        const auto [left, right] = edges();
        return left >= 0 && std::abs(left - (cols - 1 - right)) <= 1;
    };
    ASSERT_TRUE(centred(100)) << Screen();
    ASSERT_TRUE(session->Resize(120, 40));
    EXPECT_TRUE(testsupport::WaitFor([&] { return centred(120); })) << Screen();
    ASSERT_TRUE(session->Resize(70, 30));
    EXPECT_TRUE(testsupport::WaitFor([&] { return centred(70); })) << Screen();
    // Still the dialog, and Escape still closes it.
    Keys("Escape");
    EXPECT_TRUE(WaitForNoScreen("Note Infos")) << Screen();
}

TEST_F(TerminalJottaTest, ALongPasteArrivesWholeAsOneInsertion) {
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    // 45 KB of lines, LF-separated as a clipboard holds them: typed one key at
    // a time this would take minutes.
    std::string text, stored;
    for (int i = 0; i < 800; ++i) {
        // Characters of two cells and of two UTF-16 units among them.
        const std::string line = "line " + std::to_string(i) + " of a long paste, " +
                                 std::string(30, static_cast<char>('a' + i % 26)) +
                                 (i % 100 == 1 ? " 漢字 \U0001F375" : "");
        text += line + "\n";
        stored += line + "\\r\\n";
    }
    text += "END-OF-PASTE";
    stored += "END-OF-PASTE";
    ASSERT_TRUE(session->Paste(text));
    ASSERT_TRUE(WaitForScreen("END-OF-PASTE")) << Screen();
    // One insertion: one undo takes all of it away, a second brings it back.
    Keys("C-z");
    ASSERT_TRUE(WaitForNoScreen("END-OF-PASTE")) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find("line 0 of")) << Screen();
    Keys("C-z");
    ASSERT_TRUE(WaitForScreen("END-OF-PASTE")) << Screen();
    Keys("C-s");
    ASSERT_TRUE(WaitForLine(1, "line 0 of a long")) << Screen();
    EXPECT_NE(std::string::npos, Dump().find("\"" + stored + "\"")) << Dump().substr(0, 400);
}

TEST_F(TerminalJottaTest, KeysThatCameWithAPasteFollowIt) {
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    // The paste, its end marker and typed keys in one write, as a fast
    // typist after a paste may send them; the line break arrives as CR.
    Type("\x1b[200~pasted\rtext\x1b[201~ typed after");
    ASSERT_TRUE(testsupport::WaitFor([&] { return Panes(2).second == "text typed after"; }))
        << Screen();
    EXPECT_EQ("pasted", Editor()) << Screen();
}

TEST_F(TerminalJottaTest, APasteIntoADialogsTextBoxTakesItsFirstLine) {
    Keys("C-n");
    Type("some text");
    Keys("C-s");
    ASSERT_TRUE(WaitForLine(1, "some text")) << Screen();
    Keys("C-f");
    ASSERT_TRUE(WaitForScreen("Search for Notes")) << Screen();
    // A line break in the paste neither presses the default button nor reaches the editor.
    ASSERT_TRUE(session->Paste("milk\nand eggs"));
    ASSERT_TRUE(WaitForScreen("milk")) << Screen();
    EXPECT_NE(std::string::npos, Screen().find("Search for Notes")) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find("and eggs")) << Screen();
    Keys("Escape");
    ASSERT_TRUE(WaitForNoScreen("Search for Notes")) << Screen();
    EXPECT_EQ("some text", Editor()) << Screen();
}

// The terminal leaves bracketed paste mode with the program, however it ends;
// else the shell after it would get every paste wrapped in the markers.
class PasteModeTest : public TerminalJottaTest {
protected:
    bool EndedWithPasteModeOff() {
        std::ifstream in(output);
        const std::string written((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
        return written.find("\x1b[?2004l") != std::string::npos;
    }
    std::string output = machines.handheld() + "/../terminal-output";
};

TEST_F(PasteModeTest, EndsOnQuit) {
    ASSERT_TRUE(session->RecordOutput(output));
    Keys("C-q");
    ASSERT_TRUE(WaitForScreen("jotta ended 0")) << Screen();
    EXPECT_TRUE(EndedWithPasteModeOff());
}

TEST_F(PasteModeTest, EndsOnATerminationSignal) {
    ASSERT_TRUE(session->RecordOutput(output));
    const int program = session->ProgramPid();
    ASSERT_GT(program, 0);
    ASSERT_EQ(0, kill(program, SIGTERM));
    ASSERT_TRUE(WaitForScreen("jotta ended 143")) << Screen();
    EXPECT_TRUE(EndedWithPasteModeOff());
}

} // namespace
