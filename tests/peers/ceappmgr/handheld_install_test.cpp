// Installing a package on a handheld: all of it or nothing.
#include "package_builder.h"
#include "peers/ceappmgr/handheld_install.h"
#include "platform/base/unicode.h"
#include "platform/ce/registry.h"
#include "support/machine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

namespace {

namespace fs = std::filesystem;

constexpr char16_t kObjectKey[] = u"Windows CE Services\\Synchronization\\Objects\\Jotterwick";

std::optional<std::string> DeviceText(const char16_t* key, const char16_t* name) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    char16_t text[512] = {};
    DWORD size = sizeof text - 2, type = 0;
    const LONG result =
        RegQueryValueExW(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS ? std::optional(unicode::ToUtf8(text)) : std::nullopt;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class HandheldInstall : public ::testing::Test {
protected:
    void SetUp() override { machines = std::make_unique<testsupport::TempMachines>(); }
    std::string Folder() const { return machines->handheld() + "/Program Files/Jotterwick"; }
    // Nothing of the sample package is on the handheld.
    void ExpectNothingInstalled() {
        EXPECT_FALSE(ceappmgr::InstalledVersion("Jotterwick"));
        EXPECT_FALSE(DeviceText(kObjectKey, u"Store"));
        for (const auto& entry : fs::directory_iterator(machines->handheld() + "/Program Files"))
            EXPECT_NE('.', entry.path().filename().string()[0]) << "left behind: " << entry.path();
    }
    std::unique_ptr<testsupport::TempMachines> machines;
};

TEST_F(HandheldInstall, PutsTheFilesThenTheValuesThenTheVersion) {
    const ceappmgr::Package package = pkgtest::SamplePackage("1.5");
    const auto status = ceappmgr::InstallOnHandheld(package);
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(package.files[0].bytes, Contents(Folder() + "/jotta"));
    EXPECT_EQ(package.files[1].bytes, Contents(Folder() + "/libjottadev.so"));
    struct stat st {};
    ASSERT_EQ(0, stat((Folder() + "/jotta").c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 0777) << "runnable, and the owner's alone";
    ASSERT_EQ(0, stat((Folder() + "/libjottadev.so").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    EXPECT_EQ("\\Program Files\\Jotterwick\\libjottadev.so", DeviceText(kObjectKey, u"Store"));
    EXPECT_EQ("Jotterwick", DeviceText(kObjectKey, u"Display Name"));
    EXPECT_EQ("1.5", ceappmgr::InstalledVersion("Jotterwick"));

    // A newer package replaces the files.
    ceappmgr::Package newer = pkgtest::SamplePackage("1.6");
    newer.files[0].bytes = "#!/bin/sh\necho newer\n";
    ASSERT_TRUE(ceappmgr::InstallOnHandheld(newer).ok());
    EXPECT_EQ(newer.files[0].bytes, Contents(Folder() + "/jotta"));
    EXPECT_EQ("1.6", ceappmgr::InstalledVersion("Jotterwick"));
}

TEST_F(HandheldInstall, AFileThatCannotBePlacedLeavesEverythingAsItWas) {
    // The first file was there before; the second's place is taken by a folder.
    fs::create_directories(Folder() + "/libjottadev.so");
    std::ofstream(Folder() + "/jotta") << "old program";
    const auto status = ceappmgr::InstallOnHandheld(pkgtest::SamplePackage());
    ASSERT_FALSE(status.ok());
    EXPECT_NE(std::string::npos, status.message().find("is there and is not a file"))
        << status.message();
    EXPECT_EQ("old program", Contents(Folder() + "/jotta"));
    ExpectNothingInstalled();
}

TEST_F(HandheldInstall, AProgramFolderThatLeadsOutOfTheHandheldIsRefused) {
    const std::string outside = machines->desktop() + "/elsewhere";
    fs::create_directories(outside);
    fs::create_directories(machines->handheld() + "/Program Files");
    fs::create_directory_symlink(outside, Folder());
    const auto status = ceappmgr::InstallOnHandheld(pkgtest::SamplePackage());
    ASSERT_FALSE(status.ok());
    EXPECT_NE(std::string::npos, status.message().find("leads out of the handheld's folder"))
        << status.message();
    EXPECT_TRUE(fs::is_empty(outside));
    ExpectNothingInstalled();
}

TEST_F(HandheldInstall, AnUnreadableVersionRecordCountsAsNothingInstalled) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Apps\\Jotterwick", 0,
                                             nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    const std::u16string junk = u"9.x";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"Version", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(junk.c_str()),
                                            static_cast<DWORD>((junk.size() + 1) * 2)));
    RegCloseKey(key);
    EXPECT_FALSE(ceappmgr::InstalledVersion("Jotterwick"));
}

} // namespace
