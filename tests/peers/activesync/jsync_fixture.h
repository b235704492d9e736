// End-to-end tests of jsync: a fresh handheld and desktop, notes made and
// changed through the notes program's note-store operations on the handheld
// and the Outlook stand-in's message store on the desktop, and jsync run as a
// child process that loads both real provider libraries. "Now" is pinned and
// moved on by hand, the same in this process and in jsync, so that every
// change falls in a second of its own.
#pragma once

#include "device/app/note_store.h"
#include "peers/outlook/message_store.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jsynctest {

struct RunResult {
    int status = -1;
    std::string output; // standard output and standard error together
};

// A note in a form both sides can be compared in: colour, category names
// joined by ", ", and the text.
struct Note {
    DWORD color = 3;
    std::string categories;
    std::string text;
    bool operator==(const Note&) const = default;
};

class JsyncFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Moves the pinned clock on by ten seconds.
    void Tick();
    FILETIME Now() const;

    // Handheld notes; categories in the record's form ("A\nB\n").
    CEOID AddDeviceNote(const std::string& text, DWORD color = 3,
                        const std::string& categories = "");
    // A note made and never saved.
    CEOID AddUnsavedDeviceNote();
    void EditDeviceNote(CEOID oid, const std::string& text, DWORD color = 3,
                        const std::string& categories = "");
    void DeleteDeviceNote(CEOID oid);
    bool ReadDeviceNote(CEOID oid, NoteContents* contents);
    std::u16string DeviceTitle(CEOID oid);
    std::vector<CEOID> DeviceNoteIds();
    // The handheld note whose text is `text`, its contents in `contents`
    // (a failure, and 0, when there is none).
    CEOID DeviceNoteOf(const std::string& text, NoteContents* contents = nullptr);

    // Desktop notes; categories in Outlook's form ("A, B").
    std::string AddDesktopNote(const std::string& text, DWORD color = 3,
                               const std::string& categories = "");
    void EditDesktopNote(const std::string& entryId, const std::string& text, DWORD color = 3,
                         const std::string& categories = "");
    void DeleteDesktopNote(const std::string& entryId);
    std::vector<outlook::Note> DesktopNotes();
    // The desktop note whose text is `body` (a failure, and an empty note,
    // when there is none), and its entry.
    outlook::Note DesktopNoteOf(const std::string& body);
    std::string DesktopEntryOf(const std::string& body);

    // Both sides as sorted lines "colour [categories] text" (line feeds as \n).
    std::string DeviceDump();
    std::string DesktopDump();
    void ExpectInStep(const std::string& expected);

    // Runs jsync with `args` to its end.
    RunResult Jsync(const std::vector<std::string>& args = {});
    // Runs jsync with `args` and expects it to refuse (status 1) saying `says`.
    RunResult ExpectRefused(const std::vector<std::string>& args, const std::string& says);
    // Runs a program of the build tree (its path under the build folder).
    RunResult RunProgram(const std::string& program, const std::vector<std::string>& args);
    // Copies one SQLite file onto another through SQLite's online backup
    // (a person putting a store back from a backup).
    void CopyStore(const std::string& from, const std::string& to);
    // Opens the note database again (after the store was replaced).
    void ReopenNoteDatabase();
    // A run that must find nothing to do.
    void ExpectNothingToDo(const std::vector<std::string>& args = {});

    // Settings: the handheld's "FilterSync" and a value of the desktop
    // partnership's per-device key (there must be exactly one partnership).
    void SetFilterSync(const std::u16string& categories);
    void SetPartnerValue(const char* name, DWORD value);
    void SetPartnerText(const char* name, const std::string& text);
    std::optional<DWORD> PartnerValue(const char* name);
    std::optional<std::string> PartnerText(const char* name);
    void SetDesktopCodePage(const char* codePage);
    // A text value of the desktop's registry, its key made when missing.
    static void SetDesktopText(HKEY root, const char* key, const char* name,
                               const std::string& text);

    // Whether SetUp installs the system (testsupport::InstallSystem) on the
    // fresh machines; a fixture for machines without it clears this.
    bool installSystem = true;
    std::unique_ptr<testsupport::TempMachines> machines;
    HANDLE cursor = INVALID_HANDLE_VALUE;
    CEOID oidDatabase = 0;
    std::shared_ptr<outlook::MessageStore> outlookStore;
    std::uint64_t clock = 0;
};

// The summary line "  <label>: N ..." of a run's output, as its number; -1 when absent.
int SummaryCount(const std::string& output, const std::string& label);

// Copies a machine directory's files (those `keep` accepts, by file name);
// the run/ folder of live windows stays behind.
void CopyMachine(const std::string& from, const std::string& to,
                 bool (*keep)(const std::string& name) = nullptr);

// Both sides of a pair of machine directories, as note_dump prints them
// ("handheld:" and its notes, then "desktop:" and its notes), read by a child
// process so that this one keeps no store of them open.
std::string DumpMachines(const std::string& handheld, const std::string& desktop);

// The handheld part and the desktop part of a DumpMachines text.
std::string HandheldPart(const std::string& dump);
std::string DesktopPart(const std::string& dump);

} // namespace jsynctest
