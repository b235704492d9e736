// The desktop registry's ANSI functions and the platform's buffer rules.
#include "platform/win32/registry.h"

#include "support/machine.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

class DesktopRegistry : public ::testing::Test {
protected:
    testsupport::TempMachines machines;

    HKEY Create(HKEY root, const char* path) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                 KEY_ALL_ACCESS, nullptr, &key, &disposition));
        return key;
    }
    void SetText(HKEY key, const char* name, const std::string& text, bool withNul = true) {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + (withNul ? 1 : 0))));
    }
};

TEST_F(DesktopRegistry, CreateReportsNewThenExistingAndOpenIsCaseInsensitive) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Jotterwick\\Devices", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition));
    EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, "software\\JOTTERWICK\\devices", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
    RegCloseKey(key);
    // The roots are separate trees.
    EXPECT_EQ(
        ERROR_FILE_NOT_FOUND,
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Jotterwick\\Devices", 0, KEY_READ, &key));
}

TEST_F(DesktopRegistry, QueryFollowsTheBufferRules) {
    HKEY key = Create(HKEY_CURRENT_USER, "Control Panel\\International");
    SetText(key, "sList", ";");
    SetText(key, "long", "0123456789");

    // Size query: REG_SZ sizes count the NUL.
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "long", nullptr, &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(11u, size);

    // Too small: ERROR_MORE_DATA, the size, the buffer untouched.
    BYTE buffer[16];
    std::memset(buffer, 0xAB, sizeof buffer);
    size = 10;
    type = 0;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "long", nullptr, &type, buffer, &size));
    EXPECT_EQ(11u, size);
    EXPECT_EQ(REG_SZ, type);
    for (BYTE b : buffer)
        EXPECT_EQ(0xAB, b);

    // Exactly big enough: the text and its NUL, nothing past them.
    size = 11;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "long", nullptr, &type, buffer, &size));
    EXPECT_STREQ("0123456789", reinterpret_cast<char*>(buffer));
    EXPECT_EQ(0xAB, buffer[11]);

    // A buffer without a size is refused.
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegQueryValueExA(key, "long", nullptr, &type, buffer, nullptr));
    // A missing value: not found, out-parameters alone.
    size = 77;
    type = 99;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "none", nullptr, &type, buffer, &size));
    EXPECT_EQ(77u, size);
    EXPECT_EQ(99u, type);
    RegCloseKey(key);
}

TEST_F(DesktopRegistry, TextStoredWithoutItsNulIsTerminatedWhenThereIsRoom) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Test");
    SetText(key, "raw", "Work\tHome\t", /*withNul=*/false);
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    DWORD size = sizeof buffer, type = 0;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "raw", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size));
    EXPECT_EQ(10u, size); // the stored length
    EXPECT_STREQ("Work\tHome\t", buffer);
    // With room for exactly the stored bytes, nothing is written past them.
    std::memset(buffer, 'x', sizeof buffer);
    size = 10;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "raw", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size));
    EXPECT_EQ('x', buffer[10]);
    RegCloseKey(key);
}

TEST_F(DesktopRegistry, DwordAndBinaryValuesRoundTripAndDelete) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Test");
    const DWORD stop = 0xFFFFFFFF;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "StopColor", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&stop), 4));
    const BYTE blob[] = {0, 1, 2, 0xFF};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, sizeof blob));
    DWORD value = 0, size = sizeof value, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "stopcolor", nullptr, &type,
                                              reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ(stop, value);
    BYTE read[4] = {};
    size = sizeof read;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Blob", nullptr, &type, read, &size));
    EXPECT_EQ(0, std::memcmp(blob, read, sizeof blob));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "Blob"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExA(key, "Blob", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "Blob"));
    RegCloseKey(key);
}

TEST_F(DesktopRegistry, EnumeratesKeysAndValuesWithTheirBufferRules) {
    HKEY parent = Create(HKEY_CLASSES_ROOT, "CLSID");
    RegCloseKey(Create(HKEY_CLASSES_ROOT, "CLSID\\Beta"));
    RegCloseKey(Create(HKEY_CLASSES_ROOT, "CLSID\\alpha"));
    SetText(parent, "second", "2");
    SetText(parent, "First", "one");

    char name[16];
    DWORD length = sizeof name;
    ASSERT_EQ(ERROR_SUCCESS,
              RegEnumKeyExA(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ("alpha", name);
    EXPECT_EQ(5u, length);
    length = sizeof name;
    ASSERT_EQ(ERROR_SUCCESS,
              RegEnumKeyExA(parent, 1, name, &length, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ("Beta", name);
    length = sizeof name;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              RegEnumKeyExA(parent, 2, name, &length, nullptr, nullptr, nullptr, nullptr));
    // A name buffer without room for the NUL is too small.
    length = 4;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegEnumKeyExA(parent, 1, name, &length, nullptr, nullptr, nullptr, nullptr));

    BYTE data[8];
    DWORD dataSize = sizeof data, type = 0;
    length = sizeof name;
    ASSERT_EQ(ERROR_SUCCESS,
              RegEnumValueA(parent, 0, name, &length, nullptr, &type, data, &dataSize));
    EXPECT_STREQ("First", name);
    EXPECT_EQ(4u, dataSize);
    EXPECT_STREQ("one", reinterpret_cast<char*>(data));
    dataSize = 2;
    length = sizeof name;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegEnumValueA(parent, 0, name, &length, nullptr, &type, data, &dataSize));
    EXPECT_EQ(4u, dataSize);
    length = sizeof name;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              RegEnumValueA(parent, 2, name, &length, nullptr, nullptr, nullptr, nullptr));

    // A key with subkeys stays; an empty one goes.
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(parent, "alpha"));
    HKEY gone = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(parent, "alpha", 0, KEY_READ, &gone));
    RegCloseKey(parent);
}

TEST_F(DesktopRegistry, ValuesPersistAcrossHandles) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Office\\9.0");
    SetText(key, "Path", "C:\\Office");
    RegCloseKey(key);
    HKEY again = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Office\\9.0",
                                           0, KEY_READ, &again));
    char text[32];
    DWORD size = sizeof text;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(again, "Path", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(text), &size));
    EXPECT_STREQ("C:\\Office", text);
    RegCloseKey(again);
}

} // namespace

TEST_F(DesktopRegistry, TextHelpersReadOnlyTextValues) {
    EXPECT_FALSE(win32::ReadRegistryText(HKEY_CURRENT_USER, "Software\\Missing", "Name"));
    ASSERT_EQ(ERROR_SUCCESS,
              win32::WriteRegistryText(HKEY_CLASSES_ROOT, "A.Prog\\CLSID", nullptr, "{1234}"));
    EXPECT_EQ("{1234}", win32::ReadRegistryText(HKEY_CLASSES_ROOT, "a.prog\\clsid", nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              win32::WriteRegistryText(HKEY_CURRENT_USER, "Software\\T", "Empty", ""));
    EXPECT_EQ("", win32::ReadRegistryText(HKEY_CURRENT_USER, "Software\\T", "Empty"));

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\T", 0, KEY_ALL_ACCESS, &key));
    const DWORD number = 7;
    RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    const char embedded[] = "first\0second";
    RegSetValueExA(key, "Embedded", 0, REG_SZ, reinterpret_cast<const BYTE*>(embedded),
                   sizeof embedded);
    RegCloseKey(key);
    EXPECT_FALSE(win32::ReadRegistryText(HKEY_CURRENT_USER, "Software\\T", "Number"))
        << "a number is no text";
    EXPECT_EQ("first", win32::ReadRegistryText(HKEY_CURRENT_USER, "Software\\T", "Embedded"));
}
