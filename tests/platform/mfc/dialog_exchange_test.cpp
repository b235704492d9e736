#include "platform/mfc/data_exchange.h"
#include "platform/mfc/dialog.h"
#include "platform/mfc/win_app.h"
#include "platform/ui/resources.h"
#include "platform/ui/ui_test_support.h"

namespace {

constexpr UINT IDD_OPTIONS = 200;

DialogTemplate OptionsTemplate() {
    DialogTemplate t;
    t.caption = u"Options";
    t.cx = 200;
    t.cy = 120;
    t.items = {
        {u"edit", u"", 1000, WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 5, 5, 100, 12},
        {u"edit", u"", 1001, WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 5, 20, 40, 12},
        {u"button", u"Active", 1002, WS_VISIBLE | BS_AUTOCHECKBOX, 0, 5, 35, 60, 10},
        {u"button", u"Red", 1003, WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, 0, 5, 50, 40, 10},
        {u"button", u"Green", 1004, WS_VISIBLE | BS_AUTORADIOBUTTON, 0, 50, 50, 40, 10},
        {u"button", u"Blue", 1005, WS_VISIBLE | BS_AUTORADIOBUTTON, 0, 95, 50, 40, 10},
        {u"combobox", u"", 1006, WS_VISIBLE | WS_GROUP | CBS_DROPDOWNLIST, 0, 5, 65, 80, 40},
        {u"listbox", u"", 1007, WS_VISIBLE | LBS_NOTIFY, 0, 100, 65, 80, 40},
        {u"button", u"OK", IDOK, WS_VISIBLE | BS_DEFPUSHBUTTON, 0, 150, 5, 40, 14},
        {u"button", u"Cancel", IDCANCEL, WS_VISIBLE, 0, 150, 22, 40, 14},
    };
    return t;
}

class COptionsDlg : public CDialog {
public:
    COptionsDlg() : CDialog(IDD_OPTIONS) {}
    BOOL OnInitDialog() override {
        for (const char16_t* item : {u"Daily", u"Hourly", u"Never"}) {
            SendDlgItemMessageW(m_hWnd, 1006, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
            SendDlgItemMessageW(m_hWnd, 1007, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        return CDialog::OnInitDialog();
    }
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, 1000, m_name);
        DDX_Text(pDX, 1001, m_delay);
        DDX_Check(pDX, 1002, m_active);
        DDX_Radio(pDX, 1003, m_color);
        DDX_CBString(pDX, 1006, m_schedule);
        DDX_LBIndex(pDX, 1007, m_listIndex);
    }
    std::u16string m_name = u"Outlook";
    int m_delay = 30;
    int m_active = 1;
    int m_color = 2;
    std::u16string m_schedule = u"Hourly";
    int m_listIndex = 0;
    std::u16string m_shownName; // what the control showed after loading
};

class DialogExchangeTest : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ui::ClearResources();
        ui::AddDialogResource(IDD_OPTIONS, OptionsTemplate());
    }
    void TearDown() override {
        ui::ClearResources();
        UiTest::TearDown();
    }
    CWinApp app{u"Quillmarks"};
};

TEST_F(DialogExchangeTest, OkSavesWhatTheUserEntered) {
    COptionsDlg dlg;
    user().ExpectDialog(u"Options",
                        {{1000, u"Work PC"},
                         {1001, u"45"},
                         {1002, u"0"},
                         {1004, u"1"},
                         {1006, u"Never"},
                         {1007, u"Daily"}},
                        IDOK);
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(u"Work PC", dlg.m_name);
    EXPECT_EQ(45, dlg.m_delay);
    EXPECT_EQ(0, dlg.m_active);
    EXPECT_EQ(1, dlg.m_color);
    EXPECT_EQ(u"Never", dlg.m_schedule);
    EXPECT_EQ(0, dlg.m_listIndex);
    EXPECT_EQ(nullptr, dlg.m_hWnd); // detached when the dialog ended
}

TEST_F(DialogExchangeTest, LoadingShowsTheMembersAndCancelKeepsThem) {
    COptionsDlg dlg;
    user().ExpectDialog(u"Options", {}, IDOK); // OK at once: what was loaded comes back
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(u"Outlook", dlg.m_name);
    EXPECT_EQ(30, dlg.m_delay);
    EXPECT_EQ(1, dlg.m_active);
    EXPECT_EQ(2, dlg.m_color);
    EXPECT_EQ(u"Hourly", dlg.m_schedule);
    user().ExpectDialog(u"Options", {{1000, u"changed"}}, IDCANCEL);
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(u"Outlook", dlg.m_name);
}

TEST_F(DialogExchangeTest, TextInANumberFieldIsRefusedAndTheDialogStays) {
    COptionsDlg dlg;
    std::string problems;
    user().SetProblemHandler([&](const std::string& p) { problems += p + "\n"; });
    user().ExpectDialog(u"Options", {{1001, u"soon"}}, IDOK);
    user().ExpectMessageBox(u"Quillmarks", u"Please enter an integer.", IDOK);
    EXPECT_EQ(IDCANCEL, dlg.DoModal()); // stayed open, so it was cancelled in the end
    EXPECT_EQ(30, dlg.m_delay);
    EXPECT_NE(std::string::npos, problems.find("stayed open after button 1")) << problems;
    EXPECT_EQ(0u, user().Pending()); // the box was asked
    user().Finish();
}

TEST_F(DialogExchangeTest, ModelessDialogWithoutOwner) {
    DialogTemplate banner;
    banner.caption = u"Sponsors";
    banner.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_CENTER;
    banner.cx = 100;
    banner.cy = 50;
    ui::AddDialogResource(138, banner);
    CDialog dlg;
    ASSERT_TRUE(dlg.Create(138));
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_EQ(nullptr, ::GetParent(dlg.m_hWnd));
    EXPECT_TRUE(dlg.DestroyWindow());
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

} // namespace
