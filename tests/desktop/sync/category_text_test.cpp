// The list separator as the desktop reads it for Outlook's Categories text.
#include "desktop/sync/category_text.h"

#include "platform/win32/registry.h"
#include "support/machine.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

void SetListSeparatorValue(const char* text) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "sList", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(std::strlen(text) + 1)));
    RegCloseKey(key);
}

TEST(CategoryText, ListSeparatorIsReadAfreshAtEveryCall) {
    testsupport::TempMachines machines;
    EXPECT_EQ(",", ListSeparator());
    SetListSeparatorValue(";|");
    EXPECT_EQ(";|", ListSeparator());
    SetListSeparatorValue("");
    EXPECT_EQ(",", ListSeparator());
    SetListSeparatorValue("123456789"); // nine characters and the NUL fill the buffer
    EXPECT_EQ("123456789", ListSeparator());
    SetListSeparatorValue("1234567890"); // does not fit
    EXPECT_EQ(",", ListSeparator());
}

} // namespace
