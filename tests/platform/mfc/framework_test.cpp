#include "platform/mfc/cmd_ui.h"
#include "platform/ui/menu.h"
#include "platform/ui/resources.h"
#include "platform/ui/ui_test_support.h"
#include "test_app.h"

#include <algorithm>

namespace {

using namespace mfctest;

class FrameworkTest : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        AddTestResources();
        Log().clear();
        app = std::make_unique<CTestApp>();
        ASSERT_TRUE(app->InitInstance());
        frame = dynamic_cast<CTestFrame*>(app->m_pMainWnd);
        ASSERT_TRUE(frame);
        doc = dynamic_cast<CTestDoc*>(frame->GetActiveDocument());
        ASSERT_TRUE(doc);
        list = dynamic_cast<CTestListView*>(frame->m_wndSplitter.GetPane(0, 0));
        editor = dynamic_cast<CTestEditView*>(frame->m_wndSplitter.GetPane(0, 1));
        ASSERT_TRUE(list && editor);
        Log().clear();
    }
    void TearDown() override {
        if (app->m_pMainWnd)
            app->m_pMainWnd->DestroyWindow();
        DrainMessages();
        app.reset();
        ui::ClearResources();
        UiTest::TearDown();
    }
    // A command as a menu item sends it.
    void Command(UINT id) {
        frame->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
    }
    UINT MenuState(UINT id) {
        return GetMenuState(frame->GetCommandBar().GetMenu(), id, MF_BYCOMMAND);
    }
    CCeCommandBar::Button ButtonOf(UINT id) {
        const auto buttons = frame->GetCommandBar().Buttons();
        const auto it = std::find_if(buttons.begin(), buttons.end(),
                                     [id](const auto& b) { return b.command == id; });
        EXPECT_NE(buttons.end(), it) << "no button for command " << id;
        return it == buttons.end() ? CCeCommandBar::Button{} : *it;
    }

    std::unique_ptr<CTestApp> app;
    CTestFrame* frame = nullptr;
    CTestDoc* doc = nullptr;
    CTestListView* list = nullptr;
    CTestEditView* editor = nullptr;
};

TEST_F(FrameworkTest, StartBuildsFrameSplitterViewsAndFirstUpdate) {
    EXPECT_EQ(1, doc->m_newCount);
    EXPECT_EQ(2u, doc->GetViews().size());
    EXPECT_EQ(1, list->m_updates); // the initial update
    EXPECT_EQ(1, editor->m_updates);
    EXPECT_EQ(list, frame->GetActiveView()); // the first pane
    EXPECT_EQ(u"Test Frame", frame->GetWindowText());
    EXPECT_TRUE(frame->IsWindowVisible());
    EXPECT_EQ(3, list->m_wndList.GetCount());
    EXPECT_EQ(u"Test", doc->GetDocTemplate()->GetDocString(CDocTemplate::fileNewName));
    RECT listRect, editRect;
    list->GetWindowRect(&listRect);
    editor->GetWindowRect(&editRect);
    EXPECT_EQ(150, listRect.right - listRect.left); // landscape: list left at its initial width
    EXPECT_LT(listRect.right, editRect.left);
    EXPECT_EQ(static_cast<LRESULT>(CEditView::nMaxSize), editor->SendMessage(EM_GETLIMITTEXT));
}

TEST_F(FrameworkTest, CommandsRouteViewDocumentFrameApplication) {
    struct Case {
        UINT id;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {ID_VIEW_CMD, {"view"}},
        {ID_DOC_CMD, {"doc"}},
        {ID_FRAME_CMD, {"frame"}},
        {ID_APP_CMD, {"app"}},
        {ID_SHARED, {"doc shared"}},                      // the document comes before the frame
        {ID_PASS_ON, {"doc declines", "frame takes it"}}, // ON_COMMAND_EX returning FALSE routes on
        {ID_NOBODY, {}},
    };
    for (const auto& c : cases) {
        Log().clear();
        Command(c.id);
        EXPECT_EQ(c.expected, Log()) << c.id;
    }
    // With the editor active, the list view's command no longer has a handler on the route.
    frame->SetActiveView(editor);
    Log().clear();
    Command(ID_VIEW_CMD);
    EXPECT_TRUE(Log().empty());
    Command(ID_COLOR_FIRST + 3); // a range handler gets the id
    EXPECT_EQ(3, doc->m_color);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(FrameworkTest, UpdateHandlersDriveMenuAndToolButtons) {
    doc->m_color = 1;
    doc->m_docCmdEnabled = FALSE;
    frame->m_checked = 1;
    frame->OnUpdateCmdUI();
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), MenuState(ID_DOC_CMD) & MF_GRAYED);
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), MenuState(ID_FRAME_CMD) & MF_CHECKED);
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED),
              MenuState(ID_NOBODY) & MF_GRAYED); // no handler: disabled
    EXPECT_EQ(0u, MenuState(ID_COLOR_FIRST) & MF_CHECKED);
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), MenuState(ID_COLOR_FIRST + 1) & MF_CHECKED);
    EXPECT_EQ(0u, MenuState(ID_APP_EXIT) & MF_GRAYED); // the application's command
    EXPECT_FALSE(ButtonOf(ID_DOC_CMD).state & TBSTATE_ENABLED);
    EXPECT_TRUE(ButtonOf(ID_FRAME_CMD).state & TBSTATE_CHECKED);
    EXPECT_FALSE(ButtonOf(ID_NOBODY).state & TBSTATE_ENABLED);
    EXPECT_EQ(u"Frame", ButtonOf(ID_FRAME_CMD).label);

    // A disabled command does nothing, from a button, a menu or an accelerator.
    Log().clear();
    EXPECT_FALSE(frame->GetCommandBar().PressButton(ID_DOC_CMD));
    Command(ID_DOC_CMD);
    ui::SetKeyDown(VK_CONTROL, true);
    MSG key{frame->m_hWnd, WM_KEYDOWN, 'D', 0, 0, {0, 0}};
    EXPECT_TRUE(app->PreTranslateMessage(&key));
    ui::SetKeyDown(VK_CONTROL, false);
    EXPECT_TRUE(Log().empty());
    doc->m_docCmdEnabled = TRUE;
    frame->OnUpdateCmdUI();
    EXPECT_TRUE(frame->GetCommandBar().PressButton(ID_DOC_CMD));
    EXPECT_EQ((std::vector<std::string>{"doc"}), Log());

    frame->m_checked = 0;
    HMENU file = GetSubMenu(frame->GetCommandBar().GetMenu(), 0);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file),
                       0); // opening the menu updates it
    EXPECT_EQ(0u, MenuState(ID_FRAME_CMD) & MF_CHECKED);
}

TEST_F(FrameworkTest, KeyStrokesThroughTheLoopReachAcceleratorsAndTheEditor) {
    editor->SetFocus();
    ASSERT_TRUE(ui::PostKeyStroke('D', FCONTROL)); // the document's accelerator
    ASSERT_TRUE(ui::PostKeyStroke('Q', 0, u'q'));  // plain typing reaches the editor
    ASSERT_TRUE(ui::PostKeyStroke(VK_F1));         // help
    app->m_strHelpFilePath = u"keys.htc";
    user().ExpectHelp(u"keys.htc");
    ::PostQuitMessage(0);
    app->Run();
    EXPECT_EQ((std::vector<std::string>{"doc"}), Log());
    EXPECT_EQ(u"q", editor->GetWindowText());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(u"keys.htc", ui::LastHelpFile());
    EXPECT_EQ(0, GetKeyState(VK_CONTROL)); // every key came up again
}

TEST_F(FrameworkTest, UpdateAllViewsSkipsTheSender) {
    doc->UpdateAllViews(list, 5);
    EXPECT_EQ(1, list->m_updates);
    EXPECT_EQ(2, editor->m_updates);
    EXPECT_EQ(5, editor->m_lastHint);
    doc->UpdateAllViews(nullptr);
    EXPECT_EQ(2, list->m_updates);
    EXPECT_EQ(3, editor->m_updates);
}

TEST_F(FrameworkTest, EditViewMarksTheDocumentOnUserChangesOnly) {
    editor->SetWindowText(u"loaded text");
    EXPECT_FALSE(doc->IsModified());
    editor->SendMessage(WM_CHAR, 'x');
    EXPECT_TRUE(doc->IsModified());
    doc->SetModifiedFlag(FALSE);
    editor->GetEditCtrl().SetSel(0, -1);
    editor->SendMessage(WM_CUT);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(FrameworkTest, ListSelectionIsReflectedToTheListBox) {
    list->m_wndList.SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(4, ui::kLineHeight + 2));
    EXPECT_EQ((std::vector<std::string>{"reflected selchange 1"}), Log());
}

TEST_F(FrameworkTest, MessagesAndHelpReachTheFrame) {
    EXPECT_EQ(7, frame->SendMessage(WM_USER + 111, 3, 0));
    EXPECT_EQ((std::vector<std::string>{"custom 3"}), Log());
    app->m_strHelpFilePath = u"test.htc";
    user().ExpectHelp(u"test.htc");
    user().ExpectHelp(u"test.htc");
    EXPECT_TRUE(frame->GetCommandBar().PressAdornment(CMDBAR_HELP));
    EXPECT_EQ(u"test.htc", ui::LastHelpFile());
    ui::OpenHelpFile(u"");
    Command(ID_HELP);
    EXPECT_EQ(u"test.htc", ui::LastHelpFile());
}

TEST_F(FrameworkTest, ClosingAsksTheDocumentAndEndsTheLoop) {
    doc->SetModifiedFlag();
    doc->m_saveAnswer = FALSE;
    Command(ID_APP_EXIT);
    EXPECT_TRUE(IsWindow(frame->m_hWnd)); // the document said stop
    EXPECT_EQ((std::vector<std::string>{"save modified?"}), Log());
    doc->m_saveAnswer = TRUE;
    frame->PostMessage(WM_CLOSE);
    EXPECT_EQ(0, app->Run()); // the loop ends when the main frame is gone
    EXPECT_EQ(1, app->m_exits);
    EXPECT_EQ(nullptr, app->m_pMainWnd);
}

TEST(FrameworkPortrait, PortraitScreenStacksThePanes) {
    uitest::UiTest::DrainMessages();
    ui::SetScreenSize(240, 320);
    AddTestResources();
    {
        CTestApp app;
        ASSERT_TRUE(app.InitInstance());
        auto* frame = dynamic_cast<CTestFrame*>(app.m_pMainWnd);
        EXPECT_EQ(2, frame->m_wndSplitter.GetRowCount());
        EXPECT_EQ(1, frame->m_wndSplitter.GetColumnCount());
        EXPECT_TRUE(dynamic_cast<CTestEditView*>(frame->m_wndSplitter.GetPane(1, 0)));
        RECT r;
        frame->m_wndSplitter.GetPane(0, 0)->GetWindowRect(&r);
        EXPECT_EQ(100, r.bottom - r.top);
        frame->DestroyWindow();
        uitest::UiTest::DrainMessages();
    }
    ui::SetScreenSize(640, 240);
    ui::ClearResources();
}

} // namespace
