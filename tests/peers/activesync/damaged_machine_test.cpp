// jsync on a machine whose store file is damaged: the message names the file
// and says what a person can do, and the file is left as it was.
#include "support/machine.h"
#include "support/system_install.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string output;
};

Outcome Jsync(const testsupport::TempMachines& machines) {
    testsupport::ChildProcess child(
        "/bin/sh",
        {"-c", "'" + testsupport::BuiltProgram("peers/activesync/jsync") + "' --handheld '" +
                   machines.handheld() + "' --desktop '" + machines.desktop() + "' 2>&1"});
    Outcome run;
    run.status = child.Wait();
    run.output = child.Output();
    return run;
}

// Makes both machines and installs the system, as a person does before a
// first synchronization.
void MakeMachines(const testsupport::TempMachines& machines) {
    testsupport::ChildProcess handheld(testsupport::BuiltProgram("tools/ceutil/ceutil"),
                                       {"--handheld", machines.handheld(), "init"});
    ASSERT_EQ(0, handheld.Wait());
    testsupport::ChildProcess desktop(testsupport::BuiltProgram("peers/outlook/outlook-notes"),
                                      {"--desktop", machines.desktop(), "list"});
    ASSERT_EQ(0, desktop.Wait());
    ASSERT_EQ("", testsupport::InstallSystem());
}

// Replaces a store file (and its journal) with bytes that are no store.
std::string Damage(const std::string& file) {
    for (const char* suffix : {"-wal", "-shm"})
        fs::remove(file + suffix);
    const std::string garbage(8192, '\x5a');
    std::ofstream(file, std::ios::binary | std::ios::trunc) << garbage;
    return garbage;
}

std::string Slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(DamagedMachine, ADamagedStoreFileIsNamedWithWhatToDo) {
    for (const char* file : {"handheld/objectstore.db", "desktop/outlook.db"}) {
        SCOPED_TRACE(file);
        testsupport::TempMachines machines;
        MakeMachines(machines);
        ASSERT_EQ(0, Jsync(machines).status) << "a first synchronization makes the stores";
        const std::string path = (fs::path(machines.handheld()).parent_path() / file).string();
        const std::string garbage = Damage(path);
        const Outcome run = Jsync(machines);
        EXPECT_NE(0, run.status);
        EXPECT_NE(std::string::npos, run.output.find(path)) << run.output;
        EXPECT_NE(std::string::npos,
                  run.output.find("put it back from a backup, or move it away to start afresh"))
            << run.output;
        EXPECT_EQ(garbage, Slurp(path)) << "the damaged file is left as it was";
    }
}

TEST(DamagedMachine, ADesktopNameFromTheHandheldCannotDriveTheTerminal) {
    testsupport::TempMachines machines;
    MakeMachines(machines);
    ASSERT_EQ(0, Jsync(machines).status);
    // The handheld says its slot belongs to another desktop, whose name
    // would retitle the terminal.
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK,
              sqlite3_open((machines.handheld() + "/activesync/partners.db").c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db,
                                      "UPDATE partners SET partnership = partnership + 1, "
                                      "desktop = 'Bob' || char(27) || ']0;owned' || char(7)",
                                      nullptr, nullptr, nullptr));
    sqlite3_close(db);
    const Outcome run = Jsync(machines);
    EXPECT_NE(0, run.status);
    EXPECT_NE(std::string::npos, run.output.find("belongs to the desktop Bob\\x1b]0;owned\\x07"))
        << run.output;
    EXPECT_EQ(std::string::npos, run.output.find('\x1b'));
}

} // namespace
