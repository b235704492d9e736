// jsync end to end: the ways an edit or a note could go missing between the
// two sides, each closed.
#include "jsync_fixture.h"

#include "device/sync/note_record.h"
#include "platform/base/unicode.h"
#include "platform/ce/machine.h"
#include "platform/win32/machine.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <utility>

using namespace jsynctest;

namespace {

std::string U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

// Runs one jsync held by the switch `hold` (a JOTTERWICK_JSYNC_HOLD_*
// variable) at its first stop, makes `change` from another thread meanwhile
// (a handheld save waits for jsync's hold of the store), and expects the run
// to succeed.
void ChangeWhileJsyncIsHeld(const char* hold, const std::function<void()>& change) {
    const std::string file = ce::HandheldDirectory() + "/../hold";
    { std::ofstream(file).put('\n'); }
    setenv(hold, file.c_str(), 1);
    testsupport::ChildProcess jsync(testsupport::BuiltProgram("peers/activesync/jsync"), {});
    unsetenv(hold);
    ASSERT_TRUE(
        testsupport::WaitFor([&] { return std::filesystem::exists(file + ".held"); }, 10000));
    std::thread changing(change);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::filesystem::remove(file);
    changing.join();
    EXPECT_EQ(0, jsync.Wait()) << jsync.Output();
    std::filesystem::remove(file + ".held");
}

} // namespace

// Two desktop edits within one second, a synchronization between them: the
// second edit must still travel.
TEST_F(JsyncFixture, TwoDesktopEditsInOneSecondBothTravel) {
    const std::string entry = AddDesktopNote("First");
    Tick();
    ASSERT_EQ(0, Jsync().status);

    // The clock stands still: every write below falls in the same second.
    EditDesktopNote(entry, "Second");
    ASSERT_EQ(0, Jsync().status);
    EditDesktopNote(entry, "Third");
    const RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Received from the desktop")) << run.output;
    ExpectInStep("3 [] Third\n");

    // A later handheld edit does not go over an unseen desktop edit either.
    EditDesktopNote(entry, "Fourth");
    Tick();
    EditDeviceNote(DeviceNoteIds().at(0), "Fourth");
    ASSERT_EQ(0, Jsync().status);
    ExpectInStep("3 [] Fourth\n");
}

// The same on the handheld: a note saved within the clock tick of the
// synchronization that stamped it.
TEST_F(JsyncFixture, AHandheldEditInTheTickOfItsSynchronizationTravels) {
    const std::string entry = AddDesktopNote("First");
    Tick();
    ASSERT_EQ(0, Jsync().status);
    const CEOID oid = DeviceNoteIds().at(0);
    EditDeviceNote(oid, "Second");
    RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Sent to the desktop")) << run.output;
    EditDeviceNote(oid, "Third");
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    ExpectInStep("3 [] Third\n");
}

// Edits made while a pass is under way, between its survey and its work,
// are neither overwritten nor deleted: the next pass sees them.
TEST_F(JsyncFixture, EditsMadeDuringAPassAreNotOverwritten) {
    const CEOID kept = AddDeviceNote("Both");
    const CEOID gone = AddDeviceNote("Deleted on the handheld");
    const CEOID received = AddDeviceNote("Received");
    Tick();
    ASSERT_EQ(0, Jsync().status);
    Tick();
    EditDeviceNote(kept, "Handheld edit");
    DeleteDeviceNote(gone);
    EditDesktopNote(DesktopEntryOf("Received"), "Desktop edit to receive");

    const std::string hold = ce::HandheldDirectory() + "/../hold";
    { std::ofstream(hold).put('\n'); }
    setenv("JOTTERWICK_JSYNC_HOLD", hold.c_str(), 1);
    testsupport::ChildProcess jsync(testsupport::BuiltProgram("peers/activesync/jsync"), {});
    unsetenv("JOTTERWICK_JSYNC_HOLD");
    ASSERT_TRUE(
        testsupport::WaitFor([&] { return std::filesystem::exists(hold + ".held"); }, 10000));
    Tick();
    EditDesktopNote(DesktopEntryOf("Both"), "Desktop edit");
    EditDesktopNote(DesktopEntryOf("Deleted on the handheld"), "Desktop edit of a deleted note");
    EditDeviceNote(received, "Handheld edit while receiving");
    std::filesystem::remove(hold);
    EXPECT_EQ(0, jsync.Wait()) << jsync.Output();

    // The next pass finds a conflict and a change against a deletion: all kept.
    ASSERT_EQ(0, Jsync().status);
    ExpectInStep("3 [] Desktop edit\n3 [] Desktop edit of a deleted note\n"
                 "3 [] Desktop edit to receive\n3 [] Handheld edit\n"
                 "3 [] Handheld edit while receiving\n");
}

// A handheld save that comes right when jsync writes the note there, after
// its check that the note is as it read it: the save waits for jsync's write
// and goes after it, so the handheld's newest text is the one that travels,
// instead of being overwritten unseen (a desktop edit received) or taken for
// jsync's own write and never sent (a sent note marked synchronized).
TEST_F(JsyncFixture, AHandheldSaveDuringJsyncsWriteOfTheNoteIsKept) {
    const CEOID received = AddDeviceNote("Received");
    const CEOID sent = AddDeviceNote("Sent");
    Tick();
    ASSERT_EQ(0, Jsync().status);

    Tick();
    EditDesktopNote(DesktopEntryOf("Received"), "Desktop edit");
    ChangeWhileJsyncIsHeld("JOTTERWICK_JSYNC_HOLD_WRITE",
                           [&] { EditDeviceNote(received, "Saved while receiving"); });
    Tick();
    EditDeviceNote(sent, "Handheld edit to send");
    ChangeWhileJsyncIsHeld("JOTTERWICK_JSYNC_HOLD_WRITE",
                           [&] { EditDeviceNote(sent, "Saved while marking it sent"); });

    ASSERT_EQ(0, Jsync().status);
    ExpectInStep("3 [] Saved while marking it sent\n3 [] Saved while receiving\n");
}

// A handheld save right after the handheld provider looked at the note for
// the survey and wrote its stamp back: that write is jsync's own, the save
// is not. Here the note is asked about because the other partnership
// stamped it, and the provider finds it in step; the save must still travel.
TEST_F(JsyncFixture, AHandheldSaveDuringTheSurveysLookAtTheNoteTravels) {
    const CEOID oid = AddDeviceNote("First");
    Tick();
    ASSERT_EQ(0, Jsync().status);

    Tick();
    CEPROPVAL stamp{};
    stamp.propid = PROPID_NOTE_SYNCTIME2;
    stamp.val.filetime = Now();
    ASSERT_EQ(oid, CeWriteRecordProps(cursor, oid, 1, &stamp));
    Tick();
    ChangeWhileJsyncIsHeld("JOTTERWICK_JSYNC_HOLD_SURVEY",
                           [&] { EditDeviceNote(oid, "Saved during the survey"); });
    ASSERT_EQ(0, Jsync().status);
    ExpectInStep("3 [] Saved during the survey\n");
}

// A desktop edit that jsync receives while the notes program saves the same
// note, between the save's read of the note and its write: the save holds
// the store across both, so jsync waits and then finds the note saved; the
// next pass keeps both edits, where the save wrote over the received one.
TEST_F(JsyncFixture, ADesktopEditReceivedDuringASaveOfTheNotesProgramIsKept) {
    const CEOID oid = AddDeviceNote("First");
    Tick();
    ASSERT_EQ(0, Jsync().status);
    Tick();
    EditDesktopNote(DesktopEntryOf("First"), "Desktop edit");
    NoteContents base;
    ASSERT_TRUE(ReadDeviceNote(oid, &base));
    NoteContents mine = base;
    mine.text = u"Handheld edit";

    const std::string hold = ce::HandheldDirectory() + "/../hold";
    { std::ofstream(hold).put('\n'); }
    setenv("JOTTERWICK_NOTES_HOLD_SAVE", hold.c_str(), 1);
    SaveOutcome outcome = SaveOutcome::Failed;
    NoteContents saved;
    std::thread save([&] { outcome = SaveNoteChanges(cursor, oid, base, mine, &saved); });
    const bool held =
        testsupport::WaitFor([&] { return std::filesystem::exists(hold + ".held"); }, 10000);
    unsetenv("JOTTERWICK_NOTES_HOLD_SAVE");
    testsupport::ChildProcess jsync(testsupport::BuiltProgram("peers/activesync/jsync"), {});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::filesystem::remove(hold);
    save.join();
    EXPECT_TRUE(held);
    EXPECT_EQ(SaveOutcome::Written, outcome);
    EXPECT_EQ(0, jsync.Wait()) << jsync.Output();
    std::filesystem::remove(hold + ".held");

    ASSERT_EQ(0, Jsync().status);
    ExpectInStep("3 [] Desktop edit\n3 [] Handheld edit\n");
}

// The same on the desktop, which jsync cannot hold: a desktop save after
// jsync's check that the note is as it read it, right before jsync writes
// the handheld's edit there or deletes it, is not overwritten or deleted.
// The next pass finds both edits, or the edit against the deletion.
TEST_F(JsyncFixture, ADesktopSaveRightBeforeJsyncsWriteOfTheNoteIsKept) {
    const CEOID sent = AddDeviceNote("Sent");
    const CEOID deleted = AddDeviceNote("Deleted");
    Tick();
    ASSERT_EQ(0, Jsync().status);

    Tick();
    EditDeviceNote(sent, "Handheld edit to send");
    ChangeWhileJsyncIsHeld("JOTTERWICK_JSYNC_HOLD_DESKTOP_WRITE",
                           [&] { EditDesktopNote(DesktopEntryOf("Sent"), "Saved while sending"); });
    Tick();
    DeleteDeviceNote(deleted);
    ChangeWhileJsyncIsHeld("JOTTERWICK_JSYNC_HOLD_DESKTOP_WRITE", [&] {
        EditDesktopNote(DesktopEntryOf("Deleted"), "Saved while deleting");
    });

    ASSERT_EQ(0, Jsync().status);
    ExpectInStep("3 [] Handheld edit to send\n3 [] Saved while deleting\n"
                 "3 [] Saved while sending\n");
}

// The same text with another colour or other categories on each side.
TEST_F(JsyncFixture, EqualTextsWithOtherColoursOrCategoriesAreReconciled) {
    const CEOID oid = AddDeviceNote("Plan", NoteYellow, "Home\n");
    Tick();
    ASSERT_EQ(0, Jsync().status);
    const std::string entry = DesktopNotes().at(0).entryId;

    Tick();
    EditDeviceNote(oid, "Plan", NoteBlue, "Home\nErrands\n");
    EditDesktopNote(entry, "Plan", NoteYellow, "Home, Business");
    RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    // Categories of both sides, the handheld's colour.
    ExpectInStep("0 [Home, Errands, Business] Plan\n");
    ExpectNothingToDo();

    // --prefer makes one side's version win whole.
    Tick();
    EditDeviceNote(oid, "Plan", NoteGreen, "Home\n");
    EditDesktopNote(entry, "Plan", NoteRed, "Business");
    run = Jsync({"--prefer", "desktop"});
    ASSERT_EQ(0, run.status) << run.output;
    ExpectInStep("2 [Business] Plan\n");
    ExpectNothingToDo();
}

// Outlook's store deleted, or emptied, below and above the guard's ten notes.
TEST_F(JsyncFixture, ALostDesktopStoreIsCombinedNotDeletedOnTheHandheld) {
    for (int i = 0; i < 3; ++i)
        AddDeviceNote("Note " + std::to_string(i));
    Tick();
    ASSERT_EQ(0, Jsync().status);

    // Emptied: every synchronized note gone, the store itself the same.
    for (const outlook::Note& note : DesktopNotes())
        DeleteDesktopNote(note.entryId);
    Tick();
    RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("combined")) << run.output;
    EXPECT_EQ(0, SummaryCount(run.output, "Deleted on the handheld")) << run.output;
    ExpectInStep("3 [] Note 0\n3 [] Note 1\n3 [] Note 2\n");
    ExpectNothingToDo();

    // Deleted: Outlook makes a new, empty store in its place.
    const std::string other = win32::DesktopDirectory() + "/../other-desktop";
    ASSERT_EQ(0, RunProgram("peers/outlook/outlook-notes", {"--desktop", other, "list"}).status);
    CopyStore(other + "/outlook.db", win32::DesktopDirectory() + "/outlook.db");
    Tick();
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    ExpectInStep("3 [] Note 0\n3 [] Note 1\n3 [] Note 2\n");

    // Deleting every note on purpose still works, when asked for.
    for (const outlook::Note& note : DesktopNotes())
        DeleteDesktopNote(note.entryId);
    Tick();
    run = Jsync({"--allow-mass-delete"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(3, SummaryCount(run.output, "Deleted on the handheld")) << run.output;
    ExpectInStep("");
}

TEST_F(JsyncFixture, TheMassDeletionGuardRecommendsCombining) {
    std::vector<std::string> entries;
    for (int i = 0; i < 12; ++i)
        entries.push_back(AddDesktopNote("Note " + std::to_string(i)));
    Tick();
    ASSERT_EQ(0, Jsync().status);
    for (int i = 0; i < 11; ++i)
        DeleteDesktopNote(entries[static_cast<std::size_t>(i)]);
    Tick();
    RunResult run = Jsync();
    EXPECT_EQ(1, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("--combine")) << run.output;
    EXPECT_EQ(12u, DeviceNoteIds().size());

    run = Jsync({"--combine"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(12u, DeviceNoteIds().size());
    EXPECT_EQ(12u, DesktopNotes().size());
    ExpectNothingToDo();
}

// The handheld's object store lost, or put back from an older copy, while its
// partnership file stays.
TEST_F(JsyncFixture, AReplacedOrRestoredHandheldStoreIsCombined) {
    for (int i = 0; i < 4; ++i)
        AddDeviceNote("Kept " + std::to_string(i));
    Tick();
    ASSERT_EQ(0, Jsync().status);

    // A copy of the store, as a backup tool takes it.
    const std::string store = ce::HandheldDirectory() + "/objectstore.db";
    const std::string backup = ce::HandheldDirectory() + "/../objectstore.backup";
    CopyStore(store, backup);

    // Life goes on: new notes on both sides, synchronized.
    std::vector<CEOID> later;
    for (int i = 0; i < 3; ++i)
        later.push_back(AddDeviceNote("Later " + std::to_string(i)));
    AddDesktopNote("Desktop note");
    Tick();
    ASSERT_EQ(0, Jsync().status);

    // The older copy comes back; new notes are made on it, which take the
    // object identifiers the lost notes had.
    CopyStore(backup, store);
    for (int i = 0; i < 3; ++i)
        AddDeviceNote("After restore " + std::to_string(i));
    Tick();
    RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("combined")) << run.output;
    EXPECT_EQ(0, SummaryCount(run.output, "Deleted on the desktop")) << run.output;
    ExpectInStep("3 [] After restore 0\n3 [] After restore 1\n3 [] After restore 2\n"
                 "3 [] Desktop note\n3 [] Kept 0\n3 [] Kept 1\n3 [] Kept 2\n3 [] Kept 3\n"
                 "3 [] Later 0\n3 [] Later 1\n3 [] Later 2\n");
    ExpectNothingToDo();

    // Changes after the combination travel again.
    Tick();
    EditDeviceNote(DeviceNoteIds().at(0), "Edited after restore");
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Sent to the desktop")) << run.output;

    // A new, empty store: the desktop's notes come back, none is deleted.
    const std::string empty = ce::HandheldDirectory() + "/../empty.db";
    ASSERT_EQ(0, RunProgram("tools/ceutil/ceutil", {"--handheld", empty + ".d", "dbs"}).status);
    CopyStore(empty + ".d/objectstore.db", store);
    Tick();
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(0, SummaryCount(run.output, "Deleted on the desktop")) << run.output;
    ReopenNoteDatabase();
    EXPECT_EQ(11u, DeviceNoteIds().size());
    EXPECT_EQ(11u, DesktopNotes().size());
}

// The whole handheld put back from an older copy, its partnership file with
// its store, as a backup of the handheld brings both back: the desktop's own
// record of the store tells that it went back.
TEST_F(JsyncFixture, AHandheldPutBackWholeFromAnOlderCopyIsCombined) {
    for (int i = 0; i < 3; ++i)
        AddDeviceNote("Kept " + std::to_string(i));
    Tick();
    ASSERT_EQ(0, Jsync().status);

    const std::string dir = ce::HandheldDirectory();
    const std::vector<std::string> files = {dir + "/objectstore.db",
                                            dir + "/activesync/partners.db"};
    for (const std::string& file : files)
        CopyStore(file, file + ".backup");

    AddDeviceNote("Handheld later");
    AddDesktopNote("Desktop later");
    Tick();
    ASSERT_EQ(0, Jsync().status);

    for (const std::string& file : files)
        CopyStore(file + ".backup", file);
    ReopenNoteDatabase();
    Tick();
    RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("combined")) << run.output;
    EXPECT_EQ(0, SummaryCount(run.output, "Deleted on the desktop")) << run.output;
    ExpectInStep("3 [] Desktop later\n3 [] Handheld later\n3 [] Kept 0\n3 [] Kept 1\n"
                 "3 [] Kept 2\n");
    ExpectNothingToDo();
}

// Text that a 1252 desktop cannot carry: reported, and its lossy form never
// sent back over the handheld's original.
TEST_F(JsyncFixture, TextOutsideTheDesktopCodePageIsNeverLost) {
    SetDesktopCodePage("1252");
    const CEOID oid = AddDeviceNote(U8(u8"Tea \u6771\u4eac \U0001F375"), NoteBlue);
    Tick();
    RunResult run = Jsync({"--dry-run"});
    EXPECT_NE(std::string::npos, run.output.find("code page")) << run.output;
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("code page")) << run.output;

    // The desktop changes the colour only: the handheld keeps its characters.
    Tick();
    const outlook::Note desktop = DesktopNotes().at(0);
    EditDesktopNote(desktop.entryId, unicode::ToUtf8(desktop.body), NoteGreen);
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    NoteContents note;
    ASSERT_TRUE(ReadDeviceNote(oid, &note));
    EXPECT_EQ(unicode::ToUtf16(U8(u8"Tea \u6771\u4eac \U0001F375")), note.text);
    EXPECT_EQ(NoteGreen, note.color);
}

TEST_F(JsyncFixture, ANewDesktopCarriesEveryCharacter) {
    const std::string text = U8(u8"\u00c9t\u00e9 \u6771\u4eac \u0416 \U0001F375");
    AddDeviceNote(text);
    const std::string entry = AddDesktopNote(U8(u8"\u0394 desktop \U0001F600"));
    Tick();
    RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    ExpectInStep("3 [] " + text + "\n3 [] " + U8(u8"\u0394 desktop \U0001F600") + "\n");
}

// A note that went to the desktop and came back keeps its own creation time.
TEST_F(JsyncFixture, AHandheldNoteKeepsItsCreationTime) {
    const CEOID oid = AddDeviceNote("Created here");
    NoteContents before;
    ASSERT_TRUE(ReadDeviceNote(oid, &before));
    Tick();
    ASSERT_EQ(0, Jsync().status);
    Tick();
    EditDesktopNote(DesktopNotes().at(0).entryId, "Changed there");
    ASSERT_EQ(0, Jsync().status);
    NoteContents after;
    ASSERT_TRUE(ReadDeviceNote(oid, &after));
    EXPECT_EQ(u"Changed there", after.text);
    EXPECT_EQ(before.created.dwLowDateTime, after.created.dwLowDateTime);
    EXPECT_EQ(before.created.dwHighDateTime, after.created.dwHighDateTime);
}
