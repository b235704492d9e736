// jsync status: what it tells of a partnership, and that telling it changes
// nothing on either machine.
#include "jsync_fixture.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace jsynctest {
namespace {

// Every file of a machine with its contents, but the database's transient
// companions and the sockets of live windows.
std::map<std::string, std::string> Files(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string path = entry.path().string();
        if (!entry.is_regular_file() || path.ends_with("-shm") || path.ends_with("-wal") ||
            path.ends_with(".lock"))
            continue;
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        files[path.substr(folder.size())] = bytes.str();
    }
    return files;
}

std::string Line(const std::string& output, const std::string& label) {
    const auto at = output.find(label);
    return at == std::string::npos ? "" : output.substr(at, output.find('\n', at) - at);
}

TEST_F(JsyncFixture, StatusTellsWhatWaitsAndChangesNothing) {
    const CEOID kept = AddDeviceNote("Kept", NoteBlue);
    AddDeviceNote("Gone soon", NoteBlue);
    Tick();
    RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;

    EditDeviceNote(kept, "Kept, changed", NoteBlue);
    for (CEOID oid : DeviceNoteIds())
        if (DeviceTitle(oid) == u"Gone soon")
            DeleteDeviceNote(oid);
    AddDeviceNote("Brand new", NoteGreen);
    AddDesktopNote("From Outlook", NoteYellow);
    AddDesktopNote("Red one", NoteRed);
    SetPartnerValue("StopColor", NoteRed);
    Tick();

    const auto handheldBefore = Files(machines->handheld());
    const auto desktopBefore = Files(machines->desktop());
    run = Jsync({"status"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("partner 1: " + machines->desktop()))
        << run.output;
    EXPECT_NE(std::string::npos, run.output.find("partner 2: free")) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("This desktop is partner 1 of the handheld."));
    EXPECT_EQ("Object type:          Jotterwick, synchronized with Microsoft Outlook",
              Line(run.output, "Object type"));
    EXPECT_NE("Last synchronization: never", Line(run.output, "Last synchronization"));
    EXPECT_EQ(std::string::npos, Line(run.output, "Last synchronization").find("1970"));
    EXPECT_EQ("Waiting on the handheld: 3 (1 new, 1 changed, 1 deleted)",
              Line(run.output, "Waiting on the handheld"));
    EXPECT_EQ("Waiting on the desktop:  1 (1 new, 0 changed, 0 deleted)",
              Line(run.output, "Waiting on the desktop"));
    EXPECT_EQ("Left out by the filters: 0 on the handheld, 1 on the desktop",
              Line(run.output, "Left out by the filters"));
    EXPECT_EQ(handheldBefore, Files(machines->handheld())) << "the handheld is as it was";
    EXPECT_EQ(desktopBefore, Files(machines->desktop())) << "the desktop is as it was";

    // The pass it describes is the one that then runs.
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(2, SummaryCount(run.output, "Sent to the desktop")) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Deleted on the desktop")) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Received from the desktop")) << run.output;
    run = Jsync({"status"});
    EXPECT_EQ("Waiting on the handheld: 0 (0 new, 0 changed, 0 deleted)",
              Line(run.output, "Waiting on the handheld"));
}

TEST_F(JsyncFixture, StatusBeforeTheFirstSynchronizationMakesNoPartnership) {
    AddDesktopNote("Only here", NoteYellow);
    Tick();
    const auto desktopBefore = Files(machines->desktop());
    const auto handheldBefore = Files(machines->handheld());
    const RunResult run = Jsync({"status"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("not a partner of the handheld yet"))
        << run.output;
    EXPECT_EQ("Last synchronization: never", Line(run.output, "Last synchronization"));
    EXPECT_EQ("Waiting on the desktop:  1 (1 new, 0 changed, 0 deleted)",
              Line(run.output, "Waiting on the desktop"));
    EXPECT_EQ(desktopBefore, Files(machines->desktop()));
    EXPECT_EQ(handheldBefore, Files(machines->handheld()));
    EXPECT_EQ(2, Jsync({"status", "--partner", "1"}).status) << "status takes no slot";
}

} // namespace
} // namespace jsynctest
