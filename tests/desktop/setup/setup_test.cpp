// The installer end to end, headless with the scripted user, on a fresh
// desktop: Install, its messages in the cases a person meets, Cancel, and
// the uninstall.
#include "platform/base/unicode.h"
#include "setup_fixture.h"

#include "platform/activesync/replstore.h"
#include "platform/com/objbase.h"
#include "platform/win32/machine.h"
#include "platform/win32/registry.h"

#include <fstream>

namespace {

using setuptest::kDesktopIncomplete;
using setuptest::kErrorOpenInf;
using setuptest::kErrorPrepareCopy;
using setuptest::kErrorRegistry;
using setuptest::kErrorSpawnAppMgr;
using setuptest::kInstallDevice;

constexpr char16_t kSetupCaption[] = u"Jotterwick V1.02 Setup";
constexpr char kObjectKey[] =
    "Software\\Microsoft\\Windows CE Services\\Services\\Synchronization\\Objects\\Jotterwick";
constexpr char kClassKey[] = "CLSID\\{6A1F3C52-8E4B-4D7A-9B21-5C0E7D3F9A14}";

class Setup : public setuptest::SetupTest {
protected:
    std::filesystem::path Installed() const {
        return std::filesystem::path(machines.desktop()) / "Program Files/Jotterwick/libjottapc.so";
    }
};

TEST_F(Setup, ProgramsItStartsRunOnTheDesktopItWasGiven) {
    const std::filesystem::path other = root / "another desktop";
    win32::SetDesktopDirectory(other.string());
    RegisterAppManager(RecordingProgram(root / "Windows CE Services", "CEAPPMGR.EXE").string());
    const std::vector<ui::Expectation> script = {Dialog(kSetupCaption, IDOK), Box(kInstallDevice)};
    EXPECT_EQ(0, RunSetup(script, {"--desktop", other.string()}));
    win32::SetDesktopDirectory("");
    ASSERT_EQ(std::vector<std::string>{dist.string() + "\\jotta.ini"}, Recorded());
    std::ifstream desktop(record.string() + ".desktop");
    std::string named;
    std::getline(desktop, named);
    EXPECT_EQ(other.string(), named);
}

TEST_F(Setup, InstallPutsTheProviderInPlaceSoThatItLoadsThroughCom) {
    RegisterAppManager(RecordingProgram(root / "Windows CE Services", "CEAPPMGR.EXE").string());
    const std::vector<ui::Expectation> script = {Dialog(kSetupCaption, IDOK), Box(kInstallDevice)};
    EXPECT_EQ(0, RunSetup(script));
    EXPECT_EQ(ScriptLines(script), Prompts());
    // The ini path reaches the manager whole although the folder has spaces.
    EXPECT_EQ(std::vector<std::string>{dist.string() + "\\jotta.ini"}, Recorded());

    ASSERT_TRUE(std::filesystem::is_regular_file(Installed()));
    EXPECT_EQ("Jotterwick.WinCE.Jotterwick",
              win32::ReadRegistryText(HKEY_LOCAL_MACHINE, kObjectKey, "Store"));
    EXPECT_EQ("Jotterwick",
              win32::ReadRegistryText(HKEY_LOCAL_MACHINE, kObjectKey, "Display Name"));
    EXPECT_EQ(
        "{6A1F3C52-8E4B-4D7A-9B21-5C0E7D3F9A14}",
        win32::ReadRegistryText(HKEY_CLASSES_ROOT, "Jotterwick.WinCE.Jotterwick\\CLSID", nullptr));
    EXPECT_EQ(
        "Jotterwick.WinCE.Jotterwick",
        win32::ReadRegistryText(HKEY_CLASSES_ROOT, std::string(kClassKey) + "\\ProgID", nullptr));

    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(u"Jotterwick.WinCE.Jotterwick", &clsid));
    IReplStore* store = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IReplStore,
                                     reinterpret_cast<void**>(&store)));
    ASSERT_NE(nullptr, store);
    EXPECT_EQ(0u, store->Release());
}

TEST_F(Setup, WithoutTheHandheldPackageJsyncSaysTheHandheldLacksTheSystem) {
    // The application manager could not be started: the desktop half is
    // installed, the handheld half waits nowhere.
    ASSERT_EQ(0,
              RunSetup({Dialog(kSetupCaption, IDOK), Box(kInstallDevice), Box(kErrorSpawnAppMgr)}));
    const std::string installed =
        win32::ReadRegistryText(HKEY_CLASSES_ROOT, std::string(kClassKey) + "\\InprocServer32",
                                nullptr)
            .value_or("");
    EXPECT_NE(std::string::npos, installed.find("Program Files\\Jotterwick\\libjottapc.so"));
    auto run = [](const std::string& program, std::vector<std::string> args) {
        // Standard error joined to the output.
        args.insert(args.begin(),
                    {"-c", "exec \"$0\" \"$@\" 2>&1", testsupport::BuiltProgram(program)});
        testsupport::ChildProcess child("/bin/sh", args);
        const int status = child.Wait();
        return std::make_pair(status, child.Output());
    };
    ASSERT_EQ(0, run("tools/ceutil/ceutil", {"init"}).first);
    const auto refused = run("peers/activesync/jsync", {});
    EXPECT_EQ(1, refused.first) << refused.second;
    EXPECT_NE(std::string::npos, refused.second.find("Jotterwick is not installed on the handheld"))
        << refused.second;
    // Nothing of the system was written on the handheld.
    EXPECT_FALSE(std::filesystem::exists(machines.handheld() + "/Program Files"));
    EXPECT_FALSE(std::filesystem::exists(machines.handheld() + "/activesync"));
    // jsync left the installer's registration as it was.
    EXPECT_EQ(installed,
              win32::ReadRegistryText(HKEY_CLASSES_ROOT,
                                      std::string(kClassKey) + "\\InprocServer32", nullptr));
}

// setup --unattended: the same steps with nobody at the dialog; its messages
// on standard output, its exit status telling whether a step failed.
TEST_F(Setup, UnattendedPrintsEachMessageAndFailsWhenTheManagerCannotStart) {
    // No manager registered (no jsync has run on this desktop): the person is
    // told what to do, after setup's own messages.
    testsupport::ChildProcess setup(
        "/bin/sh", {"-c", "'" + (dist / "setup").string() + "' --unattended 2>&1"});
    EXPECT_EQ(1, setup.Wait());
    const std::string expected =
        unicode::ToUtf8(kInstallDevice) + "\n" + unicode::ToUtf8(kErrorSpawnAppMgr) + "\n" +
        "setup: no application manager is registered on this desktop yet; jsync registers it "
        "when it first runs: run jsync once, then setup again\n";
    EXPECT_EQ(expected, setup.Output());
    // The desktop part went well all the same.
    EXPECT_TRUE(std::filesystem::exists(Installed()));
    EXPECT_EQ("Jotterwick.WinCE.Jotterwick",
              win32::ReadRegistryText(HKEY_LOCAL_MACHINE, kObjectKey, "Store"));
}

TEST_F(Setup, UnattendedWaitsForTheManagerAndTakesItsFailureAsAFailedStart) {
    const auto manager = RecordingProgram(root / "Windows CE Services", "CEAPPMGR.EXE");
    RegisterAppManager(manager.string());
    {
        testsupport::ChildProcess setup((dist / "setup").string(), {"--unattended"});
        EXPECT_EQ(0, setup.Wait());
        EXPECT_EQ(unicode::ToUtf8(kInstallDevice) + "\n", setup.Output());
        // The manager has ended by the time setup does.
        EXPECT_TRUE(std::filesystem::exists(record));
    }
    std::ofstream(manager, std::ios::app) << "exit 3\n";
    testsupport::ChildProcess setup(
        "/bin/sh", {"-c", "'" + (dist / "setup").string() + "' --unattended 2>&1"});
    EXPECT_EQ(1, setup.Wait());
    EXPECT_NE(std::string::npos, setup.Output().find(unicode::ToUtf8(kErrorSpawnAppMgr)))
        << setup.Output();
    // A registered manager that fails is not taken for a missing one.
    EXPECT_EQ(std::string::npos, setup.Output().find("no application manager")) << setup.Output();
}

TEST_F(Setup, WithoutTheInfEveryStepThatNeedsItFailsAndTheEndSaysSo) {
    std::filesystem::remove(dist / "Jottapc.inf");
    const std::vector<ui::Expectation> script = {
        Dialog(kSetupCaption, IDOK), Box(kErrorOpenInf),  Box(kErrorPrepareCopy),
        Box(kErrorRegistry),         Box(kInstallDevice), Box(kErrorSpawnAppMgr),
        Box(kDesktopIncomplete)};
    EXPECT_EQ(0, RunSetup(script));
    EXPECT_EQ(ScriptLines(script), Prompts());
    EXPECT_FALSE(std::filesystem::exists(Installed()));
    EXPECT_FALSE(testsupport::DesktopKeyExists(HKEY_LOCAL_MACHINE, kObjectKey));
}

TEST_F(Setup, WithoutTheAppPathsKeyTheManagerCannotStartAfterTheInformation) {
    const std::vector<ui::Expectation> script = {Dialog(kSetupCaption, IDOK), Box(kInstallDevice),
                                                 Box(kErrorSpawnAppMgr)};
    EXPECT_EQ(0, RunSetup(script));
    EXPECT_EQ(ScriptLines(script), Prompts());
    // The desktop part itself went well: nothing more is said about it.
    EXPECT_TRUE(std::filesystem::exists(Installed()));
}

TEST_F(Setup, AnAppPathsValueLongerThanItsBufferStartsNothing) {
    // A manager that would run if its path were cut to the buffer's 259 bytes.
    const auto folder = root / std::string(150, 'd') / std::string(150, 'e');
    const auto program = RecordingProgram(folder, "ceappmgr");
    ASSERT_GT(program.string().size(), 260u);
    const std::filesystem::path cut = program.string().substr(0, 259);
    RecordingProgram(cut.parent_path(), cut.filename().string());
    RegisterAppManager(program.string());
    const std::vector<ui::Expectation> script = {Dialog(kSetupCaption, IDOK), Box(kInstallDevice),
                                                 Box(kErrorSpawnAppMgr)};
    EXPECT_EQ(0, RunSetup(script));
    EXPECT_EQ(ScriptLines(script), Prompts());
    EXPECT_FALSE(std::filesystem::exists(record));
}

TEST_F(Setup, AHostileInfCopiesNothingOutsideTheDesktopAndTheEndSaysSo) {
    std::ofstream(dist / "Jottapc.inf", std::ios::trunc)
        << "[Version]\nSignature = \"$Chicago$\"\n"
        << "[DesktopInstall]\nCopyFiles = Files\nAddReg = Reg\n"
        << "[DestinationDirs]\nFiles = 16422, ..\\..\\..\\escaped\n"
        << "[Files]\nlibjottapc.so\n"
        << "[Reg]\nHKR, Anything, V,, x\n";
    const std::vector<ui::Expectation> script = {
        Dialog(kSetupCaption, IDOK), Box(kErrorPrepareCopy), Box(kErrorRegistry),
        Box(kInstallDevice),         Box(kErrorSpawnAppMgr), Box(kDesktopIncomplete)};
    EXPECT_EQ(0, RunSetup(script));
    EXPECT_EQ(ScriptLines(script), Prompts());
    EXPECT_FALSE(std::filesystem::exists(root / "escaped"));
    EXPECT_FALSE(std::filesystem::exists(root.parent_path() / "escaped"));
}

TEST_F(Setup, CancelInstallsNothing) {
    RegisterAppManager(RecordingProgram(root, "ceappmgr").string());
    const std::vector<ui::Expectation> script = {Dialog(kSetupCaption, IDCANCEL)};
    EXPECT_EQ(0, RunSetup(script));
    EXPECT_EQ(ScriptLines(script), Prompts());
    EXPECT_FALSE(std::filesystem::exists(Installed()));
    EXPECT_FALSE(testsupport::DesktopKeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(std::filesystem::exists(record));
}

TEST_F(Setup, UninstallRemovesWhatInstallPutThereAndLeavesTheNotes) {
    ASSERT_EQ(0,
              RunSetup({Dialog(kSetupCaption, IDOK), Box(kInstallDevice), Box(kErrorSpawnAppMgr)}));
    ASSERT_TRUE(std::filesystem::exists(Installed()));
    const auto desktop = std::filesystem::path(machines.desktop());
    std::ofstream(desktop / "outlook.db") << "the person's notes";
    std::filesystem::create_directories(desktop / "activesync");
    std::ofstream(desktop / "activesync/partners") << "partnerships";
    ASSERT_EQ(ERROR_SUCCESS, win32::WriteRegistryText(
                                 HKEY_CURRENT_USER, "Control Panel\\International", "sList", ";"));

    EXPECT_EQ(0, RunSetup({}, {"--uninstall"}));
    EXPECT_EQ(std::vector<std::string>{}, Prompts());
    EXPECT_FALSE(std::filesystem::exists(Installed()));
    EXPECT_FALSE(testsupport::DesktopKeyExists(HKEY_LOCAL_MACHINE, kObjectKey));
    EXPECT_FALSE(testsupport::DesktopKeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(testsupport::DesktopKeyExists(HKEY_CLASSES_ROOT, "Jotterwick.WinCE.Jotterwick"));
    EXPECT_TRUE(testsupport::DesktopKeyExists(
        HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows CE Services\\Services\\Synchronization"));
    EXPECT_EQ(";",
              win32::ReadRegistryText(HKEY_CURRENT_USER, "Control Panel\\International", "sList"));
    std::ifstream notes(desktop / "outlook.db");
    EXPECT_EQ("the person's notes", std::string((std::istreambuf_iterator<char>(notes)),
                                                std::istreambuf_iterator<char>()));
    EXPECT_TRUE(std::filesystem::exists(desktop / "activesync/partners"));
    // Once more: nothing left to remove is no failure.
    EXPECT_EQ(0, RunSetup({}, {"--uninstall"}));
}

} // namespace
