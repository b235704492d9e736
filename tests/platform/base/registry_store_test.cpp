// The registry engine over two files at once, as jsync uses it: keys know
// their file, names compare without case, keys with subkeys stay.
#include "platform/base/registry_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <sys/wait.h>
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

TEST_F(RegistryStoreTest, ReadsSeeWhatAnotherProcessChanged) {
    // Keys and values read once are kept while the file is unchanged; every
    // change of another process shows at the next read.
    HKEY key = nullptr, gone = nullptr;
    reg::Disposition d{};
    ASSERT_EQ(ERROR_SUCCESS, reg::CreateKey(m_a, HKEY_LOCAL_MACHINE, "P", &key, &d));
    ASSERT_EQ(ERROR_SUCCESS, reg::CreateKey(m_a, HKEY_LOCAL_MACHINE, "P\\Gone", &gone, &d));
    ASSERT_EQ(ERROR_SUCCESS, reg::SetValue(m_a, key, "v", REG_BINARY, Bytes("old")));
    ASSERT_EQ(ERROR_SUCCESS, reg::SetValue(m_a, key, "w", REG_BINARY, Bytes("w")));
    ASSERT_EQ(ERROR_SUCCESS, reg::SetValue(m_a, gone, "g", REG_BINARY, Bytes("g")));
    reg::Value value;
    HKEY open = nullptr;
    for (int twice = 0; twice < 2; ++twice) {
        ASSERT_EQ(ERROR_SUCCESS, reg::QueryValue(m_a, key, "v", &value));
        ASSERT_EQ(ERROR_SUCCESS, reg::QueryValue(m_a, gone, "g", &value));
        ASSERT_EQ(ERROR_SUCCESS, reg::OpenKey(m_a, HKEY_LOCAL_MACHINE, "P\\Gone", &open));
        RegCloseKey(open);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, reg::OpenKey(m_a, HKEY_LOCAL_MACHINE, "P\\New", &open));
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, reg::QueryValue(m_a, key, "x", &value));
    }

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        HKEY made = nullptr;
        const bool done =
            reg::SetValue(m_a, key, "v", REG_BINARY, Bytes("new")) == ERROR_SUCCESS &&
            reg::SetValue(m_a, key, "x", REG_BINARY, Bytes("x")) == ERROR_SUCCESS &&
            reg::DeleteValue(m_a, key, "w") == ERROR_SUCCESS &&
            reg::DeleteValue(m_a, gone, "g") == ERROR_SUCCESS &&
            reg::DeleteKey(m_a, HKEY_LOCAL_MACHINE, "P\\Gone") == ERROR_SUCCESS &&
            reg::CreateKey(m_a, HKEY_LOCAL_MACHINE, "P\\New", &made, &d) == ERROR_SUCCESS;
        _exit(done ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    ASSERT_EQ(ERROR_SUCCESS, reg::QueryValue(m_a, key, "v", &value));
    EXPECT_EQ(Bytes("new"), value.data);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, reg::QueryValue(m_a, key, "w", &value));
    ASSERT_EQ(ERROR_SUCCESS, reg::QueryValue(m_a, key, "x", &value));
    EXPECT_EQ(Bytes("x"), value.data);
    EXPECT_EQ(ERROR_KEY_DELETED, reg::QueryValue(m_a, gone, "g", &value));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, reg::OpenKey(m_a, HKEY_LOCAL_MACHINE, "P\\Gone", &open));
    ASSERT_EQ(ERROR_SUCCESS, reg::OpenKey(m_a, HKEY_LOCAL_MACHINE, "P\\New", &open));
    // And this process's own changes show at once.
    ASSERT_EQ(ERROR_SUCCESS, reg::SetValue(m_a, key, "v", REG_BINARY, Bytes("mine")));
    ASSERT_EQ(ERROR_SUCCESS, reg::QueryValue(m_a, key, "v", &value));
    EXPECT_EQ(Bytes("mine"), value.data);
    for (HKEY k : {key, gone, open})
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

namespace {

// Stores `bytes` of `type` as value "v" of HKCU\Software\X straight into the
// file, as no program would.
void Plant(const std::string& file, std::int64_t type, const std::vector<BYTE>& bytes) {
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(file.c_str(), &db));
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(SQLITE_OK,
              sqlite3_prepare_v2(db, "UPDATE reg_values SET type=?1, data=?2", -1, &s, nullptr));
    sqlite3_bind_int64(s, 1, type);
    sqlite3_bind_blob(s, 2, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(SQLITE_DONE, sqlite3_step(s));
    sqlite3_finalize(s);
    sqlite3_close(db);
}

TEST_F(RegistryStoreTest, DamagedValuesAreRefusedAndLeftAlone) {
    HKEY key = nullptr;
    reg::Disposition d{};
    ASSERT_EQ(ERROR_SUCCESS, reg::CreateKey(m_a, HKEY_CURRENT_USER, "Software\\X", &key, &d));
    ASSERT_EQ(ERROR_SUCCESS, reg::SetValue(m_a, key, "v", REG_BINARY, Bytes("good")));
    struct Case {
        const char* name;
        std::int64_t type;
        std::vector<BYTE> bytes;
        const char* why;
    } cases[] = {
        {"short DWORD", REG_DWORD, {1, 2, 3}, "a REG_DWORD that is not four bytes long"},
        {"long DWORD", REG_DWORD, {1, 2, 3, 4, 5}, "a REG_DWORD that is not four bytes long"},
        {"oversized", REG_BINARY, std::vector<BYTE>(reg::kMaxValueBytes + 1, 'x'),
         "it is larger than a registry value can be"},
        {"negative type", -1, {1}, "its type is out of range"},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        Plant(m_a, each.type, each.bytes);
        reg::Value untouched;
        untouched.name = "sentinel";
        testing::internal::CaptureStderr();
        EXPECT_EQ(ERROR_INVALID_DATA, reg::QueryValue(m_a, key, "v", &untouched));
        EXPECT_EQ(ERROR_INVALID_DATA, reg::EnumValue(m_a, key, 0, &untouched));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ("sentinel", untouched.name);
        EXPECT_NE(std::string::npos, said.find("the registry value \"v\" in " + m_a +
                                               " is damaged (" + each.why + ")"))
            << said;
    }
    // Nothing was changed: the damaged value is still there to be looked at.
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(m_a.c_str(), &db));
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, "SELECT type FROM reg_values", -1, &s, nullptr));
    ASSERT_EQ(SQLITE_ROW, sqlite3_step(s));
    EXPECT_EQ(-1, sqlite3_column_int64(s, 0));
    sqlite3_finalize(s);
    sqlite3_close(db);
    EXPECT_EQ(
        ERROR_INVALID_PARAMETER,
        reg::SetValue(m_a, key, "w", REG_BINARY, std::vector<BYTE>(reg::kMaxValueBytes + 1, 'x')));
}

} // namespace
