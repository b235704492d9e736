// The application and its frame: settings read at start and written at
// exit, the banner rule over several starts, the frame's layout, command
// bar, help, dialogs, word wrap and the reload after a synchronization.
#include "jotta_fixture.h"

#include "device/app/note_info_dlg.h"
#include "device/sync/jottadev.h"
#include "platform/ui/menu.h"

#include <cstdlib>

using namespace jottatest;

namespace {

class AppTest : public JottaTest {};

class QuietAppTest : public JottaTest {
protected:
    void SetUp() override {
        JottaTest::SetUp();
        SetRegNumber(u"BannerCount", 3); // no banner in these tests
    }
};

} // namespace

TEST_F(AppTest, FirstStartTakesTheDefaultsAndWritesThemOnlyAtExit) {
    Start();
    EXPECT_EQ(1, bannersShown);
    EXPECT_TRUE(bannerWasVisible);
    EXPECT_EQ(1, app->m_bWrapLines);
    EXPECT_EQ(kSortBySubject, app->m_nSort);
    EXPECT_EQ(static_cast<int>(NoteYellow), app->m_nDefaultColor);
    EXPECT_EQ(0, app->m_bDebug);
    EXPECT_EQ(u"", app->m_strLastFind);
    EXPECT_TRUE(app->m_arrFilterCats.empty());
    EXPECT_EQ("BannerCount=5\n", DumpCommon());
    Command(ID_EDIT_WRAPLINES);
    Command(ID_SORT_CREATED);
    EXPECT_EQ("BannerCount=5\n", DumpCommon()) << "settings change only at exit";
    Exit();
    EXPECT_EQ("BannerCount=5\nDefaultColor=3\nFilterCat=''\nLastFind=''\nSort=2\nWrapLines=0\n",
              DumpCommon());
}

TEST_F(AppTest, TheBannerShowsOnTheFirstAndThenEveryFifthStart) {
    const int shownAt[] = {1, 0, 0, 0, 0, 1};
    const DWORD stored[] = {5, 4, 3, 2, 1, 5};
    for (int start = 0; start < 6; ++start) {
        bannersShown = 0;
        bannerWasVisible = false;
        Start();
        EXPECT_EQ(shownAt[start], bannersShown) << "start " << start + 1;
        EXPECT_EQ(shownAt[start] == 1, bannerWasVisible) << "start " << start + 1;
        EXPECT_EQ(stored[start], RegNumber(u"BannerCount")) << "start " << start + 1;
        Exit();
    }
}

TEST_F(AppTest, ABannerCountOutsideOneToFiveShowsTheBanner) {
    for (DWORD count : {0u, 6u, static_cast<DWORD>(-3)}) {
        SetRegNumber(u"BannerCount", count);
        bannersShown = 0;
        Start();
        EXPECT_EQ(1, bannersShown) << static_cast<int>(count);
        EXPECT_EQ(5u, RegNumber(u"BannerCount")) << static_cast<int>(count);
        Exit();
    }
}

TEST_F(QuietAppTest, SortValuesOutsideZeroAndOneReadAsCreationDate) {
    const struct {
        DWORD stored;
        NoteSortOrder read;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {7, 2}, {static_cast<DWORD>(-1), 2}};
    for (const auto& c : cases) {
        SetRegNumber(u"Sort", c.stored);
        Start();
        EXPECT_EQ(c.read, app->m_nSort) << static_cast<int>(c.stored);
        EXPECT_TRUE(Checked(ID_SORT_SUBJECT + c.read));
        Exit();
        EXPECT_EQ(static_cast<DWORD>(c.read), RegNumber(u"Sort"));
    }
}

TEST_F(QuietAppTest, TheDisplayFilterIsReadAndWrittenWithTabs) {
    PutNote(u"Home note", NoteYellow, u"Home\n");
    PutNote(u"Work note", NoteYellow, u"Work\n");
    PutNote(u"Plain note", NoteYellow, u"");
    const struct {
        const char16_t* stored;
        const char* list;
        const char16_t* written;
    } cases[] = {
        {u"Work\tHome\t", "list: >'Home note' 'Work note'", u"Work\tHome\t"},
        {u"Work\tHome", "list: >'Work note'", u"Work\t"},
        {u"", "list: >'Home note' 'Plain note' 'Work note'", u""},
    };
    for (const auto& c : cases) {
        SetRegString(u"FilterCat", c.stored);
        Start();
        EXPECT_EQ(c.list, State().substr(0, State().find('\n')));
        EXPECT_EQ(c.stored[0] == 0, Checked(ID_VIEW_ALLNOTES));
        EXPECT_EQ(c.stored[0] != 0, Checked(ID_VIEW_FILTERNOTES));
        Exit();
        EXPECT_EQ(std::u16string(c.written), RegString(u"FilterCat"));
    }
}

TEST_F(QuietAppTest, ANewNoteUnderAFilterCarriesItsCategories) {
    SetRegString(u"FilterCat", u"Work\tHome\t");
    Start();
    EXPECT_EQ("list:\neditor: disabled saved color 0 ''\n", State());
    Command(ID_NOTE_NEW);
    EXPECT_EQ("list: >'<New Note>'\neditor: enabled saved color 3 '<New Note>'\n", State());
    EXPECT_EQ(u"Work\nHome\n", doc->m_categories);
}

TEST_F(QuietAppTest, AFilterNoNotePassesLeavesNoValidNoteAndAllNotesShowsThemAgain) {
    PutNote(u"Alpha", NoteYellow, u"Home\n");
    SetRegString(u"FilterCat", u"Work\t");
    Start();
    EXPECT_EQ("list:\neditor: disabled saved color 0 ''\n", State());
    for (UINT id : {ID_NOTE_SAVE, ID_NOTE_DELETE, ID_NOTE_INFO, ID_NOTE_PRINT, ID_EXTRAS_FIND,
                    ID_EXTRAS_IMPORT, ID_EXTRAS_EXPORT, ID_COLOR_RED})
        EXPECT_FALSE(Enabled(id)) << id;
    Command(ID_VIEW_ALLNOTES);
    EXPECT_EQ("list: >'Alpha'\neditor: enabled saved color 3 'Alpha'\n", State());
    Exit();
    EXPECT_EQ(u"", RegString(u"FilterCat"));
}

TEST_F(QuietAppTest, DebugIsNeverWrittenAndOffersDeleteDatabase) {
    for (DWORD debug : {0u, 7u}) {
        SetRegNumber(u"Debug", debug);
        Start();
        const UINT state =
            GetMenuState(frame->GetCommandBar().GetMenu(), ID_EXTRAS_DELETEDB, MF_BYCOMMAND);
        EXPECT_EQ(debug != 0, state != static_cast<UINT>(-1)) << debug;
        Exit();
        EXPECT_EQ(debug, RegNumber(u"Debug"));
    }
}

TEST_F(QuietAppTest, DeleteDatabaseAsksThenLeavesTheProgramWithoutNotes) {
    PutNote(u"Alpha");
    SetRegNumber(u"Debug", 1);
    Start();
    ExpectQuestion(u"Do you want to delete the Jotterwick database?", IDNO);
    Command(ID_EXTRAS_DELETEDB);
    EXPECT_EQ("list: >'Alpha'\neditor: enabled saved color 3 'Alpha'\n", State());
    ExpectQuestion(u"Do you want to delete the Jotterwick database?", IDYES);
    Command(ID_EXTRAS_DELETEDB);
    CEOID oid = 0;
    EXPECT_EQ(INVALID_HANDLE_VALUE, CeOpenDatabase(&oid, kNoteDatabaseName, 0, 0, nullptr));
    Command(ID_NOTE_NEW); // creates nothing
    EXPECT_EQ("list:\neditor: disabled saved color 3 ''\n", State());
    Exit();
    Start(); // the next start creates the database afresh
    EXPECT_EQ("list:\neditor: disabled saved color 0 ''\n", State());
}

TEST_F(QuietAppTest, TheSplitterFollowsTheScreensShape) {
    const struct {
        int width, height, rows, cols;
    } cases[] = {{640, 240, 1, 2}, {240, 320, 2, 1}, {300, 300, 2, 1}};
    for (const auto& c : cases) {
        ui::SetScreenSize(c.width, c.height);
        Start();
        CSplitterWnd& splitter = frame->m_wndSplitter;
        EXPECT_EQ(c.rows, splitter.GetRowCount()) << c.width << "x" << c.height;
        EXPECT_EQ(c.cols, splitter.GetColumnCount()) << c.width << "x" << c.height;
        EXPECT_EQ(list, splitter.GetPane(0, 0));
        EXPECT_EQ(editor, c.cols == 2 ? splitter.GetPane(0, 1) : splitter.GetPane(1, 0));
        Exit();
    }
}

TEST_F(QuietAppTest, TheFrameCarriesItsTitleCommandBarAndHelp) {
    Start();
    EXPECT_EQ(u"Jotterwick", frame->GetWindowText());
    std::string bar;
    for (const auto& b : frame->GetCommandBar().Buttons())
        bar +=
            b.command == 0 ? "| " : std::to_string(b.command) + ":" + std::to_string(b.image) + " ";
    EXPECT_EQ("| 32771:0 32773:1 32772:2 | 57635:3 57634:4 57637:5 | 32776:6 | 32789:7 ", bar);
    EXPECT_EQ(0x0Bu, frame->GetCommandBar().Adornments());

    // F1, the help button and Help Topics each open the viewer on jotta.htc.
    for (int way = 0; way < 3; ++way)
        user().ExpectHelp(u"jotta.htc");
    ui::OpenHelpFile(u"");
    PressKey(VK_F1);
    EXPECT_EQ(u"jotta.htc", ui::LastHelpFile());
    ui::OpenHelpFile(u"");
    frame->GetCommandBar().PressAdornment(CMDBAR_HELP);
    EXPECT_EQ(u"jotta.htc", ui::LastHelpFile());
    ui::OpenHelpFile(u"");
    Command(ID_HELP);
    EXPECT_EQ(u"jotta.htc", ui::LastHelpFile());
    EXPECT_EQ(0u, user().Pending());
}

TEST_F(QuietAppTest, AboutAndSponsorsShowTheirDialogs) {
    Start();
    user().ExpectDialog(u"About Jotterwick", {}, IDOK);
    Command(ID_APP_ABOUT);
    EXPECT_EQ(0, bannersShown);
    Command(ID_HELP_SPONSORS);
    EXPECT_EQ(1, bannersShown);
    EXPECT_TRUE(bannerWasVisible);
    EXPECT_EQ(2u, RegNumber(u"BannerCount")) << "the command leaves the counter alone";
}

TEST_F(QuietAppTest, NoteInfosShowTheStoredNoteWithTheDocumentsColourAndCategories) {
    setenv("TZ", "UTC0", 1);
    tzset();
    const FILETIME created{0xFF8C9E80, 0x01DAFFFF};
    PutNote(u"Shopping\r\nMilk", NoteYellow, u"Work\nHome\n", created, FILETIME{});
    Start();
    Type(u"Changed ");
    Command(ID_COLOR_RED);
    CNoteInfoDlg info;
    ASSERT_TRUE(info.Fill(*doc));
    EXPECT_EQ(u"Shopping", info.m_strSubject);
    EXPECT_EQ(u"red", info.m_strColorName) << "the unsaved colour";
    EXPECT_EQ(u"Work\r\nHome", info.m_strCategoryLines);
    EXPECT_EQ(u"1/1/1601    12:00:00 AM", info.m_strModified);
    SYSTEMTIME st{};
    FileTimeToSystemTime(&created, &st);
    EXPECT_EQ(std::to_string(st.wMonth) + "/" + std::to_string(st.wDay) + "/" +
                  std::to_string(st.wYear),
              std::string(info.m_strCreated.begin(),
                          info.m_strCreated.begin() + info.m_strCreated.find(u' ')));
    user().ExpectDialog(u"Note Infos", {}, IDCANCEL);
    Command(ID_NOTE_INFO);
    unsetenv("TZ");
    tzset();
}

TEST_F(QuietAppTest, WordWrapSwitchKeepsUnsavedEditsFocusAndFont) {
    PutNote(u"Alpha");
    Start();
    const HWND before = EditorWindow();
    LOGFONTW logfont{};
    logfont.lfHeight = 12;
    HFONT font = CreateFontIndirectW(&logfont);
    SendMessageW(before, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    editor->SetFocus();
    Type(u"12");
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO));
    EXPECT_EQ(0u, static_cast<DWORD>(GetWindowLongW(before, GWL_STYLE)) & WS_HSCROLL);
    EXPECT_TRUE(Checked(ID_EDIT_WRAPLINES));

    Command(ID_EDIT_WRAPLINES);
    const HWND after = EditorWindow();
    EXPECT_NE(before, after);
    EXPECT_FALSE(IsWindow(before));
    EXPECT_EQ(0x503000C4u, static_cast<DWORD>(GetWindowLongW(after, GWL_STYLE)));
    EXPECT_EQ(u"12Alpha", EditorText());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(Enabled(ID_NOTE_SAVE));
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO)) << "the old control's undo went with it";
    EXPECT_EQ(after, GetFocus());
    EXPECT_EQ(font, reinterpret_cast<HFONT>(SendMessageW(after, WM_GETFONT, 0, 0)));
    EXPECT_EQ(static_cast<int>(0xE901), GetDlgCtrlID(after));
    EXPECT_FALSE(Checked(ID_EDIT_WRAPLINES));
    EXPECT_EQ(0, app->m_bWrapLines);

    Command(ID_EDIT_WRAPLINES);
    EXPECT_EQ(0x50200044u, static_cast<DWORD>(GetWindowLongW(EditorWindow(), GWL_STYLE)));
    EXPECT_EQ(u"12Alpha", EditorText());
    Type(u"3"); // the new control takes input (its caret starts at the top)
    EXPECT_EQ(u"312Alpha", EditorText());
    Command(ID_NOTE_SAVE);
    EXPECT_EQ("list: >'312Alpha'\neditor: enabled saved color 3 '312Alpha'\n", State());
    DeleteObject(font);
}

TEST_F(QuietAppTest, ASynchronizationReloadsAndAsksWithoutCancel) {
    PutNote(u"Alpha");
    Start();
    Type(u"edited ");
    PutNote(u"Aardvark"); // arrives while the program runs
    EXPECT_EQ("list: >'Alpha'\neditor: enabled modified color 3 'edited Alpha'\n", State());
    ExpectQuestion(u"Save changes?", IDNO);
    frame->SendMessage(WM_SYNC_FINISHED, 0, 0);
    EXPECT_EQ("list: >'Aardvark' 'Alpha'\neditor: enabled saved color 3 'Aardvark'\n", State());

    // The question has no Cancel: a script answering Cancel is refused and
    // the box's default, Yes, saves.
    TapLine(1);
    Type(u"kept ");
    std::vector<std::string> problems;
    user().SetProblemHandler([&](const std::string& p) { problems.push_back(p); });
    ExpectQuestion(u"Save changes?", IDCANCEL);
    PostMessageW(frame->GetSafeHwnd(), WM_SYNC_FINISHED, 0, 0);
    ui::PumpPendingMessages();
    ASSERT_EQ(1u, problems.size());
    EXPECT_NE(std::string::npos, problems[0].find("a button it does not have")) << problems[0];
    user().Finish();
    user().SetProblemHandler([](const std::string& p) { ADD_FAILURE() << "scripted user: " << p; });
    EXPECT_EQ("list: >'Aardvark' 'kept Alpha'\neditor: enabled saved color 3 'Aardvark'\n",
              State());
}
