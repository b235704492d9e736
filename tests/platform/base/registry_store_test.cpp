// The registry engine over two files at once, as jsync uses it: keys know
// their file, names compare without case, keys with subkeys stay.
#include "platform/base/registry_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace reg = platform::registry;

namespace {

class RegistryStoreTest : public ::testing::Test {
protected:
    RegistryStoreTest() {
        char pattern[] = "/tmp/jotterwick-registry-XXXXXX";
        m_dir = mkdtemp(pattern);
        m_a = m_dir + "/a.db";
        m_b = m_dir + "/b.db";
    }
    ~RegistryStoreTest() override { std::filesystem::remove_all(m_dir); }
    std::string m_dir, m_a, m_b;
};

std::vector<BYTE> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST_F(RegistryStoreTest, KeysKnowTheirFile) {
    HKEY a = nullptr, b = nullptr;
    reg::Disposition d{};
    ASSERT_EQ(ERROR_SUCCESS, reg::CreateKey(m_a, HKEY_CURRENT_USER, "Software\\X", &a, &d));
    EXPECT_EQ(reg::Disposition::CreatedNew, d);
    ASSERT_EQ(ERROR_SUCCESS, reg::CreateKey(m_b, HKEY_CURRENT_USER, "Software\\X", &b, &d));
    ASSERT_EQ(ERROR_SUCCESS, reg::SetValue(m_a, a, "v", REG_BINARY, Bytes("in a")));
    ASSERT_EQ(ERROR_SUCCESS, reg::SetValue(m_b, b, "v", REG_BINARY, Bytes("in b")));
    // The rootFile argument only resolves roots: a key handle goes to its own file.
    reg::Value value;
    ASSERT_EQ(ERROR_SUCCESS, reg::QueryValue(m_b, a, "V", &value));
    EXPECT_EQ(Bytes("in a"), value.data);
    EXPECT_EQ("v", value.name);
    HKEY sub = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, reg::CreateKey(m_b, a, "Deeper", &sub, &d));
    HKEY check = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, reg::OpenKey(m_a, HKEY_CURRENT_USER, "software\\x\\DEEPER", &check));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              reg::OpenKey(m_b, HKEY_CURRENT_USER, "Software\\X\\Deeper", &sub));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, reg::OpenKey(m_a, HKEY_LOCAL_MACHINE, "Software\\X", &sub))
        << "roots are apart";
    for (HKEY k : {a, b, check})
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(k));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(a)) << "closed twice";
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CLASSES_ROOT));
}

TEST_F(RegistryStoreTest, DeletingKeysAndValues) {
    HKEY parent = nullptr, child = nullptr, open = nullptr;
    reg::Disposition d{};
    ASSERT_EQ(ERROR_SUCCESS, reg::CreateKey(m_a, HKEY_LOCAL_MACHINE, "P\\C", &child, &d));
    ASSERT_EQ(ERROR_SUCCESS, reg::CreateKey(m_a, HKEY_LOCAL_MACHINE, "P", &parent, &d));
    EXPECT_EQ(reg::Disposition::OpenedExisting, d);
    ASSERT_EQ(ERROR_SUCCESS, reg::SetValue(m_a, child, "x", REG_DWORD, Bytes("1234")));
    EXPECT_EQ(ERROR_ACCESS_DENIED, reg::DeleteKey(m_a, HKEY_LOCAL_MACHINE, "P"));
    ASSERT_EQ(ERROR_SUCCESS, reg::OpenKey(m_a, parent, "c", &open));
    EXPECT_EQ(ERROR_SUCCESS, reg::DeleteKey(m_a, parent, "C"));
    reg::Value value;
    EXPECT_EQ(ERROR_KEY_DELETED, reg::QueryValue(m_a, open, "x", &value));
    EXPECT_EQ(ERROR_KEY_DELETED, reg::SetValue(m_a, open, "x", REG_DWORD, Bytes("1234")));
    EXPECT_EQ(ERROR_SUCCESS, reg::DeleteKey(m_a, HKEY_LOCAL_MACHINE, "P"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, reg::DeleteKey(m_a, HKEY_LOCAL_MACHINE, "P"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, reg::DeleteValue(m_a, HKEY_LOCAL_MACHINE, "nothing"));
    for (HKEY k : {parent, child, open})
        RegCloseKey(k);
}

TEST_F(RegistryStoreTest, EnumerationIsInNameOrderWithoutCase) {
    HKEY key = nullptr;
    reg::Disposition d{};
    ASSERT_EQ(ERROR_SUCCESS, reg::CreateKey(m_a, HKEY_CLASSES_ROOT, "E", &key, &d));
    for (const char* name : {"beta", "Alpha", "gamma"}) {
        ASSERT_EQ(ERROR_SUCCESS, reg::SetValue(m_a, key, name, REG_SZ, Bytes(name)));
        HKEY sub = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, reg::CreateKey(m_a, key, name, &sub, &d));
        RegCloseKey(sub);
    }
    ASSERT_EQ(ERROR_SUCCESS, reg::SetValue(m_a, key, "BETA", REG_DWORD, Bytes("abcd")))
        << "replaces beta";
    std::vector<std::string> values, keys;
    reg::Value value;
    for (DWORD i = 0; reg::EnumValue(m_a, key, i, &value) == ERROR_SUCCESS; ++i)
        values.push_back(value.name + ":" + std::to_string(value.type));
    std::string name;
    for (DWORD i = 0; reg::EnumKey(m_a, key, i, &name) == ERROR_SUCCESS; ++i)
        keys.push_back(name);
    EXPECT_EQ((std::vector<std::string>{"Alpha:1", "BETA:4", "gamma:1"}), values);
    EXPECT_EQ((std::vector<std::string>{"Alpha", "beta", "gamma"}), keys);
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, reg::EnumValue(m_a, key, 3, &value));
    RegCloseKey(key);
}

} // namespace
