// The handheld registry: the wide functions and the platform's buffer rules.
#include "platform/ce/registry.h"

#include "platform/ce/machine.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

constexpr BYTE kSentinel = 0xEE;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        DWORD disposition = 0;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Jotterwick\\Quillmarks\\Common", 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, &disposition));
        EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
    }
    void TearDown() override { RegCloseKey(m_key); }
    testsupport::TempMachines m_machines;
    HKEY m_key = nullptr;
};

TEST_F(RegistryTest, StringsFollowTheBufferRules) {
    const char16_t text[] = u"Work\nHome\n";
    const DWORD stored = sizeof text; // with its terminator: 22 bytes
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(m_key, u"FilterSync", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(text), stored));
    DWORD type = 0, size = 0;
    // Size only.
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(m_key, u"filtersync", nullptr, &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(stored, size);
    // One byte short: ERROR_MORE_DATA, the size needed, the buffer untouched.
    BYTE buffer[64];
    std::memset(buffer, kSentinel, sizeof buffer);
    size = stored - 1;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegQueryValueExW(m_key, u"FilterSync", nullptr, &type, buffer, &size));
    EXPECT_EQ(stored, size);
    for (BYTE b : buffer)
        ASSERT_EQ(kSentinel, b);
    // Roomy: the value and nothing past it.
    size = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(m_key, u"FilterSync", nullptr, &type, buffer, &size));
    EXPECT_EQ(stored, size);
    EXPECT_EQ(0, std::memcmp(buffer, text, stored));
    for (std::size_t i = stored; i < sizeof buffer; ++i)
        ASSERT_EQ(kSentinel, buffer[i]) << i;
}

TEST_F(RegistryTest, AStringStoredWithoutItsTerminatorGetsOneWhenThereIsRoom) {
    const char16_t text[] = u"abc";
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(m_key, u"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 6));
    DWORD size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(m_key, u"Bare", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(8u, size);
    BYTE buffer[16];
    std::memset(buffer, kSentinel, sizeof buffer);
    size = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(m_key, u"Bare", nullptr, nullptr, buffer, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(0, std::memcmp(buffer, text, 8));
    EXPECT_EQ(kSentinel, buffer[8]);
}

TEST_F(RegistryTest, NumbersAndBinaryValues) {
    const DWORD debug = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(m_key, u"Debug", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&debug), sizeof debug));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExW(m_key, u"Debug", 0, REG_DWORD,
                                                      reinterpret_cast<const BYTE*>(&debug), 2));
    DWORD value = 0, type = 0, size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(m_key, u"Debug", nullptr, &type,
                                              reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ(1u, value);
    const BYTE blob[] = {0, 1, 2, 0, 255};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(m_key, u"Blob", 0, REG_BINARY, blob, sizeof blob));
    BYTE out[5] = {};
    size = sizeof out;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(m_key, u"Blob", nullptr, &type, out, &size));
    EXPECT_EQ(REG_BINARY, type);
    EXPECT_EQ(0, std::memcmp(blob, out, sizeof blob));
}

TEST_F(RegistryTest, MissingKeysAndValuesLeaveOutputsAlone) {
    HKEY untouched = reinterpret_cast<HKEY>(0x1);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Nobody", 0, KEY_READ, &untouched));
    EXPECT_EQ(reinterpret_cast<HKEY>(0x1), untouched);
    DWORD type = 77, size = 77;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExW(m_key, u"Missing", nullptr, &type, nullptr, &size));
    EXPECT_EQ(77u, type);
    EXPECT_EQ(77u, size);
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExW(reinterpret_cast<HKEY>(0x999), u"x", nullptr,
                                                     &type, nullptr, &size));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(m_key, u"Missing"));
}

TEST_F(RegistryTest, KeysOpenWithoutCaseAndPersistInTheObjectStore) {
    const DWORD one = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(m_key, u"DefaultColor", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&one), 4));
    HKEY again = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\jotterwick\\QUILLMARKS\\common", 0,
                              nullptr, 0, 0, nullptr, &again, &disposition));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
    DWORD value = 0, size = 4;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(again, u"defaultcolor", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(1u, value);
    EXPECT_TRUE(std::filesystem::exists(ce::HandheldDirectory() + "/objectstore.db"));
    // Enumeration: a name buffer too small is refused before anything is written.
    char16_t name[4];
    std::fill(std::begin(name), std::end(name), u'#');
    DWORD chars = 4;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegEnumValueW(again, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(u'#', name[0]);
    char16_t bigName[32];
    chars = 32;
    EXPECT_EQ(ERROR_SUCCESS,
              RegEnumValueW(again, 0, bigName, &chars, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(std::u16string(u"DefaultColor"), bigName);
    EXPECT_EQ(12u, chars);
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              RegEnumValueW(again, 1, bigName, &chars, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(again, u"DEFAULTCOLOR"));
    RegCloseKey(again);
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Jotterwick"));
}

} // namespace
