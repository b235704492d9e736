// A synchronization ended at any of its durable writes and run again ends
// with both sides complete: nothing lost, nothing doubled, and a third run
// finds nothing to do. jsync's fault switch ($JOTTERWICK_JSYNC_CRASH_AFTER=N)
// ends it right after its N-th write. Each N starts from a copy of the same
// two machines.
//
// The test takes every $JOTTERWICK_JSYNC_SWEEP_STEP-th N (default 7, and
// always the first writes); bench/jsync_resume_sweep.sh runs it with step 1.
#include "jsync_fixture.h"

#include "peers/activesync/fault_switch.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace jsynctest;
namespace fs = std::filesystem;

namespace {

std::size_t SweepStep() {
    const char* text = std::getenv("JOTTERWICK_JSYNC_SWEEP_STEP");
    const long step = text ? std::atol(text) : 7;
    return step > 0 ? static_cast<std::size_t>(step) : 7;
}

class JsyncResumeTest : public JsyncFixture {
protected:
    // A copy of the machines as they are now, for one run of the sweep.
    struct Copy {
        std::string handheld, desktop;
    };
    Copy MakeCopy(const std::string& name) {
        const fs::path root = fs::path(machines->handheld()).parent_path() / name;
        Copy copy{(root / "handheld").string(), (root / "desktop").string()};
        CopyMachine((snapshot / "handheld").string(), copy.handheld);
        CopyMachine((snapshot / "desktop").string(), copy.desktop);
        return copy;
    }
    void TakeSnapshot() {
        const fs::path root = fs::path(machines->handheld()).parent_path();
        snapshot = root / "snapshot";
        CopyMachine(machines->handheld(), (snapshot / "handheld").string());
        CopyMachine(machines->desktop(), (snapshot / "desktop").string());
    }
    static std::vector<std::string> On(const Copy& copy) {
        return {"--handheld", copy.handheld, "--desktop", copy.desktop};
    }
    // Both sides of a copy, as note_dump prints them.
    std::string Dump(const Copy& copy) { return DumpMachines(copy.handheld, copy.desktop); }

    // Sweeps the pass jsync runs on the snapshot: returns the last write it
    // was interrupted at (the pass has that many writes or a few more).
    std::size_t Sweep(const std::vector<std::string>& extraArgs) {
        const Copy reference = MakeCopy("reference");
        std::vector<std::string> args = On(reference);
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        RunResult run = Jsync(args);
        EXPECT_EQ(0, run.status) << run.output;
        const std::string expected = Dump(reference);
        EXPECT_EQ(DesktopPart(expected), HandheldPart(expected))
            << "an uninterrupted run ends in step";

        const std::size_t step = SweepStep();
        std::size_t tried = 0;
        std::size_t lastInterrupted = 0;
        for (std::size_t n = 1;; n += n < 4 ? 1 : step) {
            const Copy copy = MakeCopy("crash-" + std::to_string(n));
            args = On(copy);
            args.insert(args.end(), extraArgs.begin(), extraArgs.end());
            setenv("JOTTERWICK_JSYNC_CRASH_AFTER", std::to_string(n).c_str(), 1);
            const RunResult crashed = Jsync(args);
            unsetenv("JOTTERWICK_JSYNC_CRASH_AFTER");
            ++tried;
            if (crashed.status != jsync::kCrashExitStatus) {
                EXPECT_EQ(0, crashed.status) << "N=" << n << "\n" << crashed.output;
                fs::remove_all(fs::path(copy.handheld).parent_path());
                break;
            }
            lastInterrupted = n;
            run = Jsync(args);
            EXPECT_EQ(0, run.status) << "N=" << n << "\n" << run.output;
            EXPECT_EQ(expected, Dump(copy)) << "after an interruption at write " << n;
            run = Jsync(args);
            EXPECT_EQ(0, run.status) << "N=" << n << "\n" << run.output;
            for (const char* label :
                 {"Sent to the desktop", "Received from the desktop", "Deleted on the desktop",
                  "Deleted on the handheld", "Conflicts", "Equal notes paired"})
                EXPECT_EQ(0, SummaryCount(run.output, label))
                    << "third run after write " << n << ": " << label << "\n"
                    << run.output;
            fs::remove_all(fs::path(copy.handheld).parent_path());
            if (HasFailure())
                break;
        }
        std::printf("interrupted at %zu points, the last after write %zu\n", tried - 1,
                    lastInterrupted);
        return lastInterrupted;
    }

    fs::path snapshot;
};

} // namespace

TEST_F(JsyncResumeTest, AFirstSynchronizationInterruptedAnywhere) {
    for (int i = 0; i < 12; ++i) {
        AddDeviceNote("Handheld " + std::to_string(i), i % 5, i % 3 ? "Work\n" : "");
        AddDesktopNote("Desktop " + std::to_string(i), i % 5, i % 4 ? "Home" : "");
    }
    for (int i = 0; i < 3; ++i) {
        AddDeviceNote("On both " + std::to_string(i), NoteGreen);
        AddDesktopNote("On both " + std::to_string(i), NoteGreen);
    }
    Tick();
    TakeSnapshot();
    Tick();
    EXPECT_GT(Sweep({}), 30u);
}

TEST_F(JsyncResumeTest, AHundredNoteSynchronizationInterruptedAnywhere) {
    std::vector<CEOID> device;
    for (int i = 0; i < 30; ++i)
        device.push_back(AddDeviceNote("Handheld " + std::to_string(i) + "\r\nbody", i % 5,
                                       i % 3 ? "Work\nPlans\n" : ""));
    for (int i = 0; i < 30; ++i)
        AddDesktopNote("Desktop " + std::to_string(i) + "\r\nbody", i % 5, i % 2 ? "Home" : "");
    Tick();
    ASSERT_EQ(0, Jsync().status);
    Tick();

    auto desktopNote = [&](const std::string& body) {
        for (const auto& note : DesktopNotes())
            if (note.body == std::u16string(body.begin(), body.end()))
                return note.entryId;
        ADD_FAILURE() << "no desktop note " << body;
        return std::string();
    };
    auto deviceNote = [&](const std::string& text) {
        for (CEOID oid : DeviceNoteIds()) {
            NoteContents note;
            if (ReadDeviceNote(oid, &note) && note.text == std::u16string(text.begin(), text.end()))
                return oid;
        }
        ADD_FAILURE() << "no handheld note " << text;
        return CEOID{0};
    };
    // New, changed and deleted on both sides.
    for (int i = 0; i < 8; ++i) {
        AddDeviceNote("New on the handheld " + std::to_string(i), NoteBlue, "Fresh\n");
        AddDesktopNote("New on the desktop " + std::to_string(i), NoteRed, "Fresh");
    }
    for (int i = 0; i < 6; ++i) {
        EditDeviceNote(device[i], "Handheld " + std::to_string(i) + " changed", NoteWhite);
        EditDesktopNote(desktopNote("Desktop " + std::to_string(i) + "\r\nbody"),
                        "Desktop " + std::to_string(i) + " changed", NoteGreen, "Home");
    }
    for (int i = 6; i < 11; ++i) {
        DeleteDeviceNote(device[i]);
        DeleteDesktopNote(desktopNote("Desktop " + std::to_string(i) + "\r\nbody"));
    }
    // Conflicts: changed on both sides, one to the same text.
    for (int i = 11; i < 15; ++i) {
        EditDeviceNote(device[i], "Conflict " + std::to_string(i) + " on the handheld", NoteBlue);
        EditDesktopNote(desktopNote("Handheld " + std::to_string(i) + "\r\nbody"),
                        i == 11 ? "Conflict 11 on the handheld"
                                : "Conflict " + std::to_string(i) + " on the desktop",
                        NoteBlue);
    }
    // A change against a deletion, both ways.
    for (int i = 15; i < 17; ++i) {
        EditDeviceNote(device[i], "Kept change " + std::to_string(i), NoteYellow);
        DeleteDesktopNote(desktopNote("Handheld " + std::to_string(i) + "\r\nbody"));
        const std::string body = "Desktop " + std::to_string(i) + "\r\nbody";
        DeleteDeviceNote(deviceNote(body));
        EditDesktopNote(desktopNote(body), "Kept desktop change " + std::to_string(i), NoteRed);
    }
    Tick();
    TakeSnapshot();
    Tick();
    EXPECT_GT(Sweep({}), 100u);
}
