// Whole files: a read never waits and never takes more than its limit; a
// write is all or nothing, and a failed one leaves the old file as it was.
#include "platform/base/whole_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace {

namespace fs = std::filesystem;
using platform::ExistingFile;

class WholeFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/jotterwick-whole-XXXXXX";
        root = mkdtemp(pattern);
    }
    void TearDown() override { fs::remove_all(root); }

    std::string Make(const std::string& name, const std::string& bytes) const {
        const std::string path = root + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string Contents(const std::string& path) {
        auto read = platform::ReadWholeFile(path, 1 << 20);
        EXPECT_TRUE(read.ok()) << path << ": " << read.status().message();
        return read.ok() ? *read : "";
    }
    static unsigned Mode(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(0, lstat(path.c_str(), &info)) << path;
        return info.st_mode & 07777;
    }
    // Nothing but the named files is left in the folder.
    void ExpectOnly(std::initializer_list<std::string> names) const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(root))
            found.insert(entry.path().filename().string());
        EXPECT_EQ(std::set<std::string>(names), found);
    }
    std::string root;
};

TEST_F(WholeFile, ReadsUpToItsLimitAndRefusesWhatIsNoFile) {
    const std::string ten = Make("ten", "0123456789");
    EXPECT_EQ("0123456789", *platform::ReadWholeFile(ten, 10));
    EXPECT_EQ("", *platform::ReadWholeFile(Make("empty", ""), 0));

    const struct {
        std::string path;
        std::size_t limit;
        DWORD code;
    } refused[] = {
        {ten, 9, ERROR_INVALID_DATA},
        {root + "/missing", 10, ERROR_FILE_NOT_FOUND},
        {ten + "/below", 10, ERROR_FILE_NOT_FOUND},
        {root, 10, ERROR_ACCESS_DENIED},
        {"/dev/zero", 10, ERROR_ACCESS_DENIED},
    };
    for (const auto& one : refused) {
        auto read = platform::ReadWholeFile(one.path, one.limit);
        ASSERT_FALSE(read.ok()) << one.path;
        EXPECT_EQ(one.code, read.status().code()) << one.path << ": " << read.status().message();
        EXPECT_FALSE(read.status().message().empty());
    }
}

TEST_F(WholeFile, APipeIsRefusedWithoutWaitingForAWriter) {
    const std::string pipe = root + "/pipe";
    ASSERT_EQ(0, mkfifo(pipe.c_str(), 0600));
    auto read = platform::ReadWholeFile(pipe, 10);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(ERROR_ACCESS_DENIED, read.status().code());
}

TEST_F(WholeFile, ReplacingKeepsThePermissionsAndANewFileGetsItsModeWhateverTheUmask) {
    const std::string old = Make("note.txt", "old text");
    ASSERT_EQ(0, chmod(old.c_str(), 0640));
    ASSERT_TRUE(platform::WriteWholeFile(old, "new text", ExistingFile::Replace, 0600).ok());
    EXPECT_EQ("new text", Contents(old));
    EXPECT_EQ(0640u, Mode(old));

    const mode_t umaskBefore = umask(077);
    ASSERT_TRUE(
        platform::WriteWholeFile(root + "/jotta", "program", ExistingFile::Refuse, 0755).ok());
    ASSERT_TRUE(platform::WriteWholeFile(root + "/fresh", "x", ExistingFile::Replace, 0644).ok());
    umask(umaskBefore);
    EXPECT_EQ(0755u, Mode(root + "/jotta"));
    EXPECT_EQ(0644u, Mode(root + "/fresh"));
    ExpectOnly({"note.txt", "jotta", "fresh"});
}

TEST_F(WholeFile, RefuseNeverTouchesWhatIsThere) {
    const std::string kept = Make("kept", "mine");
    const std::string target = Make("target", "elsewhere");
    ASSERT_EQ(0, symlink(target.c_str(), (root + "/link").c_str()));

    auto exists = platform::WriteWholeFile(kept, "theirs", ExistingFile::Refuse);
    EXPECT_EQ(ERROR_FILE_EXISTS, exists.code());
    auto link = platform::WriteWholeFile(root + "/link", "theirs", ExistingFile::Refuse);
    EXPECT_FALSE(link.ok());
    EXPECT_EQ("mine", Contents(kept));
    EXPECT_EQ("elsewhere", Contents(target));
}

TEST_F(WholeFile, AFailedWriteLeavesTheOldFileAndNoPartOfTheNewOne) {
    const std::string old = Make("note.txt", "old text");
    // Files may grow to 4 bytes: the write fails part way, as on a full disk.
    signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 4;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    const auto replaced = platform::WriteWholeFile(old, "a longer new text", ExistingFile::Replace);
    const auto made =
        platform::WriteWholeFile(root + "/new", "a longer text", ExistingFile::Refuse);
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, SIG_DFL);

    EXPECT_FALSE(replaced.ok());
    EXPECT_FALSE(made.ok());
    EXPECT_NE("", replaced.message());
    EXPECT_EQ("old text", Contents(old));
    ExpectOnly({"note.txt"});

    auto missingFolder = platform::WriteWholeFile(root + "/no/such", "x", ExistingFile::Replace);
    EXPECT_FALSE(missingFolder.ok());
    ExpectOnly({"note.txt"});
}

} // namespace
