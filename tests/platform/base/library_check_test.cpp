// Which files a registration may have a program load: inside the program's
// installation or build tree, owned by this user, changeable by nobody else.
#include "platform/base/library_check.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class LibraryCheck : public ::testing::Test {
protected:
    void SetUp() override {
        inTree = fs::path(PLANTED_LIBRARY).parent_path() / ("check-" + std::to_string(getpid()));
        char outsideTemplate[] = "/tmp/jotterwick-check-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(outsideTemplate));
        outside = outsideTemplate;
        fs::create_directories(inTree);
    }
    void TearDown() override {
        fs::remove_all(inTree);
        fs::remove_all(outside);
    }

    // A copy of the planted library at `path` with `mode`.
    std::string Plant(const fs::path& path, fs::perms mode) {
        fs::copy_file(PLANTED_LIBRARY, path, fs::copy_options::overwrite_existing);
        fs::permissions(path, mode);
        return path.string();
    }

    platform::Result<std::string> Check(const std::string& path) {
        return platform::CheckLibrary(path, "the value Test", platform::InstalledLibraryFolders());
    }

    fs::path inTree;
    fs::path outside;
};

constexpr fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;

TEST_F(LibraryCheck, TheBuildTreeIsTrustedWhenTheProgramRunsFromIt) {
    const std::string library = Plant(inTree / "lib.so", kPrivate | fs::perms::group_read);
    auto checked = Check(library);
    ASSERT_TRUE(checked.ok()) << checked.status().message();
    EXPECT_EQ(fs::canonical(library).string(), *checked);
}

TEST_F(LibraryCheck, RefusesWhatAnInstallationWouldNotHavePut) {
    const std::string elsewhere = Plant(outside / "lib.so", kPrivate);
    const std::string groupWritable =
        Plant(inTree / "shared.so", kPrivate | fs::perms::group_write);
    const std::string worldWritable = Plant(inTree / "open.so", kPrivate | fs::perms::others_write);
    fs::create_symlink(elsewhere, inTree / "link.so");
    struct Case {
        std::string path;
        std::string why;
    } cases[] = {
        {elsewhere, "it is not in a folder this program was installed or built in"},
        {(inTree / "link.so").string(),
         "it is not in a folder this program was installed or built in"},
        {(inTree / ".." / ".." / ".." / ".." / ".." / ".." / ".." / ".." / "etc" / "passwd")
             .string(),
         "it is not in a folder this program was installed or built in"},
        {groupWritable, "other users may change it"},
        {worldWritable, "other users may change it"},
        {inTree.string(), "it is not a regular file"},
    };
    for (const Case& each : cases) {
        auto checked = Check(each.path);
        ASSERT_FALSE(checked.ok()) << each.path;
        EXPECT_EQ(ERROR_ACCESS_DENIED, checked.status().code()) << each.path;
        EXPECT_EQ("refusing to load " + each.path + ", named by the value Test: " + each.why,
                  checked.status().message());
    }
    auto missing = Check((outside / "none.so").string());
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, missing.status().code());
    EXPECT_NE(std::string::npos, missing.status().message().find("no such file"));
}

} // namespace
