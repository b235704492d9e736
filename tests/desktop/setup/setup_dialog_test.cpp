// The installer's dialog in this process: the About entry of its system
// menu and View Readme.
#include "setup_fixture.h"

#include "desktop/setup/resource.h"
#include "desktop/setup/setup_dlg.h"
#include "platform/ui/menu.h"
#include "platform/ui/resources.h"
#include "platform/win32/inf_directories.h"

namespace {

class SetupDialog : public setuptest::SetupTest {
protected:
    CSetupDlg dialog;

    void SetUp() override {
        ui::ClearResources();
        AddSetupResources();
        user().Finish();
        user().SetProblemHandler(
            [](const std::string& p) { ADD_FAILURE() << "scripted user: " << p; });
        ASSERT_NE(nullptr, dialog.Create());
    }
    void TearDown() override {
        if (dialog.m_hWnd)
            DestroyWindow(dialog.m_hWnd);
        EXPECT_TRUE(user().AssertDone());
        user().SetProblemHandler(nullptr);
    }
    static ui::ScriptedUser& user() { return ui::ScriptedUser::Instance(); }
};

std::u16string MenuText(HMENU menu, int position) {
    char16_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
    return text;
}

TEST_F(SetupDialog, TheSystemMenuHasTheAboutEntryBelowASeparator) {
    HMENU menu = GetSystemMenu(dialog.m_hWnd, FALSE);
    ASSERT_NE(nullptr, menu);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 3);
    EXPECT_NE(0u, GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(IDM_ABOUTBOX, GetMenuItemID(menu, count - 1));
    EXPECT_EQ(u"Inf&o über setup...", MenuText(menu, count - 1));

    user().Expect(Dialog(u"Info über setup", IDOK));
    SendMessageW(dialog.m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    EXPECT_EQ(0u, user().Pending());
    EXPECT_TRUE(IsWindow(dialog.m_hWnd)) << "the installer's dialog stays";
}

TEST_F(SetupDialog, ViewReadmeStartsNotepadWithThePathUnquoted) {
    RecordingProgram(win32::SystemFolder(), "notepad");
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_VIEW_README, BN_CLICKED), 0);
    EXPECT_EQ(std::vector<std::string>{InstallerFolder() + "\\readme.txt"}, Recorded());
    EXPECT_TRUE(IsWindow(dialog.m_hWnd)) << "the installer's dialog stays";
}

TEST_F(SetupDialog, ViewReadmeWithoutNotepadSaysSo) {
    const char* path = std::getenv("PATH");
    const std::string saved = path ? path : "";
    setenv("PATH", root.c_str(), 1); // no notepad anywhere
    user().Expect(Box(u"Error spanwning Notepad!"));
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_VIEW_README, BN_CLICKED), 0);
    setenv("PATH", saved.c_str(), 1);
    EXPECT_TRUE(IsWindow(dialog.m_hWnd));
}

} // namespace
