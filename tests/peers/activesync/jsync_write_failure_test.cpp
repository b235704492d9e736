// A write that fails anywhere in a synchronization is a failure that loses
// nothing: jsync, with the fail-write library preloaded (tests/support/
// fail_write_vfs.cpp), has its N-th SQLite write fail as a disk would, for
// N = 1, 2, ... until a run has fewer writes than N. After each failed run
// jsync must not have exited 0, and one clean run must bring both sides to
// the notes an undisturbed pass gives. Each N starts from a copy of the same
// two machines.
//
// The test takes every $JOTTERWICK_FAIL_WRITE_STEP-th N (default 1).
#include "jsync_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace jsynctest;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t SweepStep() {
    const char* text = std::getenv("JOTTERWICK_FAIL_WRITE_STEP");
    const long step = text ? std::atol(text) : 1;
    return step > 0 ? static_cast<std::size_t>(step) : 1;
}

class JsyncWriteFailureTest : public JsyncFixture {
protected:
    void SetUp() override {
        JsyncFixture::SetUp();
        // The preloaded library comes before the sanitizer's runtime in the
        // sanitizer build; that order is wanted here.
        const char* asan = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS",
               (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
        root = fs::path(machines->handheld()).parent_path();
    }

    void TakeSnapshot() {
        CopyMachine(machines->handheld(), (root / "snapshot" / "handheld").string());
        CopyMachine(machines->desktop(), (root / "snapshot" / "desktop").string());
    }
    std::vector<std::string> MakeCopy(const std::string& name) {
        const std::string handheld = (root / name / "handheld").string();
        const std::string desktop = (root / name / "desktop").string();
        CopyMachine((root / "snapshot" / "handheld").string(), handheld);
        CopyMachine((root / "snapshot" / "desktop").string(), desktop);
        return {"--handheld", handheld, "--desktop", desktop};
    }
    static std::string Dump(const std::vector<std::string>& on) {
        return DumpMachines(on[1], on[3]);
    }

    // jsync on `on` with its n-th write failing; *failed tells whether a
    // write was failed (the run had at least n writes). With `fullDiskFor`,
    // the disk of the files named so is full from their n-th write on.
    RunResult JsyncFailingWrite(const std::vector<std::string>& on, std::size_t n, bool* failed,
                                const std::string& fullDiskFor = "") {
        const fs::path log = root / "failed-writes";
        fs::remove(log);
        // Preloaded into jsync alone, not into a shell on the way.
        std::vector<std::string> command = {
            "LD_PRELOAD=" + testsupport::BuiltProgram("tests/support/fail_write_vfs.so"),
            "JOTTERWICK_FAIL_WRITE=" + std::to_string(n),
            "JOTTERWICK_FAIL_WRITE_LOG=" + log.string()};
        if (!fullDiskFor.empty())
            command.push_back("JOTTERWICK_FULL_DISK_FOR=" + fullDiskFor);
        command.push_back(testsupport::BuiltProgram("peers/activesync/jsync"));
        command.insert(command.end(), on.begin(), on.end());
        // Its standard error too, where the desktop's message boxes are shown.
        command.insert(command.begin(), {"-c", "exec /usr/bin/env \"$@\" 2>&1", "sh"});
        testsupport::ChildProcess jsync("/bin/sh", command);
        RunResult run;
        run.status = jsync.Wait();
        const std::string failures = Slurp(log);
        *failed = !failures.empty();
        run.output = failures + jsync.Output();
        return run;
    }

    // Sweeps the pass jsync runs on the snapshot; returns how many writes
    // were failed in turn.
    std::size_t Sweep() {
        const std::vector<std::string> reference = MakeCopy("reference");
        RunResult run = Jsync(reference);
        EXPECT_EQ(0, run.status) << run.output;
        const std::string expected = Dump(reference);
        EXPECT_EQ(DesktopPart(expected), HandheldPart(expected))
            << "an undisturbed run ends in step";

        std::size_t tried = 0;
        for (std::size_t n = 1;; n += n < 4 ? 1 : SweepStep()) {
            const std::vector<std::string> on = MakeCopy("fail-" + std::to_string(n));
            bool failed = false;
            const RunResult broken = JsyncFailingWrite(on, n, &failed);
            if (!failed) {
                EXPECT_EQ(0, broken.status) << "N=" << n << "\n" << broken.output;
                EXPECT_EQ(expected, Dump(on)) << "N=" << n;
                fs::remove_all(root / ("fail-" + std::to_string(n)));
                break;
            }
            ++tried;
            EXPECT_NE(0, broken.status) << "exit 0 after write " << n << " failed\n"
                                        << broken.output;
            run = Jsync(on);
            EXPECT_EQ(0, run.status) << "N=" << n << "\n" << run.output;
            EXPECT_EQ(expected, Dump(on)) << "after write " << n << " failed\n" << broken.output;
            fs::remove_all(root / ("fail-" + std::to_string(n)));
            if (HasFailure())
                break;
        }
        std::printf("failed %zu writes in turn\n", tried);
        return tried;
    }

    fs::path root;
};

} // namespace

TEST_F(JsyncWriteFailureTest, AFailedWriteAnywhereInAPassLosesNothing) {
    std::vector<CEOID> device;
    std::vector<std::string> desktop;
    for (int i = 0; i < 3; ++i) {
        device.push_back(AddDeviceNote("Handheld " + std::to_string(i), i % 5, i ? "Work\n" : ""));
        desktop.push_back(AddDesktopNote("Desktop " + std::to_string(i), i % 5, i ? "Home" : ""));
    }
    Tick();
    ASSERT_EQ(0, Jsync().status);
    Tick();
    // New, changed and deleted on both sides, and a note in step.
    AddDeviceNote("New on the handheld", NoteBlue, "Fresh\n");
    AddDesktopNote("New on the desktop", NoteRed, "Fresh");
    EditDeviceNote(device[0], "Handheld 0 changed", NoteWhite);
    EditDesktopNote(desktop[0], "Desktop 0 changed", NoteGreen, "Home");
    DeleteDeviceNote(device[1]);
    DeleteDesktopNote(desktop[1]);
    Tick();
    TakeSnapshot();
    Tick();
    EXPECT_GT(Sweep(), 10u);
}

// A full desktop disk fails every note the pass brings to Outlook alike: the
// pass says so once, naming the store and what to do, and a pass after room
// was made brings them all.
TEST_F(JsyncWriteFailureTest, AFullDesktopDiskIsReportedOnceNamingTheStore) {
    for (int i = 0; i < 3; ++i)
        AddDeviceNote("Handheld " + std::to_string(i));
    Tick();
    TakeSnapshot();
    const std::vector<std::string> on = MakeCopy("full");
    bool failed = false;
    const RunResult full = JsyncFailingWrite(on, 1, &failed, "outlook.db");
    EXPECT_NE(0, full.status) << full.output;
    const std::string message = "The change could not be saved in " + on[3] +
                                "/outlook.db; the disk is full: make room and try again";
    std::size_t shown = 0;
    for (auto at = full.output.find(message); at != std::string::npos;
         at = full.output.find(message, at + 1))
        ++shown;
    EXPECT_EQ(1u, shown) << full.output;

    const RunResult after = Jsync(on);
    EXPECT_EQ(0, after.status) << after.output;
    const std::string both = Dump(on);
    EXPECT_EQ(DesktopPart(both), HandheldPart(both));
    EXPECT_NE(std::string::npos, both.find("Handheld 2")) << both;
}
