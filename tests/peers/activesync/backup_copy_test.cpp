// A copy of only the *.db files of both machines, taken after the programs
// have ended, holds every note and every partnership: each program folds its
// stores' write-ahead logs back into the files when it ends.
#include "jsync_fixture.h"
#include "support/system_install.h"

#include <filesystem>

using namespace jsynctest;
namespace fs = std::filesystem;

namespace {

int RunProgram(const std::string& program, const std::vector<std::string>& args) {
    testsupport::ChildProcess child(testsupport::BuiltProgram(program), args);
    return child.Wait();
}

std::vector<std::string> LeftOverLogs(const std::string& machine) {
    std::vector<std::string> logs;
    for (const auto& entry : fs::recursive_directory_iterator(machine))
        if (entry.path().string().ends_with("-wal"))
            logs.push_back(entry.path().string());
    return logs;
}

// The stores, and the programs the installation put on the machines (the
// desktop store, the handheld provider and notes program, and the package
// they came from).
bool IsStoreOrInstalledFile(const std::string& name) {
    return name.ends_with(".db") || name.ends_with(".so") || name == "jotta" ||
           name.ends_with(".zip");
}

} // namespace

TEST(BackupCopy, TheStoreFilesAloneHoldEveryNoteOnceTheProgramsHaveEnded) {
    // No store of the machines is opened in this process: only the programs touch them.
    testsupport::TempMachines machines;
    const std::string handheld = machines.handheld();
    const std::string desktop = machines.desktop();
    for (const char* text : {"Shopping\\r\\nmilk", "Agenda"})
        ASSERT_EQ(0,
                  RunProgram("tools/ceutil/ceutil",
                             {"--handheld", handheld, "add", "Jotterwick Database", "--create",
                              "20:filetime=134090208000000000", "70:filetime=134090208000000000",
                              std::string("30:lpwstr=") + text, "80:ui4=3", "100:lpwstr=Work\\n"}));
    for (const char* body : {"Holiday plans", "Phone numbers"})
        ASSERT_EQ(0, RunProgram("peers/outlook/outlook-notes",
                                {"--desktop", desktop, "add", "--body", body, "--color", "1"}));
    ASSERT_EQ("", testsupport::InstallSystem());
    ASSERT_EQ(0,
              RunProgram("peers/activesync/jsync", {"--handheld", handheld, "--desktop", desktop}));

    const std::string everything = DumpMachines(handheld, desktop);
    EXPECT_EQ("1 [] Holiday plans\n"
              "1 [] Phone numbers\n"
              "3 [Work] Agenda\n"
              "3 [Work] Shopping\\r\\nmilk\n",
              HandheldPart(everything));
    EXPECT_EQ(HandheldPart(everything), DesktopPart(everything));
    EXPECT_EQ(std::vector<std::string>{}, LeftOverLogs(handheld));
    EXPECT_EQ(std::vector<std::string>{}, LeftOverLogs(desktop));

    const fs::path copy = fs::path(handheld).parent_path() / "copy";
    CopyMachine(handheld, (copy / "handheld").string(), IsStoreOrInstalledFile);
    CopyMachine(desktop, (copy / "desktop").string(), IsStoreOrInstalledFile);
    EXPECT_EQ(everything, DumpMachines((copy / "handheld").string(), (copy / "desktop").string()));
    // The partnership came along too: nothing is left to do on the copy.
    testsupport::ChildProcess again(
        testsupport::BuiltProgram("peers/activesync/jsync"),
        {"--handheld", (copy / "handheld").string(), "--desktop", (copy / "desktop").string()});
    ASSERT_EQ(0, again.Wait());
    for (const char* label :
         {"Sent to the desktop", "Received from the desktop", "Equal notes paired"})
        EXPECT_EQ(0, SummaryCount(again.Output(), label)) << label << "\n" << again.Output();
}
