// The document's commands driven as the user drives them: new, edit, save,
// delete, colours, sort orders, and the "Save changes?" question.
#include "jotta_fixture.h"

#include "device/app/note_store.h"
#include "device/sync/jottadev.h"
#include "platform/ui/controls.h"

#include <cstring>

using namespace jottatest;

namespace {

constexpr FILETIME kNow{0xFF8C9E80, 0x01DAFFFF}; // a whole second

FILETIME At(DWORD seconds) {
    const unsigned long long ticks = 0x01DA000000000000ULL + seconds * 10000000ULL;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

NoteContents Stored(CEOID oid) {
    CEOID db = 0;
    HANDLE cursor = OpenNoteDatabase(&db);
    NoteContents contents;
    contents.text = u"(missing)";
    ReadNote(cursor, oid, &contents);
    CloseHandle(cursor);
    return contents;
}

class DocumentTest : public JottaTest {
protected:
    void SetUp() override {
        JottaTest::SetUp();
        platform::PinSystemTime(kNow);
        SetRegNumber(u"BannerCount", 3); // no banner in these tests
    }
    void TearDown() override {
        JottaTest::TearDown();
        platform::PinSystemTime(std::nullopt);
    }
};

} // namespace

TEST_F(DocumentTest, AnEmptyDatabaseOffersOnlyTheCommandsThatNeedNoNote) {
    Start();
    EXPECT_EQ("list:\neditor: disabled saved color 0 ''\n", State());
    for (UINT id : {ID_NOTE_NEW, ID_SORT_SUBJECT, ID_SORT_MODIFIED, ID_SORT_CREATED,
                    ID_VIEW_ALLNOTES, ID_VIEW_FILTERNOTES, ID_EXTRAS_SYNCFILTER, ID_EXTRAS_DELETEDB,
                    ID_APP_EXIT, ID_APP_ABOUT, ID_HELP})
        EXPECT_TRUE(Enabled(id)) << id;
    for (UINT id :
         {ID_NOTE_SAVE, ID_NOTE_DELETE, ID_NOTE_INFO, ID_NOTE_PRINT, ID_EXTRAS_FIND,
          ID_EXTRAS_FINDNEXT, ID_EXTRAS_IMPORT, ID_EXTRAS_EXPORT, ID_EDIT_CATEGORIES, ID_COLOR_BLUE,
          ID_COLOR_WHITE, ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE})
        EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(DocumentTest, NewNoteIsSelectedWholeAndTypingReplacesIt) {
    Start();
    Command(ID_NOTE_NEW);
    EXPECT_EQ("list: >'<New Note>'\neditor: enabled saved color 3 '<New Note>'\n", State());
    int start = -1, end = -1;
    editor->GetEditCtrl().GetSel(start, end);
    EXPECT_EQ(0, start);
    EXPECT_EQ(10, end);
    EXPECT_EQ(EditorWindow(), GetFocus());
    EXPECT_FALSE(Enabled(ID_NOTE_SAVE));

    Type(u"Shopping\rmilk");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(Enabled(ID_NOTE_SAVE));
    Command(ID_NOTE_SAVE);
    EXPECT_EQ("list: >'Shopping'\neditor: enabled saved color 3 'Shopping\\r\\nmilk'\n", State());
    const NoteContents stored = Stored(doc->CurrentNote(false));
    EXPECT_EQ(u"Shopping\r\nmilk", stored.text);
    EXPECT_EQ(static_cast<DWORD>(NoteYellow), stored.color);
    EXPECT_EQ(kNow.dwLowDateTime, stored.modified.dwLowDateTime);
    EXPECT_EQ(kNow.dwLowDateTime, stored.created.dwLowDateTime);
}

TEST_F(DocumentTest, NewNoteTakesTheDefaultColourAndTheAcceleratorMakesIt) {
    SetRegNumber(u"DefaultColor", NoteGreen);
    Start();
    PressKey('N', {VK_CONTROL});
    EXPECT_EQ("list: >'<New Note>'\neditor: enabled saved color 1 '<New Note>'\n", State());
    EXPECT_TRUE(Checked(ID_COLOR_GREEN));
    EXPECT_FALSE(Checked(ID_COLOR_YELLOW));
}

TEST_F(DocumentTest, DeleteAsksAndShowsTheFirstNoteAfterwards) {
    PutNote(u"Beta");
    PutNote(u"Alpha");
    PutNote(u"Gamma");
    Start();
    EXPECT_EQ("list: >'Alpha' 'Beta' 'Gamma'\neditor: enabled saved color 3 'Alpha'\n", State());
    TapLine(1);
    ExpectQuestion(u"Sure to delete?", IDNO);
    Command(ID_NOTE_DELETE);
    EXPECT_EQ("list: 'Alpha' >'Beta' 'Gamma'\neditor: enabled saved color 3 'Beta'\n", State());
    Type(u"x"); // an unsaved change goes with the note
    ExpectQuestion(u"Sure to delete?", IDYES);
    PressKey('D', {VK_CONTROL});
    EXPECT_EQ("list: >'Alpha' 'Gamma'\neditor: enabled saved color 3 'Alpha'\n", State());
}

TEST_F(DocumentTest, ColourCommandsTintTheEditorAndAreSavedWithTheNote) {
    const CEOID note = PutNote(u"Tinted", NoteYellow);
    Start();
    struct Case {
        UINT command;
        DWORD color;
        COLORREF tint;
    } cases[] = {
        {ID_COLOR_BLUE, NoteBlue, 0x00FF9F9F},   {ID_COLOR_GREEN, NoteGreen, 0x009FFF9F},
        {ID_COLOR_RED, NoteRed, 0x009F9FFF},     {ID_COLOR_YELLOW, NoteYellow, 0x009FFFFF},
        {ID_COLOR_WHITE, NoteWhite, 0x00FFFFFF},
    };
    for (const auto& c : cases) {
        Command(c.command);
        ui::PumpPendingMessages(); // the editor repaints
        EXPECT_EQ(c.color, doc->m_color) << c.command;
        EXPECT_TRUE(Checked(c.command)) << c.command;
        EXPECT_EQ(c.tint, ui::ControlPaintColors(EditorWindow()).background) << c.command;
        EXPECT_TRUE(doc->IsModified());
    }
    Command(ID_COLOR_RED);
    EXPECT_FALSE(Checked(ID_COLOR_WHITE));
    Command(ID_NOTE_SAVE);
    EXPECT_EQ(static_cast<DWORD>(NoteRed), Stored(note).color);
    EXPECT_EQ(u"Tinted", Stored(note).text);
}

TEST_F(DocumentTest, AColourOutsideTheTableIsShownWhite) {
    PutNote(u"Odd", 9);
    Start();
    ui::PumpPendingMessages();
    EXPECT_EQ(9u, doc->m_color);
    EXPECT_EQ(0x00FFFFFFu, ui::ControlPaintColors(EditorWindow()).background);
    for (UINT id = ID_COLOR_BLUE; id <= ID_COLOR_WHITE; ++id)
        EXPECT_FALSE(Checked(id)) << id;
}

TEST_F(DocumentTest, SortOrdersReorderTheListAndKeepUnsavedEdits) {
    PutNote(u"Beta", NoteYellow, u"", At(30), At(0)); // never saved on the handheld
    PutNote(u"Alpha", NoteYellow, u"", At(10), At(200));
    PutNote(u"Gamma", NoteYellow, u"", At(20), At(100));
    Start();
    Type(u"!");
    struct Case {
        UINT command;
        const char* list;
    } cases[] = {
        {ID_SORT_MODIFIED, "list: >'Alpha' 'Gamma' 'Beta'"},
        {ID_SORT_CREATED, "list: 'Beta' 'Gamma' >'Alpha'"},
        {ID_SORT_SUBJECT, "list: >'Alpha' 'Beta' 'Gamma'"},
    };
    for (const auto& c : cases) {
        Command(c.command);
        EXPECT_EQ(std::string(c.list) + "\neditor: enabled modified color 3 '!Alpha'\n", State());
        EXPECT_TRUE(Checked(c.command));
        for (UINT other = ID_SORT_SUBJECT; other <= ID_SORT_CREATED; ++other) {
            EXPECT_EQ(other == c.command, Checked(other)) << other;
        }
    }
}

TEST_F(DocumentTest, SelectingALineAsksAboutUnsavedChanges) {
    const CEOID alpha = PutNote(u"Alpha");
    PutNote(u"Beta");
    Start();
    // Unchanged: no question.
    TapLine(1);
    EXPECT_EQ("list: 'Alpha' >'Beta'\neditor: enabled saved color 3 'Beta'\n", State());
    TapLine(0);
    Type(u"1");
    ExpectQuestion(u"Save changes?", IDCANCEL);
    TapLine(1);
    EXPECT_EQ("list: >'Alpha' 'Beta'\neditor: enabled modified color 3 '1Alpha'\n", State());
    ExpectQuestion(u"Save changes?", IDNO);
    TapLine(1);
    EXPECT_EQ("list: 'Alpha' >'Beta'\neditor: enabled saved color 3 'Beta'\n", State());
    EXPECT_EQ(u"Alpha", Stored(alpha).text);
    TapLine(0);
    Command(ID_COLOR_BLUE);
    ExpectQuestion(u"Save changes?", IDYES);
    TapLine(1);
    EXPECT_EQ(static_cast<DWORD>(NoteBlue), Stored(alpha).color);
    EXPECT_EQ("list: 'Alpha' >'Beta'\neditor: enabled saved color 3 'Beta'\n", State());
}

TEST_F(DocumentTest, ASaveThatMovesTheLineSelectsTheNoteChosen) {
    PutNote(u"Beta");
    PutNote(u"Charlie");
    Start();
    TapLine(1); // Charlie
    SendMessageW(EditorWindow(), EM_SETSEL, 0, -1);
    Type(u"Able"); // its line moves to the top when saved
    ExpectQuestion(u"Save changes?", IDYES);
    TapLine(0); // Beta
    EXPECT_EQ("list: 'Able' >'Beta'\neditor: enabled saved color 3 'Beta'\n", State());
    EXPECT_EQ(1, list->List().m_nCurSel);
}

TEST_F(DocumentTest, NewAsksFirstAndCancelKeepsTheNote) {
    PutNote(u"Alpha");
    Start();
    Type(u"A");
    ExpectQuestion(u"Save changes?", IDCANCEL);
    Command(ID_NOTE_NEW);
    EXPECT_EQ("list: >'Alpha'\neditor: enabled modified color 3 'AAlpha'\n", State());
    ExpectQuestion(u"Save changes?", IDYES);
    Command(ID_NOTE_NEW);
    EXPECT_EQ("list: >'<New Note>' 'AAlpha'\neditor: enabled saved color 3 '<New Note>'\n",
              State());
}

TEST_F(DocumentTest, ANoteDeletedUnderTheProgramIsSavedAsANewNote) {
    const CEOID note = PutNote(u"Alpha");
    PutNote(u"Beta");
    Start();
    Type(u"kept ");
    // The note goes away under the program (as a synchronization would do it).
    CEOID db = 0;
    HANDLE other = OpenNoteDatabase(&db);
    ASSERT_TRUE(CeDeleteRecord(other, note));
    CloseHandle(other);

    ExpectQuestion(u"A synchronization deleted this note while you edited it. Your text was "
                   u"saved as a new note.",
                   IDOK);
    Command(ID_NOTE_SAVE);
    EXPECT_EQ("list: 'Beta' >'kept Alpha'\neditor: enabled saved color 3 'kept Alpha'\n", State());
    EXPECT_NE(note, doc->CurrentNote(true));
    EXPECT_EQ(u"kept Alpha", Stored(doc->CurrentNote(true)).text);
    // Typing on changes the new note, not a third one.
    Type(u"!");
    Command(ID_NOTE_SAVE);
    EXPECT_EQ("list: 'Beta' >'kept !Alpha'\neditor: enabled saved color 3 'kept !Alpha'\n",
              State());
}

TEST_F(DocumentTest, ExitAsksAndCancelKeepsTheProgramRunning) {
    const CEOID note = PutNote(u"Alpha");
    Start();
    Type(u"x");
    ExpectQuestion(u"Save changes?", IDCANCEL);
    Exit();
    ASSERT_TRUE(Running());
    EXPECT_EQ(u"xAlpha", EditorText());
    ExpectQuestion(u"Save changes?", IDYES);
    Exit();
    EXPECT_FALSE(Running());
    EXPECT_EQ(u"xAlpha", Stored(note).text);
}

TEST_F(DocumentTest, ExitWithNoDropsTheChanges) {
    const CEOID note = PutNote(u"Alpha");
    Start();
    Type(u"x");
    ExpectQuestion(u"Save changes?", IDNO);
    Exit();
    EXPECT_FALSE(Running());
    EXPECT_EQ(u"Alpha", Stored(note).text);
}

TEST_F(DocumentTest, EditCommandsFollowTheSelectionAndTheClipboard) {
    PutNote(u"Hello world");
    Start();
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
    SendMessageW(EditorWindow(), EM_SETSEL, 0, 5);
    EXPECT_TRUE(Enabled(ID_EDIT_COPY));
    EXPECT_TRUE(Enabled(ID_EDIT_CUT));
    Command(ID_EDIT_CUT);
    EXPECT_EQ(u" world", EditorText());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE));
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO));
    SendMessageW(EditorWindow(), EM_SETSEL, 6, 6);
    Command(ID_EDIT_PASTE);
    EXPECT_EQ(u" worldHello", EditorText());
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(u" world", EditorText());
}

TEST_F(DocumentTest, TwoNotesOfOneTitleAreTwoLinesChosenByIdentifier) {
    const CEOID first = PutNote(u"Same\r\none");
    const CEOID second = PutNote(u"Same\r\ntwo");
    Start();
    EXPECT_EQ("list: >'Same' 'Same'\neditor: enabled saved color 3 'Same\\r\\none'\n", State());
    TapLine(1);
    EXPECT_EQ(second, doc->CurrentNote(true));
    EXPECT_EQ(u"Same\r\ntwo", EditorText());
    TapLine(0);
    EXPECT_EQ(first, doc->CurrentNote(true));
    EXPECT_EQ(u"Same\r\none", EditorText());
}

TEST_F(DocumentTest, LoadingANoteClearsTheControlsModifiedFlag) {
    PutNote(u"Alpha");
    PutNote(u"Beta");
    Start();
    Type(u"x");
    EXPECT_NE(0, SendMessageW(EditorWindow(), EM_GETMODIFY, 0, 0));
    ExpectQuestion(u"Save changes?", IDNO);
    TapLine(1);
    EXPECT_EQ(0, SendMessageW(EditorWindow(), EM_GETMODIFY, 0, 0));
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(DocumentTest, CopyWithoutSelectionDoesNothingAndPasteNeedsUnicodeText) {
    PutNote(u"Hello");
    Start();
    // Only 8-bit text on the clipboard: Paste stays disabled.
    OpenClipboard(nullptr);
    EmptyClipboard();
    HLOCAL block = LocalAlloc(LMEM_FIXED, 4);
    std::memcpy(block, "abc", 4);
    SetClipboardData(CF_TEXT, static_cast<HANDLE>(block));
    CloseClipboard();
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE));

    SendMessageW(EditorWindow(), EM_SETSEL, 2, 2);
    Command(ID_EDIT_COPY);
    Command(ID_EDIT_CUT);
    EXPECT_EQ(u"Hello", EditorText());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    SendMessageW(EditorWindow(), EM_SETSEL, 0, 2);
    Command(ID_EDIT_COPY);
    EXPECT_FALSE(doc->IsModified()) << "copying changes nothing";
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE));
}

TEST_F(DocumentTest, CharactersBeyondSixteenBitsAreSavedAndReadBackWhole) {
    const CEOID note = PutNote(u"Tea");
    PutNote(u"Zebra");
    Start();
    SendMessageW(EditorWindow(), EM_SETSEL, 3, 3);
    Type(u" \U0001F375\U0001F36A");
    Type(u"\b"); // the cookie, both halves
    EXPECT_EQ(u"Tea \U0001F375", EditorText());
    Command(ID_NOTE_SAVE);
    EXPECT_EQ(u"Tea \U0001F375", Stored(note).text);
    TapLine(1);
    TapLine(0);
    EXPECT_EQ(u"Tea \U0001F375", EditorText());
    EXPECT_EQ("list: >'Tea \xF0\x9F\x8D\xB5' 'Zebra'\n"
              "editor: enabled saved color 3 'Tea \xF0\x9F\x8D\xB5'\n",
              State());
}
