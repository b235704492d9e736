// The notes program in a real terminal: `jotta` runs in a tmux session of
// 100 x 30 cells on a fresh handheld; the test types keys and reads back what
// the screen shows.
#include "device/app/terminal_jotta_fixture.h"

#include "platform/ce/window_station.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <string>

using terminaltest::Quoted;
using terminaltest::Shell;

namespace {

using terminaltest::TerminalJottaTest;

TEST_F(TerminalJottaTest, StartsWithTheFrameAndAnEmptyList) {
    const std::string bar = Line(0);
    for (const char* part : {"Note", "Edit", "View", "Extras", "Help", "[New]", "[Save]", "[?]"})
        EXPECT_NE(std::string::npos, bar.find(part)) << part << " in: " << bar;
    // The help menu names F1 beside Help Topics.
    Keys("M-h");
    ASSERT_TRUE(WaitForScreen("Help Topics")) << Screen();
    const std::string screen = Screen();
    const std::size_t item = screen.find("Help Topics");
    const std::string itemLine = screen.substr(item, screen.find('\n', item) - item);
    EXPECT_NE(std::string::npos, itemLine.find("F1")) << screen;
    Keys("Escape");
    ASSERT_TRUE(WaitForNoScreen("Help Topics")) << Screen();
    // No note yet: the list is blank, the editor says how to make one.
    EXPECT_EQ(' ', Line(1)[0]) << Screen();
    EXPECT_EQ("No notes yet: Ctrl+N (Note > New) makes one.", Editor()) << Screen();
    EXPECT_NE(std::string::npos, Line(29).find("F10 menu"));
    // The hint goes with the first note, and comes back when the last goes.
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find("No notes yet")) << Screen();
    Keys("C-d");
    ASSERT_TRUE(WaitForScreen("Sure to delete?")) << Screen();
    Keys("y");
    ASSERT_TRUE(WaitForScreen("No notes yet")) << Screen();
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

TEST_F(TerminalJottaTest, CharactersBeyondSixteenBitsAreTypedWhole) {
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    Type("Tea \U0001F375 time");
    Keys("BSpace BSpace BSpace BSpace BSpace BSpace"); // " time" and the emoji
    Type("\U0001F36A");
    Keys("C-s");
    ASSERT_TRUE(WaitForLine(1, "Tea ")) << Screen();
    EXPECT_NE(std::string::npos, Dump().find("\"Tea \U0001F36A\"")) << Dump();
    // The editor shows the character itself, not marks for its two halves.
    EXPECT_NE(std::string::npos, Screen().find("Tea \U0001F36A")) << Screen();
}

// A key the terminal's description does not name arrives as a control
// sequence: it is passed over whole, not typed as Alt+[ and text.
TEST_F(TerminalJottaTest, KeySequencesTheTerminalDoesNotNameAreNotTyped) {
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    Type("ab");
    Keys("-H 1b 5b 31 3b 39 39 58"); // ESC [ 1 ; 9 9 X
    Keys("-H 1b 5b 39 39 7e");       // ESC [ 9 9 ~
    Keys("-H 1b 4f 5a");             // ESC O Z
    Type("c");
    Keys("C-s");
    ASSERT_TRUE(WaitForLine(1, "abc")) << Screen();
    EXPECT_NE(std::string::npos, Dump().find("\"abc\"")) << Dump();
}

TEST_F(TerminalJottaTest, SaveChangesBoxIsAnsweredByKeys) {
    AskToSaveAnEditedNote();
    if (HasFatalFailure())
        return;
    const std::string box = Screen();
    EXPECT_NE(std::string::npos, box.find("[ Yes ]")) << box;
    EXPECT_NE(std::string::npos, box.find("[ Cancel ]")) << box;
    EXPECT_NE(std::string::npos, box.find("┌")) << box;
    // Escape is Cancel: the edit stays, unsaved.
    Keys("Escape");
    ASSERT_TRUE(WaitForNoScreen("Save changes?")) << Screen();
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

TEST_F(TerminalJottaTest, MenusOpenByF10OrAltAndCloseByEscape) {
    Keys("M-e");
    ASSERT_TRUE(WaitForScreen("Wrap Lines")) << Screen();
    Keys("Right"); // on to the next title
    ASSERT_TRUE(WaitForScreen("All Notes")) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find("Wrap Lines"));
    Keys("Escape");
    ASSERT_TRUE(WaitForNoScreen("All Notes")) << Screen();
    // A menu command chosen by its letter: Note > New.
    Keys("F10");
    ASSERT_TRUE(WaitForScreen("Ctrl+S")) << Screen();
    Keys("n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find("Ctrl+S"));
}

TEST_F(TerminalJottaTest, TabMovesBetweenTheListAndTheEditor) {
    ASSERT_NO_FATAL_FAILURE(MakeNotes({"First", "Second"}));
    // The editor has the focus; Tab gives it to the list, whose arrows choose
    // a note: the editor (beside the first line) then shows the chosen one.
    Keys("Tab");
    Keys("Home");
    ASSERT_TRUE(testsupport::WaitFor([&] { return Editor() == ListLine(1); })) << Screen();
    Keys("End");
    ASSERT_TRUE(testsupport::WaitFor([&] { return Editor() == ListLine(2); })) << Screen();
    // Back in the editor, typing changes the note; the list keeps its titles.
    Keys("Tab");
    Type("!");
    ASSERT_TRUE(testsupport::WaitFor([&] { return Editor().find('!') != std::string::npos; }))
        << Screen();
    EXPECT_EQ(std::string::npos, ListLine(1).find('!'));
    EXPECT_EQ(std::string::npos, ListLine(2).find('!'));
}

TEST_F(TerminalJottaTest, ArrowsWorkAfterAMenuCommandAndADelete) {
    ASSERT_NO_FATAL_FAILURE(MakeNotes({"First", "Second", "Third"}));
    // In the list, a dialog from the menu comes and goes: the arrows still choose notes.
    Keys("Tab");
    Keys("Home");
    ASSERT_TRUE(testsupport::WaitFor([&] { return Editor() == ListLine(1); })) << Screen();
    Keys("M-n");
    Keys("i");
    ASSERT_TRUE(WaitForScreen("Note Infos")) << Screen();
    Keys("Escape");
    ASSERT_TRUE(WaitForNoScreen("Note Infos")) << Screen();
    Keys("Down");
    ASSERT_TRUE(testsupport::WaitFor([&] { return Editor() == ListLine(2); })) << Screen();
    // Deleting from the editor: the arrows go on in the editor.
    Keys("Tab");
    Keys("C-d");
    ASSERT_TRUE(WaitForScreen("Sure to delete?")) << Screen();
    Keys("y");
    ASSERT_TRUE(WaitForNoScreen("Sure to delete?")) << Screen();
    const std::string shown = Editor();
    Keys("End");
    Type("+");
    ASSERT_TRUE(testsupport::WaitFor([&] { return Editor() == shown + "+"; })) << Screen();
}

TEST_F(TerminalJottaTest, MouseTapsAreTheStylus) {
    ASSERT_NO_FATAL_FAILURE(MakeNotes({"First", "Second"}));
    // A tap on a list line makes that note current.
    for (int row : {1, 2}) {
        Tap(row, 1);
        ASSERT_TRUE(testsupport::WaitFor([&] { return Editor() == ListLine(row); })) << Screen();
    }
    // A tap on a tool button runs its command.
    const std::size_t button = Line(0).find("[New]");
    ASSERT_NE(std::string::npos, button) << Line(0);
    Tap(0, static_cast<int>(button) + 1);
    ASSERT_TRUE(WaitForScreen("<New Note>")) << Screen();
}

TEST_F(TerminalJottaTest, EditingKeysWithCtrlAndShiftWork) {
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    // A first line longer than the editor is wide: End goes to its end, not
    // to the end of its first screen line.
    const std::string words =
        "one two three four five six seven eight nine ten eleven twelve thirteen fourteen";
    Type(words);
    Keys("Enter");
    Type("last");
    Keys("C-Home");
    Type("<");
    Keys("End");
    Type(">");
    Keys("C-End");
    Type("!");
    // Shift+Home selects the line, Ctrl+Insert copies it, Shift+Insert pastes
    // it, Shift+Delete cuts the selection.
    Keys("S-Home");
    Keys("C-IC");
    Keys("End");
    Keys("S-IC");
    Keys("S-Left S-Left");
    Keys("S-DC");
    Keys("C-s");
    ASSERT_TRUE(WaitForLine(1, "<one")) << Screen();
    EXPECT_NE(std::string::npos, Dump().find("\"<" + words + ">\\r\\nlast!las\"")) << Dump();
}

TEST_F(TerminalJottaTest, ResizingTheTerminalRefitsTheFrame) {
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    ASSERT_TRUE(session->Resize(80, 24));
    // The status line moves to the new last line, the adornments to the new right edge.
    ASSERT_TRUE(testsupport::WaitFor([&] {
        return Line(23).find("F10 menu") != std::string::npos;
    })) << Screen();
    const std::string bar = Line(0);
    EXPECT_EQ(80u, bar.size()) << bar;
    EXPECT_EQ(bar.size() - 7, bar.rfind("[?][OK]")) << bar;
    EXPECT_EQ(0u, Line(1).rfind("<New Note>", 0)) << Screen();
}

TEST_F(TerminalJottaTest, NoteInfosDialogIsABoxClosedByEscape) {
    Keys("C-n");
    Keys("M-n");
    Keys("i");
    ASSERT_TRUE(WaitForScreen("Note Infos")) << Screen();
    const std::string dialog = Screen();
    for (const char* part : {"Subject", "Created", "Last modified", "Color", "Categories",
                             "[ Close ]", "<New Note>", "yellow"})
        EXPECT_NE(std::string::npos, dialog.find(part)) << part << " in:\n" << dialog;
    // Both times whole: the date, four spaces and the time with AM or PM.
    const std::regex time(R"(\d{1,2}/\d{1,2}/\d{4}    \d{1,2}:\d{2}:\d{2} [AP]M)");
    EXPECT_EQ(2, std::distance(std::sregex_iterator(dialog.begin(), dialog.end(), time),
                               std::sregex_iterator()))
        << dialog;
    // "&Close" marks no letter: no letter presses it in the terminal.
    int closeRow = -1;
    for (int row = 0; row < 30 && closeRow < 0; ++row)
        closeRow = Line(row).find("[ Close ]") != std::string::npos ? row : -1;
    ASSERT_GE(closeRow, 0) << dialog;
    EXPECT_EQ("", session->Underlined(closeRow)) << dialog;
    Keys("Escape");
    ASSERT_TRUE(WaitForNoScreen("Note Infos")) << Screen();
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

TEST_F(TerminalJottaTest, CtrlQQuitsAfterOfferingToSave) {
    EXPECT_NE(std::string::npos, Line(29).find("Ctrl+Q quit")) << Screen();
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    Type("Kept at quit");
    Keys("C-q");
    ASSERT_TRUE(WaitForScreen("Save changes?")) << Screen();
    Keys("y");
    ASSERT_TRUE(WaitForScreen("jotta ended 0")) << Screen();
    EXPECT_NE(std::string::npos, Dump().find("\"Kept at quit\"")) << Dump();
}

TEST_F(TerminalJottaTest, CloseFromAnotherProcessGivesTheTerminalBack) {
    HWND frame = nullptr;
    ASSERT_TRUE(testsupport::WaitFor(
        [&] { return (frame = ce::FindStationWindow(nullptr, u"Jotterwick")); }));
    ASSERT_TRUE(ce::PostStationMessage(frame, WM_CLOSE, 0, 0));
    ASSERT_TRUE(WaitForScreen("jotta ended 0")) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find("F10 menu")) << Screen();
}

TEST_F(TerminalJottaTest, TerminationGivesTheTerminalBack) {
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    const int program = session->ProgramPid();
    ASSERT_GT(program, 0);
    ASSERT_EQ(0, kill(program, SIGTERM));
    ASSERT_TRUE(WaitForScreen("jotta ended 143")) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find("F10 menu")) << Screen();
}

TEST_F(TerminalJottaTest, ASecondStartSaysTheFirstRunsAndFails) {
    const int first = session->ProgramPid();
    ASSERT_GT(first, 0);
    terminaltest::TmuxSession second(
        "second", "env -u JOTTERWICK_HEADLESS JOTTERWICK_HANDHELD=" + Quoted(machines.handheld()) +
                      " " + Quoted(testsupport::BuiltProgram("device/app/jotta")));
    ASSERT_TRUE(second.started());
    ASSERT_TRUE(second.WaitForScreen("second ended 1")) << second.Screen();
    EXPECT_NE(std::string::npos,
              second.Screen().find("jotta: the notes program is already running on this "
                                   "handheld (process " +
                                   std::to_string(first) + ")"))
        << second.Screen();
    // The first goes on as it was.
    EXPECT_NE(std::string::npos, Screen().find("F10 menu")) << Screen();
    EXPECT_EQ(first, session->ProgramPid());
}

// Whether process `pid` ended (an unreaped one counts), waiting a while for it.
bool ProcessEnds(int pid) {
    return testsupport::WaitFor([&] {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("State:", 0) == 0)
                return line.find('Z') != std::string::npos;
        return true;
    });
}

TEST_F(TerminalJottaTest, TerminationKeepsTheUnsavedText) {
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    Type("Written just before the end");
    ASSERT_TRUE(WaitForScreen("before the end")) << Screen();
    const int program = session->ProgramPid();
    ASSERT_GT(program, 0);
    ASSERT_EQ(0, kill(program, SIGTERM));
    // Saved as Yes to "Save changes?" would, and still ended by the signal.
    ASSERT_TRUE(WaitForScreen("jotta ended 143")) << Screen();
    EXPECT_NE(std::string::npos, Dump().find("\"Written just before the end\"")) << Dump();
}

TEST_F(TerminalJottaTest, ClosingTheTerminalDuringAQuestionKeepsTheUnsavedText) {
    AskToSaveAnEditedNote();
    if (HasFatalFailure())
        return;
    const int program = session->ProgramPid();
    ASSERT_GT(program, 0);
    // The terminal goes away (SIGHUP): the question is cancelled, so no new
    // note comes, and the edit is saved.
    session.reset();
    ASSERT_TRUE(ProcessEnds(program));
    const std::string dump = Dump();
    EXPECT_NE(std::string::npos, dump.find("\"Groceries and bread\"")) << dump;
    EXPECT_EQ(std::string::npos, dump.find("New Note")) << dump;
}

} // namespace

namespace {

// Starts jotta in tmux with `environment` set, expects it to run without
// drawing (so the pane still shows `expected` and never the frame), and
// closes it from outside.
void ExpectHeadlessIn(const std::string& environment, const std::string& expected) {
    testsupport::TempMachines machines;
    ASSERT_TRUE(Shell(Quoted(testsupport::BuiltProgram("tools/ceutil/ceutil")) + " --handheld " +
                      Quoted(machines.handheld()) +
                      " reg set HKCU 'Software\\Jotterwick\\Quillmarks\\Common' BannerCount"
                      " --dword 2"));
    terminaltest::TmuxSession session(
        "jotta", "env " + environment + " JOTTERWICK_HANDHELD=" + Quoted(machines.handheld()) +
                     " " + Quoted(testsupport::BuiltProgram("device/app/jotta")));
    ASSERT_TRUE(session.started());
    HWND frame = nullptr;
    ASSERT_TRUE(testsupport::WaitFor(
        [&] { return (frame = ce::FindStationWindow(nullptr, u"Jotterwick")); }));
    EXPECT_FALSE(testsupport::WaitFor(
        [&] { return session.Screen().find("F10 menu") != std::string::npos; }, 1000))
        << session.Screen();
    EXPECT_NE(std::string::npos, session.Screen().find(expected)) << session.Screen();
    ASSERT_TRUE(ce::PostStationMessage(frame, WM_CLOSE, 0, 0));
    EXPECT_TRUE(session.WaitForScreen("jotta ended 0")) << session.Screen();
}

TEST(TerminalJottaChoice, HeadlessWhenAskedEvenInATerminal) {
    if (!terminaltest::TmuxInstalled())
        GTEST_SKIP() << "tmux is not installed (scripts/install-deps.sh installs it)";
    ExpectHeadlessIn("JOTTERWICK_HEADLESS=1", "");
}

TEST(TerminalJottaChoice, HeadlessWithANoteOnATerminalThatCannotBeDrawnOn) {
    if (!terminaltest::TmuxInstalled())
        GTEST_SKIP() << "tmux is not installed (scripts/install-deps.sh installs it)";
    ExpectHeadlessIn("-u JOTTERWICK_HEADLESS TERM=dumb", "cannot draw on this terminal");
}

} // namespace

TEST_F(TerminalJottaTest, ThePickListMarksEachChosenCategoryAndSpaceToggles) {
    ASSERT_TRUE(
        Shell(ceutil + " --handheld " + Quoted(machines.handheld()) + " categories add Work Home"));
    Keys("C-n");
    ASSERT_TRUE(WaitForLine(1, "<New Note>")) << Screen();
    Type("Plain note");
    Keys("C-s");
    ASSERT_TRUE(WaitForLine(1, "Plain note")) << Screen();

    // Escape leaves the filter as it was.
    Keys("M-v");
    Keys("f");
    ASSERT_TRUE(WaitForScreen("[ ] Home")) << Screen();
    Keys("Escape");
    ASSERT_TRUE(WaitForNoScreen("[ ] Home")) << Screen();
    EXPECT_TRUE(WaitForLine(1, "Plain note")) << Screen();

    Keys("M-v");
    Keys("f");
    ASSERT_TRUE(WaitForScreen("[ ] Work")) << Screen();
    EXPECT_LT(Screen().find("[ ] Home"), Screen().find("[ ] Work")) << "sorted: " << Screen();
    Keys("Space");
    ASSERT_TRUE(WaitForScreen("[x] Home")) << Screen();
    Keys("Down");
    Keys("Space");
    ASSERT_TRUE(WaitForScreen("[x] Work")) << Screen();
    Keys("Space");
    ASSERT_TRUE(WaitForScreen("[ ] Work")) << Screen();
    Keys("Enter");
    // Only notes of Home are listed now: the plain note is not.
    ASSERT_TRUE(WaitForNoScreen("[x] Home")) << Screen();
    EXPECT_TRUE(WaitForNoScreen("Plain note")) << Screen();
    Keys("M-v");
    Keys("a"); // All Notes
    EXPECT_TRUE(WaitForLine(1, "Plain note")) << Screen();
}

TEST_F(TerminalJottaTest, F1OpensTheHelpViewerWhichScrollsAndCloses) {
    Keys("F1");
    ASSERT_TRUE(WaitForScreen("Help: jotta.htc")) << Screen();
    const std::string first = "Jotterwick: notes on the handheld";
    const std::string last = "writes them back when it ends";
    EXPECT_NE(std::string::npos, Screen().find(first)) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find(last)) << Screen();
    Keys("End");
    ASSERT_TRUE(WaitForScreen(last)) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find(first)) << Screen();
    Keys("Home");
    ASSERT_TRUE(WaitForScreen(first)) << Screen();
    Keys("NPage");
    ASSERT_TRUE(WaitForNoScreen(first)) << Screen();
    Keys("PPage");
    ASSERT_TRUE(WaitForScreen(first)) << Screen();
    Keys("Down");
    ASSERT_TRUE(WaitForNoScreen(first)) << Screen();
    Keys("Escape");
    ASSERT_TRUE(WaitForNoScreen("Help: jotta.htc")) << Screen();
    EXPECT_NE(std::string::npos, Line(29).find("F10 menu")) << Screen();
    // From the menu as Help Topics, closed by q.
    Keys("M-h");
    ASSERT_TRUE(WaitForScreen("Help Topics")) << Screen();
    Keys("h");
    ASSERT_TRUE(WaitForScreen("Help: jotta.htc")) << Screen();
    Keys("q");
    ASSERT_TRUE(WaitForNoScreen("Help: jotta.htc")) << Screen();
    EXPECT_NE(std::string::npos, Screen().find("No notes yet")) << Screen();
}

TEST_F(TerminalJottaTest, MenuLettersAreUnderlined) {
    // Note, Edit, View, E&xtras, Help.
    EXPECT_EQ("NEVxH", session->Underlined(0)) << Screen();
    Keys("M-n");
    ASSERT_TRUE(WaitForScreen("Ctrl+S")) << Screen();
    std::string items;
    for (int row = 1; row < 12; ++row)
        items += session->Underlined(row);
    // New, Save, Delete, Info..., Print..., E&xit.
    EXPECT_EQ("NSDIPx", items) << Screen();
    EXPECT_EQ("NEVxH", session->Underlined(0)) << Screen();
    Keys("Escape");
    ASSERT_TRUE(WaitForNoScreen("Ctrl+S")) << Screen();
}

TEST_F(TerminalJottaTest, FindFromCtrlFShowsTheFoundNoteOrNotFound) {
    for (const auto& [title, body] :
         {std::pair{"Apples", "red and green"}, std::pair{"Bananas", "long and yellow"},
          std::pair{"Cherries", "dark red"}}) {
        Keys("C-n");
        Type(title);
        Keys("Enter");
        Type(body);
        Keys("C-s");
        ASSERT_TRUE(WaitForScreen(title)) << Screen();
    }
    // From the first note on: the editor beside the first line shows it.
    Keys("Tab");
    Keys("Home");
    ASSERT_TRUE(testsupport::WaitFor([&] { return Editor() == "Apples"; })) << Screen();
    Keys("C-f");
    ASSERT_TRUE(WaitForScreen("Search for Notes")) << Screen();
    EXPECT_NE(std::string::npos, Screen().find("[ Search ]")) << Screen();
    EXPECT_NE(std::string::npos, Screen().find("[ Cancel ]")) << Screen();
    Type("YELLOW");
    Keys("Enter");
    ASSERT_TRUE(WaitForNoScreen("Search for Notes")) << Screen();
    ASSERT_TRUE(testsupport::WaitFor([&] { return Editor() == "Bananas"; })) << Screen();
    EXPECT_EQ(std::string::npos, Screen().find("Searching...")) << Screen();

    // A text no note has: "Not Found", and the note stays.
    Keys("C-f");
    ASSERT_TRUE(WaitForScreen("Search for Notes")) << Screen();
    Keys("BSpace BSpace BSpace BSpace BSpace BSpace");
    Type("kiwi");
    Keys("Enter");
    ASSERT_TRUE(WaitForScreen("Not Found")) << Screen();
    int buttonRow = -1;
    for (int row = 0; row < 30 && buttonRow < 0; ++row)
        if (Line(row).find("[ OK ]") != std::string::npos)
            buttonRow = row;
    ASSERT_GE(buttonRow, 0) << Screen();
    EXPECT_EQ("O", session->Underlined(buttonRow)) << Screen(); // the letter that answers
    Keys("Enter");
    ASSERT_TRUE(WaitForNoScreen("Not Found")) << Screen();
    EXPECT_EQ("Bananas", Editor()) << Screen();
}

TEST_F(TerminalJottaTest, TheAboutBoxesOkButtonLooksLikeEveryOtherButton) {
    Keys("M-h");
    ASSERT_TRUE(WaitForScreen("About Jotterwick...")) << Screen();
    Keys("a");
    ASSERT_TRUE(WaitForScreen("Jotterwick V1.02")) << Screen();
    const std::string screen = Screen();
    const std::size_t title = screen.find("About Jotterwick");
    ASSERT_NE(std::string::npos, title) << screen;
    // On the box's top line, beside its title.
    const std::string top = screen.substr(title, screen.find('\n', title) - title);
    EXPECT_NE(std::string::npos, top.find("[ OK ]")) << screen;
    Keys("Enter");
    ASSERT_TRUE(WaitForNoScreen("Jotterwick V1.02")) << Screen();
}
