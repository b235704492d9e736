// The command bar and the splitter as window classes: what they hold is read
// back through their messages, a tap becomes the parent's command, and the
// panes are laid out by the window system.
#include "platform/ui/commctrl.h"
#include "platform/ui/menu.h"
#include "platform/ui/resources.h"
#include "ui_test_support.h"

#include <string>
#include <vector>

namespace {

constexpr WORD kMenu = 300;
constexpr WORD kImages = 301;
constexpr UINT kSave = 40001;
constexpr UINT kDelete = 40002;

std::vector<std::string> g_parentLog;

LRESULT ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND)
        g_parentLog.push_back("command " + std::to_string(LOWORD(wParam)));
    else if (msg == WM_HELP)
        g_parentLog.push_back("help");
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class CommonControlsTest : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_parentLog.clear();
        ui::ClearResources();
        ui::AddMenuResource(kMenu, {{u"&File", {{u"&Save", static_cast<WORD>(kSave)}}}});
        ui::AddToolBarResource(kImages, {u"Save", u"Del"});
        WNDCLASSW cls{};
        cls.lpfnWndProc = ParentProc;
        cls.lpszClassName = u"CommonControlsParent";
        RegisterClassW(&cls);
        parent = CreateWindowExW(0, u"CommonControlsParent", u"Frame", WS_OVERLAPPED | WS_VISIBLE,
                                 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, parent);
    }
    void TearDown() override {
        ui::ClearResources();
        UiTest::TearDown();
    }

    HWND parent = nullptr;
};

std::u16string ButtonText(HWND bar, UINT command) {
    const auto length = SendMessageW(bar, TB_GETBUTTONTEXTW, command, 0);
    if (length < 0)
        return u"(none)";
    std::u16string text(static_cast<std::size_t>(length) + 1, u'#');
    SendMessageW(bar, TB_GETBUTTONTEXTW, command, reinterpret_cast<LPARAM>(text.data()));
    EXPECT_EQ(u'\0', text.back()) << "the text is ended";
    text.pop_back();
    return text;
}

TEST_F(CommonControlsTest, TheCommandBarHoldsItsMenuImagesButtonsAndAdornments) {
    HWND bar = CommandBar_Create(nullptr, parent, 1);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(parent, GetParent(bar));
    RECT r{};
    GetWindowRect(bar, &r);
    EXPECT_EQ(kCommandBarHeight, r.bottom - r.top);
    EXPECT_EQ(240, r.right - r.left);

    EXPECT_EQ(nullptr, CommandBar_GetMenu(bar, 0));
    EXPECT_FALSE(CommandBar_InsertMenubar(bar, nullptr, 999, 0)) << "no such menu";
    ASSERT_TRUE(CommandBar_InsertMenubar(bar, nullptr, kMenu, 0));
    HMENU menu = CommandBar_GetMenu(bar, 0);
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(1, GetMenuItemCount(menu));

    EXPECT_EQ(-1, CommandBar_AddBitmap(bar, nullptr, 999, 1, 16, 16)) << "no such images";
    EXPECT_EQ(-1, CommandBar_AddBitmap(bar, nullptr, kImages, 3, 16, 16)) << "only two images";
    EXPECT_EQ(0, CommandBar_AddBitmap(bar, nullptr, kImages, 2, 16, 16));

    // A button whose image the bar does not have adds none of the list.
    const TBBUTTON bad[] = {{0, static_cast<int>(kSave), TBSTATE_ENABLED, TBSTYLE_BUTTON, 0, 0},
                            {2, static_cast<int>(kDelete), TBSTATE_ENABLED, TBSTYLE_BUTTON, 0, 0}};
    EXPECT_FALSE(CommandBar_AddButtons(bar, 2, bad));
    EXPECT_EQ(0, SendMessageW(bar, TB_BUTTONCOUNT, 0, 0));

    const TBBUTTON buttons[] = {{0, 0, 0, TBSTYLE_SEP, 0, 0},
                                {0, static_cast<int>(kSave), TBSTATE_ENABLED, TBSTYLE_BUTTON, 0, 0},
                                {1, static_cast<int>(kDelete), 0, TBSTYLE_BUTTON, 0, 0}};
    ASSERT_TRUE(CommandBar_AddButtons(bar, 3, buttons));
    ASSERT_EQ(3, SendMessageW(bar, TB_BUTTONCOUNT, 0, 0));
    TBBUTTON got{};
    ASSERT_TRUE(SendMessageW(bar, TB_GETBUTTON, 2, reinterpret_cast<LPARAM>(&got)));
    EXPECT_EQ(static_cast<int>(kDelete), got.idCommand);
    EXPECT_EQ(1, got.iBitmap);
    EXPECT_FALSE(SendMessageW(bar, TB_GETBUTTON, 3, reinterpret_cast<LPARAM>(&got)));
    EXPECT_EQ(u"Save", ButtonText(bar, kSave));
    EXPECT_EQ(u"Del", ButtonText(bar, kDelete));
    EXPECT_EQ(u"(none)", ButtonText(bar, 12345));

    EXPECT_EQ(TBSTATE_ENABLED, SendMessageW(bar, TB_GETSTATE, kSave, 0));
    EXPECT_TRUE(SendMessageW(bar, TB_SETSTATE, kSave, TBSTATE_ENABLED | TBSTATE_CHECKED));
    EXPECT_EQ(TBSTATE_ENABLED | TBSTATE_CHECKED, SendMessageW(bar, TB_GETSTATE, kSave, 0));
    EXPECT_FALSE(SendMessageW(bar, TB_SETSTATE, 12345, TBSTATE_ENABLED));
    EXPECT_EQ(-1, SendMessageW(bar, TB_GETSTATE, 12345, 0));

    EXPECT_EQ(0, SendMessageW(bar, CBM_GETADORNMENTS, 0, 0));
    EXPECT_TRUE(CommandBar_AddAdornments(bar, CMDBAR_HELP, 0));
    EXPECT_EQ(static_cast<LRESULT>(CMDBAR_HELP), SendMessageW(bar, CBM_GETADORNMENTS, 0, 0));
}

TEST_F(CommonControlsTest, ATapOnTheCommandBarIsTheParentsCommandWhenEnabled) {
    HWND bar = CommandBar_Create(nullptr, parent, 1);
    ASSERT_EQ(0, CommandBar_AddBitmap(bar, nullptr, kImages, 2, 16, 16));
    const TBBUTTON buttons[] = {{0, static_cast<int>(kSave), TBSTATE_ENABLED, TBSTYLE_BUTTON, 0, 0},
                                {1, static_cast<int>(kDelete), 0, TBSTYLE_BUTTON, 0, 0}};
    ASSERT_TRUE(CommandBar_AddButtons(bar, 2, buttons));
    ASSERT_TRUE(CommandBar_AddAdornments(bar, CMDBAR_HELP | CMDBAR_OK, 0));

    EXPECT_TRUE(SendMessageW(bar, CBM_CLICKBUTTON, kSave, 0));
    EXPECT_FALSE(SendMessageW(bar, CBM_CLICKBUTTON, kDelete, 0)) << "disabled";
    EXPECT_FALSE(SendMessageW(bar, CBM_CLICKBUTTON, 12345, 0)) << "no such button";
    SendMessageW(bar, TB_SETSTATE, kDelete, TBSTATE_ENABLED);
    EXPECT_TRUE(SendMessageW(bar, CBM_CLICKBUTTON, kDelete, 0));
    EXPECT_TRUE(SendMessageW(bar, CBM_CLICKADORNMENT, CMDBAR_HELP, 0));
    EXPECT_TRUE(SendMessageW(bar, CBM_CLICKADORNMENT, CMDBAR_OK, 0));
    EXPECT_EQ((std::vector<std::string>{"command 40001", "command 40002", "help", "command 1"}),
              g_parentLog);

    g_parentLog.clear();
    ASSERT_TRUE(CommandBar_AddAdornments(bar, CMDBAR_HELP, 0));
    EXPECT_FALSE(SendMessageW(bar, CBM_CLICKADORNMENT, CMDBAR_OK, 0)) << "OK was taken away";
    EXPECT_EQ(std::vector<std::string>{}, g_parentLog);
}

TEST_F(CommonControlsTest, TheCommandBarsMenuGoesWithItsWindow) {
    HWND bar = CommandBar_Create(nullptr, parent, 1);
    ASSERT_TRUE(CommandBar_InsertMenubar(bar, nullptr, kMenu, 0));
    HMENU first = CommandBar_GetMenu(bar, 0);
    ASSERT_TRUE(CommandBar_InsertMenubar(bar, nullptr, kMenu, 0));
    HMENU second = CommandBar_GetMenu(bar, 0);
    EXPECT_EQ(-1, GetMenuItemCount(first)) << "the replaced menu was destroyed";
    ASSERT_TRUE(DestroyWindow(bar));
    EXPECT_EQ(-1, GetMenuItemCount(second)) << "the bar's menu went with it";
    EXPECT_EQ(nullptr, CommandBar_GetMenu(bar, 0));
}

HWND Pane(HWND splitter, int row, int col, int cx, int cy) {
    SendMessageW(splitter, SPM_SETPANESIZE,
                 MAKEWPARAM(static_cast<WORD>(row), static_cast<WORD>(col)),
                 MAKELPARAM(static_cast<WORD>(cx), static_cast<WORD>(cy)));
    return CreateWindowExW(0, u"static", u"", WS_CHILD | WS_VISIBLE, 0, 0, cx, cy, splitter,
                           reinterpret_cast<HMENU>(static_cast<std::intptr_t>(
                               SPLITTER_PANE_FIRST + row * kSplitterMaxPanes + col)),
                           nullptr, nullptr);
}

// "left,top,right,bottom" of a pane in its splitter's client area.
std::string PlaceOf(HWND pane) {
    RECT r{};
    GetWindowRect(pane, &r);
    POINT origin{r.left, r.top};
    ScreenToClient(GetParent(pane), &origin);
    return std::to_string(origin.x) + "," + std::to_string(origin.y) + "," +
           std::to_string(origin.x + r.right - r.left) + "," +
           std::to_string(origin.y + r.bottom - r.top);
}

TEST_F(CommonControlsTest, TheSplitterKeepsItsGridAndLaysOutItsPanes) {
    HWND splitter = CreateWindowExW(0, WC_SPLITTERW, u"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 300,
                                    parent, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, splitter);
    EXPECT_EQ(0, SendMessageW(splitter, SPM_GETGRID, 0, 0));
    EXPECT_FALSE(SendMessageW(splitter, SPM_SETGRID, 0, 1));
    EXPECT_FALSE(SendMessageW(splitter, SPM_SETGRID, 2, 17));
    ASSERT_TRUE(SendMessageW(splitter, SPM_SETGRID, 2, 1));
    EXPECT_FALSE(SendMessageW(splitter, SPM_SETGRID, 1, 2)) << "the grid is set once";
    EXPECT_EQ(static_cast<LRESULT>(MAKELONG(2, 1)), SendMessageW(splitter, SPM_GETGRID, 0, 0));
    EXPECT_FALSE(SendMessageW(splitter, SPM_SETPANESIZE, MAKEWPARAM(2, 0), MAKELPARAM(10, 10)));

    HWND top = Pane(splitter, 0, 0, 150, 100);
    HWND bottom = Pane(splitter, 1, 0, 150, 50);
    SendMessageW(splitter, SPM_RECALCLAYOUT, 0, 0);
    // The first row keeps its height; the last row and column take the rest.
    EXPECT_EQ("0,0,200,100", PlaceOf(top));
    EXPECT_EQ("0,116,200,300", PlaceOf(bottom)) << "a gap of one line, for the divider";

    // Resizing the splitter lays the panes out again, never beyond its edge.
    MoveWindow(splitter, 0, 0, 120, 80, TRUE);
    EXPECT_EQ("0,0,120,80", PlaceOf(top));
    EXPECT_EQ("0,96,120,96", PlaceOf(bottom));

    // Turned, the two rows become two columns with a gap of one character
    // between them, each pane keeping its window, and sizes are asked anew.
    MoveWindow(splitter, 0, 0, 200, 300, TRUE);
    ASSERT_TRUE(SendMessageW(splitter, SPM_TRANSPOSE, 0, 0));
    EXPECT_EQ(static_cast<LRESULT>(MAKELONG(1, 2)), SendMessageW(splitter, SPM_GETGRID, 0, 0));
    EXPECT_EQ(top, GetDlgItem(splitter, static_cast<int>(SPLITTER_PANE_FIRST)));
    EXPECT_EQ(bottom, GetDlgItem(splitter, static_cast<int>(SPLITTER_PANE_FIRST) + 1));
    EXPECT_TRUE(SendMessageW(splitter, SPM_SETPANESIZE, MAKEWPARAM(0, 0), MAKELPARAM(60, 10)));
    SendMessageW(splitter, SPM_RECALCLAYOUT, 0, 0);
    EXPECT_EQ("0,0,60,300", PlaceOf(top));
    EXPECT_EQ("68,0,200,300", PlaceOf(bottom));
    HWND lone = CreateWindowExW(0, WC_SPLITTERW, u"", WS_CHILD, 0, 0, 10, 10, parent, nullptr,
                                nullptr, nullptr);
    EXPECT_FALSE(SendMessageW(lone, SPM_TRANSPOSE, 0, 0)) << "no grid to turn";
}

} // namespace
