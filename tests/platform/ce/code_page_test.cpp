#include "platform/ce/code_page.h"
#include "platform/ce/registry.h"
#include "platform/win32/codepage.h"
#include "platform/win32/registry.h"
#include "support/machine.h"

#include <gtest/gtest.h>

namespace {

class HandheldCodePage : public ::testing::Test {
protected:
    void NameCodePage(const char16_t* acp) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                                  u"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", 0, nullptr,
                                  0, 0, nullptr, &key, nullptr));
        const std::u16string text(acp);
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(key, u"ACP", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))));
        RegCloseKey(key);
    }

    testsupport::TempMachines machines;
};

} // namespace

TEST_F(HandheldCodePage, IsWindowsLatinUnlessTheRegistryNamesAnother) {
    EXPECT_EQ(1252u, ce::GetACP());
    EXPECT_EQ("caf\xE9 \x80 ?", ce::WideToAnsi(u"café € 漢"));
    EXPECT_EQ(u"café €", ce::AnsiToWide("caf\xE9 \x80"));

    NameCodePage(u"932");
    EXPECT_EQ(932u, ce::GetACP());
    EXPECT_EQ("\x8A\xBF", ce::WideToAnsi(u"漢"));
    EXPECT_EQ(u"漢", ce::AnsiToWide("\x8A\xBF"));

    NameCodePage(u"1250"); // not a code page the handheld has
    EXPECT_EQ(1252u, ce::GetACP());
}

TEST_F(HandheldCodePage, IsTheHandheldsOwnNotTheDesktops) {
    // One process holding both machines, as the service manager does.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                                             "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", 0,
                                             nullptr, 0, 0, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "ACP", 0, REG_SZ, reinterpret_cast<const BYTE*>("932"), 4));
    RegCloseKey(key);
    EXPECT_EQ(932u, GetACP());
    EXPECT_EQ(1252u, ce::GetACP());
    EXPECT_EQ("\xE9", ce::WideToAnsi(u"é"));
    char bytes[4] = {};
    EXPECT_EQ(2,
              ce::WideCharToMultiByte(CP_ACP, 0, u"é", -1, bytes, sizeof bytes, nullptr, nullptr));
    EXPECT_EQ('\xE9', bytes[0]);
}
