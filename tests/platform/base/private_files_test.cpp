// Machine folders and store files are private to the person: made 0700 and
// 0600, and tightened with a note when an older version left them open.
#include "platform/base/private_files.h"
#include "platform/base/sqlite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class PrivateFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/jotterwick-private-XXXXXX";
        root = mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    static unsigned Mode(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(0, stat(path.c_str(), &info)) << path;
        return info.st_mode & 0777;
    }
    std::string root;
};

TEST_F(PrivateFiles, FoldersAreMadePrivateAndLooseOnesTightened) {
    const mode_t old = umask(022);
    platform::MakePrivateDirectories(root + "/a/b/handheld");
    EXPECT_EQ(0700u, Mode(root + "/a"));
    EXPECT_EQ(0700u, Mode(root + "/a/b/handheld"));

    std::filesystem::create_directory(root + "/old");
    chmod((root + "/old").c_str(), 0755);
    testing::internal::CaptureStderr();
    platform::MakePrivateDirectories(root + "/old");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0700u, Mode(root + "/old"));
    EXPECT_NE(std::string::npos, said.find(root + "/old could be read by other users")) << said;
    umask(old);
}

TEST_F(PrivateFiles, StoresAreMadePrivateAndLooseOnesTightened) {
    const mode_t old = umask(022);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(platform::sqlite::Connection::Open(root + "/new.db").ok());
    EXPECT_EQ("", testing::internal::GetCapturedStderr()) << "a new store needs no note";
    EXPECT_EQ(0600u, Mode(root + "/new.db"));

    {
        // A store an older version made with the umask's mode, its log beside it.
        ASSERT_TRUE(platform::sqlite::Connection::Open(root + "/old.db").ok());
        chmod((root + "/old.db").c_str(), 0664);
        std::ofstream(root + "/old.db-wal").flush();
        chmod((root + "/old.db-wal").c_str(), 0644);
    }
    testing::internal::CaptureStderr();
    auto reopened = platform::sqlite::Connection::Open(root + "/old.db");
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(reopened.ok());
    EXPECT_EQ(0600u, Mode(root + "/old.db"));
    EXPECT_EQ(0600u, Mode(root + "/old.db-wal"));
    EXPECT_NE(std::string::npos, said.find(root + "/old.db could be changed by other users"))
        << said;
    umask(old);
}

} // namespace
