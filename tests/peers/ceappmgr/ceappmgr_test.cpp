// The application manager end to end: the build's package taken from its
// ini (as an installer hands it over), installed by jsync on each handheld
// at its connection, once; newer packages installed again; damaged ones
// refused with nothing installed.
#include "peers/activesync/jsync_fixture.h"
#include "peers/ceappmgr/handheld_install.h"
#include "peers/ceappmgr/package.h"
#include "platform/base/installation.h"
#include "platform/base/unicode.h"
#include "platform/ce/registry.h"
#include "platform/win32/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using jsynctest::RunResult;

constexpr char kManager[] = "peers/ceappmgr/ceappmgr";

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Spill(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The desktop's way of writing a path.
std::string DesktopPath(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

bool Contains(const RunResult& run, const std::string& text) {
    return run.output.find(text) != std::string::npos;
}

class AppManager : public jsynctest::JsyncFixture {
protected:
    std::string PackageFolder() const { return testsupport::BuiltProgram("handheld-package"); }
    std::string InstalledFolder(const std::string& handheld) const {
        return handheld + "/Program Files/Jotterwick";
    }
    std::string Version() const {
        auto package = ceappmgr::ReadPackage(Slurp(PackageFolder() + "/jotta.zip"));
        return package.ok() ? package->version : "?";
    }
    RunResult Take(const std::string& folder) {
        return RunProgram(kManager, {DesktopPath(folder) + "\\jotta.ini"});
    }
    // A folder with spaces holding the build's ini and `package` as jotta.zip.
    std::string Offer(const std::string& package, const std::string& name = "my setup") {
        const std::string folder = machines->desktop() + "/../" + name;
        fs::create_directories(folder);
        fs::copy_file(PackageFolder() + "/jotta.ini", folder + "/jotta.ini",
                      fs::copy_options::overwrite_existing);
        Spill(folder + "/jotta.zip", package);
        return folder;
    }
    std::string StoredPackage() const {
        return machines->desktop() + "/CE App Manager/Jotterwick/jotta.zip";
    }
};

TEST_F(AppManager, EachHandheldGetsThePackageOnceAtItsOwnConnection) {
    RunResult run = Take(PackageFolder());
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_TRUE(Contains(run, "Jotterwick " + Version() +
                                  " (jotta.zip) is pending for every "
                                  "handheld"))
        << run.output;
    EXPECT_FALSE(fs::exists(InstalledFolder(machines->handheld())));

    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_TRUE(Contains(run, "Jotterwick " + Version() + " installed on the handheld " +
                                  machines->handheld()))
        << run.output;
    EXPECT_EQ(Slurp(PackageFolder() + "/../device/sync/libjottadev.so"),
              Slurp(InstalledFolder(machines->handheld()) + "/libjottadev.so"));
    EXPECT_EQ(ceappmgr::InstalledVersion("Jotterwick"), Version());

    // The notes program runs from the handheld's program folder.
    RunResult jotta =
        RunProgram("../" + fs::relative(InstalledFolder(machines->handheld()) + "/jotta",
                                        testsupport::BuiltProgram(".."))
                               .string(),
                   {"--version"});
    EXPECT_EQ(0, jotta.status);
    EXPECT_EQ("jotta (Jotterwick) " + std::string(platform::JotterwickVersion()) + "\n",
              jotta.output);

    // The next connection installs nothing again.
    struct stat before {
    }, after{};
    ASSERT_EQ(0, stat((InstalledFolder(machines->handheld()) + "/jotta").c_str(), &before));
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_FALSE(Contains(run, "installed")) << run.output;
    ASSERT_EQ(0, stat((InstalledFolder(machines->handheld()) + "/jotta").c_str(), &after));
    EXPECT_EQ(before.st_ino, after.st_ino);

    // A file removed from the handheld is put back at the next connection.
    fs::remove(InstalledFolder(machines->handheld()) + "/libjottadev.so");
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_TRUE(Contains(run, "installed on the handheld")) << run.output;
    EXPECT_TRUE(fs::exists(InstalledFolder(machines->handheld()) + "/libjottadev.so"));

    // Another handheld gets it at its own connection.
    const std::string second = machines->handheld() + "-second";
    ASSERT_EQ(0, RunProgram("tools/ceutil/ceutil", {"--handheld", second, "init"}).status);
    EXPECT_FALSE(fs::exists(InstalledFolder(second)));
    run = Jsync({"--handheld", second, "--partner", "1"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_TRUE(Contains(run, "installed on the handheld " + second)) << run.output;
    run = RunProgram("tools/ceutil/ceutil",
                     {"--handheld", second, "reg", "get", "HKLM",
                      "Windows CE Services\\Synchronization\\Objects\\Jotterwick", "Store"});
    EXPECT_EQ("\\Program Files\\Jotterwick\\libjottadev.so\n", run.output);
    fs::remove_all(second);
}

TEST_F(AppManager, ADryRunSaysWhatItWouldInstallAndInstallsNothing) {
    ASSERT_EQ(0, Take(PackageFolder()).status);
    const RunResult run = Jsync({"--dry-run"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_TRUE(Contains(run, "Jotterwick " + Version() + " would be installed on the handheld " +
                                  machines->handheld()))
        << run.output;
    EXPECT_FALSE(fs::exists(InstalledFolder(machines->handheld())));
    EXPECT_FALSE(ceappmgr::InstalledVersion("Jotterwick"));
}

TEST_F(AppManager, AFailedRegistryWriteOnTheWayLeavesNothingInstalled) {
    ASSERT_EQ(0, Take(PackageFolder()).status);
    const std::string log = machines->desktop() + "/failed-writes";
    auto storeValue = [] {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                          u"Windows CE Services\\Synchronization\\Objects\\Jotterwick", 0, KEY_READ,
                          &key) != ERROR_SUCCESS)
            return false;
        DWORD size = 0;
        const bool found =
            RegQueryValueExW(key, u"Store", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        return found;
    };
    // The preloaded library comes before the sanitizer's runtime in the
    // sanitizer build; that order is wanted here.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions =
        "ASAN_OPTIONS=" + std::string(asan ? asan : "") + ":verify_asan_link_order=0";
    // Each of the manager's writes fails in turn, as a failing disk would.
    for (int n = 1; n < 20; ++n) {
        SCOPED_TRACE("failed write " + std::to_string(n));
        fs::remove(log);
        testsupport::ChildProcess manager(
            "/bin/sh",
            {"-c", "exec /usr/bin/env \"$@\" 2>&1", "sh",
             "LD_PRELOAD=" + testsupport::BuiltProgram("tests/support/fail_write_vfs.so"),
             "JOTTERWICK_FAIL_WRITE=" + std::to_string(n), "JOTTERWICK_FAIL_WRITE_LOG=" + log,
             asanOptions, testsupport::BuiltProgram(kManager), "--handheld", machines->handheld()});
        const int status = manager.Wait();
        if (!fs::exists(log)) {
            // Fewer writes than n: the run was whole.
            EXPECT_EQ(0, status) << manager.Output();
            ASSERT_GT(n, 1) << "the manager wrote nothing";
            break;
        }
        EXPECT_EQ(1, status) << manager.Output();
        EXPECT_TRUE(Contains({status, manager.Output()}, "nothing installed")) << manager.Output();
        EXPECT_FALSE(fs::exists(InstalledFolder(machines->handheld()) + "/jotta"));
        EXPECT_FALSE(storeValue());
        EXPECT_FALSE(ceappmgr::InstalledVersion("Jotterwick"));
    }
    EXPECT_TRUE(fs::exists(InstalledFolder(machines->handheld()) + "/jotta"));
    EXPECT_TRUE(storeValue());
    EXPECT_EQ(ceappmgr::InstalledVersion("Jotterwick"), Version());
}

TEST_F(AppManager, JsyncRegistersTheManagerUnderAppPathsWhenItNamesNoFile) {
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
    // The manager the entry named was moved away.
    ASSERT_EQ(ERROR_SUCCESS, win32::WriteRegistryText(HKEY_LOCAL_MACHINE, key, nullptr,
                                                      machines->desktop() + "/gone/ceappmgr"));
    const RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    const auto path = win32::ReadRegistryText(HKEY_LOCAL_MACHINE, key, nullptr);
    ASSERT_TRUE(path);
    EXPECT_TRUE(fs::equivalent(*path, testsupport::BuiltProgram(kManager))) << *path;
}

TEST_F(AppManager, ANewerPackageIsInstalledAgainAndAnOlderOneIsNot) {
    ASSERT_EQ(0, Take(PackageFolder()).status);
    ASSERT_EQ(0, Jsync().status);

    auto package = ceappmgr::ReadPackage(Slurp(PackageFolder() + "/jotta.zip"));
    ASSERT_TRUE(package.ok()) << package.status().message();
    package->version = "99.0";
    package->files[0].bytes += std::string(16, '\0'); // a program with a little more in it
    RunResult run = Take(Offer(ceappmgr::WritePackage(package.value()).value()));
    ASSERT_EQ(0, run.status) << run.output;
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_TRUE(Contains(run, "Jotterwick 99.0 installed on the handheld")) << run.output;
    EXPECT_EQ(package->files[0].bytes, Slurp(InstalledFolder(machines->handheld()) + "/jotta"));

    // Taking the build's package back does not downgrade the handheld.
    ASSERT_EQ(0, Take(PackageFolder()).status);
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_FALSE(Contains(run, "installed")) << run.output;
    EXPECT_EQ(ceappmgr::InstalledVersion("Jotterwick"), "99.0");
}

TEST_F(AppManager, ADamagedOrHostileOfferIsRefusedAndTheStoreKeepsWhatItHad) {
    ASSERT_EQ(0, Take(PackageFolder()).status);
    const std::string stored = Slurp(StoredPackage());
    const std::string good = Slurp(PackageFolder() + "/jotta.zip");

    RunResult run = Take(Offer(good.substr(0, good.size() / 2)));
    EXPECT_EQ(1, run.status) << run.output;
    EXPECT_TRUE(Contains(run, "ceappmgr: ")) << run.output;
    EXPECT_TRUE(Contains(run, "my setup/jotta.zip: the package is damaged")) << run.output;

    const std::string hostile = Offer(good, "hostile");
    Spill(hostile + "/jotta.ini", "[CEAppManager]\nVersion = 1.0\nComponent = Jotterwick\n"
                                  "[Jotterwick]\nDescription = J\nCabFiles = ..\\jotta.zip\n");
    run = Take(hostile);
    EXPECT_EQ(1, run.status) << run.output;
    EXPECT_TRUE(Contains(run, "is not a file name in the ini's folder")) << run.output;

    run = RunProgram(kManager, {DesktopPath(machines->desktop()) + "\\missing\\jotta.ini"});
    EXPECT_EQ(1, run.status) << run.output;
    EXPECT_TRUE(Contains(run, "cannot read")) << run.output;

    EXPECT_EQ(stored, Slurp(StoredPackage()));
    EXPECT_EQ(2, RunProgram(kManager, {}).status);
}

TEST_F(AppManager, APackageDamagedInTheStoreStopsTheConnectionWithNothingInstalled) {
    ASSERT_EQ(0, Take(PackageFolder()).status);
    std::string damaged = Slurp(StoredPackage());
    damaged[damaged.size() / 2] ^= 0x55;
    Spill(StoredPackage(), damaged);

    const RunResult run = Jsync();
    EXPECT_EQ(1, run.status) << run.output;
    EXPECT_TRUE(Contains(run, StoredPackage() + ": the package is damaged")) << run.output;
    EXPECT_FALSE(fs::exists(InstalledFolder(machines->handheld())));
    EXPECT_FALSE(ceappmgr::InstalledVersion("Jotterwick"));

    // ceappmgr says the same for a handheld, and refuses a folder that is none.
    RunResult manager = RunProgram(kManager, {"--handheld", machines->handheld()});
    EXPECT_EQ(1, manager.status);
    EXPECT_TRUE(Contains(manager, "the package is damaged")) << manager.output;
    manager = RunProgram(kManager, {"--handheld", machines->desktop()});
    EXPECT_EQ(1, manager.status);
    EXPECT_TRUE(Contains(manager, "there is no handheld in")) << manager.output;
}

} // namespace
