#include "platform/ui/dialog.h"
#include "platform/ui/menu.h"
#include "platform/ui/resources.h"
#include "ui_test_support.h"

#include <string>
#include <vector>

namespace {

// A search dialog like the notes program's: an edit field, a check box, a
// radio pair and a multiple-selection list, read back on OK.
DialogTemplate SearchTemplate() {
    DialogTemplate t;
    t.caption = u"Search for Notes";
    t.cx = 180;
    t.cy = 100;
    t.fontName = u"MS Sans Serif";
    t.pointSize = 8;
    t.items = {
        {u"edit", u"", 1000, WS_BORDER | WS_TABSTOP | WS_VISIBLE | ES_AUTOHSCROLL, 0, 7, 7, 120,
         12},
        {u"button", u"&Match case", 1001, BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, 0, 7, 24, 80,
         10},
        {u"button", u"&Up", 1002, BS_AUTORADIOBUTTON | WS_GROUP | WS_VISIBLE, 0, 7, 36, 40, 10},
        {u"button", u"&Down", 1003, BS_AUTORADIOBUTTON | WS_VISIBLE, 0, 50, 36, 40, 10},
        {u"listbox", u"", 1004, LBS_SORT | LBS_MULTIPLESEL | WS_VSCROLL | WS_VISIBLE | WS_GROUP, 0,
         7, 50, 80, 40},
        {u"button", u"Search", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE | WS_GROUP, 0, 130,
         7, 40, 14},
        {u"button", u"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 130, 24, 40,
         14},
    };
    return t;
}

struct SearchData {
    std::u16string text = u"milk";
    UINT matchCase = 0;
    int direction = 1; // 0 up, 1 down
    std::vector<std::u16string> categories;
    std::vector<std::u16string> offered = {u"Work", u"Home", u"Travel"};
    int initCalls = 0;
    bool refuseEmpty = false;
};

std::u16string ItemText(HWND dlg, int id) {
    WCHAR buffer[128];
    GetDlgItemTextW(dlg, id, buffer, 128);
    return buffer;
}

INT_PTR SearchProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<SearchData*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        data = reinterpret_cast<SearchData*>(lParam);
        SetWindowLongPtrW(dlg, DWLP_USER, lParam);
        ++data->initCalls;
        SetDlgItemTextW(dlg, 1000, data->text.c_str());
        CheckDlgButton(dlg, 1001, data->matchCase);
        CheckRadioButton(dlg, 1002, 1003, 1002 + data->direction);
        for (const auto& name : data->offered)
            SendDlgItemMessageW(dlg, 1004, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            const std::u16string text = ItemText(dlg, 1000);
            if (data->refuseEmpty && text.empty())
                return TRUE; // stays open, as a validating dialog does
            data->text = text;
            data->matchCase = IsDlgButtonChecked(dlg, 1001);
            data->direction = IsDlgButtonChecked(dlg, 1003) == BST_CHECKED ? 1 : 0;
            data->categories.clear();
            HWND list = GetDlgItem(dlg, 1004);
            for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
                if (SendMessageW(list, LB_GETSEL, i, 0) > 0) {
                    WCHAR item[64];
                    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
                    data->categories.push_back(item);
                }
            }
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

class DialogTest : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ui::ClearResources();
        ui::AddDialogResource(130, SearchTemplate());
    }
    void TearDown() override {
        ui::ClearResources();
        UiTest::TearDown();
    }
    INT_PTR Run(SearchData& data, HWND owner = nullptr) {
        return DialogBoxParamW(nullptr, MAKEINTRESOURCEW(130), owner, SearchProc,
                               reinterpret_cast<LPARAM>(&data));
    }
};

TEST_F(DialogTest, ScriptedUserFillsFieldsAndPressesTheButton) {
    SearchData data;
    user().ExpectDialog(u"Search for Notes",
                        {{1000, u"bread"}, {1001, u"1"}, {1002, u"1"}, {1004, u"Home\nWork"}},
                        IDOK);
    EXPECT_EQ(IDOK, Run(data));
    EXPECT_EQ(u"bread", data.text);
    EXPECT_EQ(BST_CHECKED, data.matchCase);
    EXPECT_EQ(0, data.direction); // Up clicked: Down unchecked by the group
    EXPECT_EQ((std::vector<std::u16string>{u"Home", u"Work"}), data.categories);
    EXPECT_EQ(1, data.initCalls);
    EXPECT_EQ("dialog\tSearch for Notes\tOK\t1000=bread\t1001=1\t1002=1\t1004=Home\\nWork",
              user().Shown().back());
    EXPECT_TRUE(ui::ModalDialogs().empty());
}

TEST_F(DialogTest, CancelLeavesTheDataAndUnexpectedDialogsAreCancelled) {
    SearchData data;
    user().ExpectDialog(u"Search for Notes", {{1000, u"ignored"}}, IDCANCEL);
    EXPECT_EQ(IDCANCEL, Run(data));
    EXPECT_EQ(u"milk", data.text);

    std::string problems;
    user().SetProblemHandler([&](const std::string& p) { problems += p + "\n"; });
    EXPECT_EQ(IDCANCEL, Run(data));
    EXPECT_NE(std::string::npos, problems.find("unexpected dialog 'Search for Notes'")) << problems;
    EXPECT_EQ("!dialog\tSearch for Notes\tCancel", user().Shown().back());
    user().Finish();
}

TEST_F(DialogTest, AnswersTheDialogCannotTakeAreProblems) {
    SearchData data;
    data.refuseEmpty = true;
    std::string problems;
    user().SetProblemHandler([&](const std::string& p) { problems += p + "\n"; });
    user().ExpectDialog(u"Search for Notes", {{1000, u""}, {1099, u"x"}, {1004, u"Garden"}}, IDOK);
    EXPECT_EQ(IDCANCEL, Run(data)); // stayed open, so the dialog manager cancelled it
    EXPECT_NE(std::string::npos, problems.find("has no control 1099")) << problems;
    EXPECT_NE(std::string::npos, problems.find("no item 'Garden'")) << problems;
    EXPECT_NE(std::string::npos, problems.find("stayed open after button 1")) << problems;
    user().Finish();
}

TEST_F(DialogTest, OwnerIsDisabledWhileModalAndRunsOnAfterwards) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.lpszClassName = u"Owner";
    RegisterClassW(&cls);
    HWND owner = CreateWindowExW(0, u"Owner", u"Jotterwick", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 640,
                                 240, nullptr, nullptr, nullptr, nullptr);
    static bool ownerEnabledInside = true;
    struct Probe {
        static INT_PTR Proc(HWND dlg, UINT msg, WPARAM, LPARAM) {
            if (msg == WM_INITDIALOG) {
                ownerEnabledInside = IsWindowEnabled(GetParent(dlg));
                EndDialog(dlg, 42); // ends before it is ever shown
                return TRUE;
            }
            return FALSE;
        }
    };
    DialogTemplate t = SearchTemplate();
    t.caption = u"Probe";
    EXPECT_EQ(42, DialogBoxIndirectParamW(nullptr, &t, owner, Probe::Proc, 0));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(owner, GetActiveWindow());
    EXPECT_EQ(-1, DialogBoxParamW(nullptr, MAKEINTRESOURCEW(999), owner, Probe::Proc, 0));
    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
    EXPECT_TRUE(ownerEnabledInside); // disabled only once the dialog runs, as on the platform
}

TEST_F(DialogTest, ModelessDialogLivesUntilDestroyed) {
    DialogTemplate banner;
    banner.caption = u"Jotterwick Sponsors";
    banner.style = 0x90C008C0; // popup, visible, caption, modal frame, centred
    banner.cx = 155;
    banner.cy = 114;
    banner.items = {
        {u"static", u"Please remember:", IDC_STATIC, SS_LEFT | WS_VISIBLE, 0, 7, 7, 141, 38}};
    const auto shownBefore = user().Shown().size();
    HWND dialog = CreateDialogIndirectParamW(nullptr, &banner, nullptr, nullptr, 0);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(IsWindowVisible(dialog));
    RECT r;
    GetWindowRect(dialog, &r);
    EXPECT_EQ((640 - 310) / 2, r.left); // centred on the screen, 2 pixels per dialog unit
    EXPECT_EQ(310, r.right - r.left);
    EXPECT_EQ(shownBefore, user().Shown().size()); // a modeless dialog is no prompt
    EXPECT_TRUE(DestroyWindow(dialog));
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(DialogTest, KeyboardInTheDialog) {
    HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(130), nullptr, SearchProc,
                                     reinterpret_cast<LPARAM>(new SearchData));
    ASSERT_TRUE(dialog);
    auto* data = reinterpret_cast<SearchData*>(GetWindowLongPtrW(dialog, DWLP_USER));
    EXPECT_EQ(GetDlgItem(dialog, 1000), GetFocus()); // the first tab stop
    MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageW(dialog, &tab));
    EXPECT_EQ(GetDlgItem(dialog, 1001), GetFocus());
    SetFocus(GetDlgItem(dialog, 1000));
    SetDlgItemTextW(dialog, 1000, u"eggs");
    MSG enter{GetFocus(), WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageW(dialog, &enter)); // Enter presses the default button
    EXPECT_TRUE(ui::DialogEnded(dialog));
    EXPECT_EQ(u"eggs", data->text);
    DestroyWindow(dialog);
    delete data;
}

TEST_F(DialogTest, DialogItemIntegers) {
    HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(130), nullptr, nullptr, 0);
    ASSERT_TRUE(dialog);
    struct Case {
        const char16_t* text;
        BOOL isSigned;
        UINT value;
        BOOL translated;
    };
    const Case cases[] = {
        {u"42", FALSE, 42, TRUE},
        {u"  7 ", FALSE, 7, TRUE},
        {u"-5", TRUE, static_cast<UINT>(-5), TRUE},
        {u"-5", FALSE, 0, FALSE},
        {u"4294967295", FALSE, 4294967295u, TRUE},
        {u"4294967296", FALSE, 0, FALSE},
        {u"2147483648", TRUE, 0, FALSE},
        {u"12x", FALSE, 0, FALSE},
        {u"", FALSE, 0, FALSE},
    };
    for (const auto& c : cases) {
        SetDlgItemTextW(dialog, 1000, c.text);
        BOOL translated = 2;
        EXPECT_EQ(c.value, GetDlgItemInt(dialog, 1000, &translated, c.isSigned));
        EXPECT_EQ(c.translated, translated);
    }
    SetDlgItemInt(dialog, 1000, static_cast<UINT>(-12), TRUE);
    EXPECT_EQ(u"-12", ItemText(dialog, 1000));
    DestroyWindow(dialog);
}

TEST_F(DialogTest, ResourcesLoadStringsMenusAndAccelerators) {
    ui::AddStringResource(61208, u"Save changes?");
    WCHAR buffer[8];
    EXPECT_EQ(7, LoadStringW(nullptr, 61208, buffer, 8));
    EXPECT_EQ(std::u16string(u"Save ch"), buffer);
    EXPECT_EQ(0, LoadStringW(nullptr, 1, buffer, 8));
    EXPECT_EQ(u'\0', buffer[0]);
    ui::AddMenuResource(128, {{u"&Note", {{u"&New\tCtrl+N", 32771}, {}, {u"E&xit", 57665}}},
                              {u"&View", {{u"&Sort", {{u"&Subject", 32786}}}}}});
    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(128));
    ASSERT_TRUE(menu);
    EXPECT_EQ(2, GetMenuItemCount(menu));
    EXPECT_EQ(3, GetMenuItemCount(GetSubMenu(menu, 0)));
    EXPECT_EQ(static_cast<UINT>(MF_SEPARATOR), GetMenuState(GetSubMenu(menu, 0), 1, MF_BYPOSITION));
    EXPECT_EQ(0u, CheckMenuItem(menu, 32786, MF_CHECKED)); // found inside the nested popup
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), GetMenuState(menu, 32786, MF_BYCOMMAND));
    EnableMenuItem(menu, 32771, MF_GRAYED);
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), GetMenuState(menu, 32771, MF_BYCOMMAND));
    EXPECT_TRUE(DeleteMenu(menu, 57665, MF_BYCOMMAND));
    EXPECT_EQ(static_cast<UINT>(-1), GetMenuState(menu, 57665, MF_BYCOMMAND));
    WCHAR text[32];
    EXPECT_EQ(11, GetMenuStringW(menu, 32771, text, 32, MF_BYCOMMAND));
    EXPECT_TRUE(DestroyMenu(menu));
    ui::AddAcceleratorResource(128, {{FVIRTKEY | FCONTROL, 'N', 32771}});
    HACCEL accel = LoadAcceleratorsW(nullptr, MAKEINTRESOURCEW(128));
    EXPECT_EQ(1, CopyAcceleratorTableW(accel, nullptr, 0));
    DestroyAcceleratorTable(accel);
}

} // namespace
