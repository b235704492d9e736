// GetLocaleInfoA's list separator and code page, and MessageBoxA through the
// window system's scripted user.
#include "platform/win32/locale.h"

#include "platform/ui/headless/scripted_user.h"
#include "platform/win32/message_box.h"
#include "platform/win32/registry.h"
#include "support/machine.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

class DesktopLocale : public ::testing::Test {
protected:
    testsupport::TempMachines machines;

    static void SetText(HKEY root, const char* subKey, const char* name, const char* text) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>(std::strlen(text) + 1)));
        RegCloseKey(key);
    }
    void SetListSeparator(const char* separator) {
        SetText(HKEY_CURRENT_USER, "Control Panel\\International", "sList", separator);
    }
};

TEST_F(DesktopLocale, ListSeparatorDefaultsToCommaAndFollowsTheRegistry) {
    char buffer[10];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(2, GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, buffer, 10));
    EXPECT_STREQ(",", buffer);
    EXPECT_EQ('#', buffer[2]);

    SetListSeparator(";|");
    EXPECT_EQ(3, GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, buffer, 10));
    EXPECT_STREQ(";|", buffer);
}

TEST_F(DesktopLocale, SizeQueriesAndSmallBuffers) {
    SetListSeparator(";;;");
    EXPECT_EQ(4, GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, nullptr, 0));
    char buffer[4];
    std::memset(buffer, '#', sizeof buffer);
    SetLastError(0);
    EXPECT_EQ(0, GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, buffer, 3));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ('#', buffer[0]);
    SetLastError(0);
    EXPECT_EQ(0, GetLocaleInfoA(LOCALE_USER_DEFAULT, 0x1234, buffer, 4));
    EXPECT_EQ(ERROR_INVALID_FLAGS, GetLastError());
}

TEST_F(DesktopLocale, AnsiCodePageIsReportedAsText) {
    char buffer[8];
    EXPECT_EQ(6, GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, buffer, 8));
    EXPECT_STREQ("65001", buffer);
}

TEST_F(DesktopLocale, MessageBoxAShowsTheAnsiTextsThroughTheScriptedUser) {
    auto& user = ui::ScriptedUser::Instance();
    std::string problems;
    user.SetProblemHandler([&](const std::string& p) { problems += p; });
    // 0xE9 is e-acute in code page 1252.
    SetText(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP", "1252");
    user.ExpectMessageBox(u"OleDispatchException", u"Number: 4097\nDesc: caf\u00E9", IDOK);
    EXPECT_EQ(IDOK,
              MessageBoxA(nullptr, "Number: 4097\nDesc: caf\xE9", "OleDispatchException", MB_OK));
    user.ExpectMessageBox(u"Error", u"Sure?", IDNO);
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, "Sure?", nullptr, MB_YESNO | MB_ICONSTOP));
    EXPECT_TRUE(user.AssertDone());
    EXPECT_EQ("", problems);
    user.SetProblemHandler(nullptr);
}

} // namespace
