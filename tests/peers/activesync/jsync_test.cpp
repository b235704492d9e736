// jsync end to end: both provider libraries loaded by the real program.
#include "jsync_fixture.h"
#include "support/system_install.h"

#include "desktop/sync/jottapc.h"
#include "platform/base/installation.h"
#include "platform/base/unicode.h"
#include "platform/ce/registry.h"
#include "platform/ce/window_station.h"
#include "platform/com/objbase.h"
#include "platform/win32/registry.h"
#include "platform/win32/variant_time.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

using namespace jsynctest;

namespace {

FILETIME DesktopCreationTime(const outlook::Note& note) {
    SYSTEMTIME st{};
    FILETIME ft{};
    VariantTimeToSystemTime(note.created, &st);
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

// UTF-8 text from a u8 literal.
std::string U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

bool SameTime(FILETIME a, FILETIME b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

} // namespace

TEST_F(JsyncFixture, NotesTravelBothWaysWithEveryField) {
    const CEOID shopping = AddDeviceNote("Shopping\r\nmilk, eggs", NoteGreen, "Home\nErrands\n");
    const CEOID plain = AddDeviceNote("Plain note", NoteBlue);
    const std::string agenda = AddDesktopNote("Agenda\r\n1. budget", NoteRed, "Business, Personal");
    const std::string todo = AddDesktopNote("Todo", NoteWhite);
    Tick();

    RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(2, SummaryCount(run.output, "Sent to the desktop")) << run.output;
    EXPECT_EQ(2, SummaryCount(run.output, "Received from the desktop")) << run.output;
    ExpectInStep("0 [] Plain note\n"
                 "1 [Home, Errands] Shopping\\r\\nmilk, eggs\n"
                 "2 [Business, Personal] Agenda\\r\\n1. budget\n"
                 "4 [] Todo\n");

    // A desktop note on the handheld: its title and the desktop's creation time.
    NoteContents received;
    EXPECT_EQ(u"Agenda", DeviceTitle(DeviceNoteOf("Agenda\r\n1. budget", &received)));
    EXPECT_TRUE(
        SameTime(DesktopCreationTime(DesktopNoteOf("Agenda\r\n1. budget")), received.created));
    EXPECT_EQ(u"Business\nPersonal\n", received.categories);
    // Handheld categories reach Outlook joined by the list separator.
    EXPECT_EQ(u"Home, Errands", DesktopNoteOf("Shopping\r\nmilk, eggs").categories);
    ExpectNothingToDo();

    // Changed and deleted on both sides.
    Tick();
    EditDeviceNote(shopping, "Shopping\r\nmilk, eggs, bread", NoteYellow, "Home\n");
    DeleteDeviceNote(plain);
    EditDesktopNote(agenda, "Agenda\r\n1. budget\r\n2. staff", NoteGreen, "Business");
    DeleteDesktopNote(todo);
    Tick();
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Sent to the desktop")) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Received from the desktop")) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Deleted on the desktop")) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Deleted on the handheld")) << run.output;
    ExpectInStep("1 [Business] Agenda\\r\\n1. budget\\r\\n2. staff\n"
                 "3 [Home] Shopping\\r\\nmilk, eggs, bread\n");
    Tick();
    ExpectNothingToDo();
}

TEST_F(JsyncFixture, FiltersKeepNotesOutWithoutDeletingThem) {
    SetFilterSync(u"Private\n");
    AddDeviceNote("Diary", NoteBlue, "Private\n");
    const CEOID shared = AddDeviceNote("Shared", NoteBlue, "Work\n");
    AddDesktopNote("Red alert", NoteRed);
    AddDesktopNote("Holiday plans", NoteYellow, "Holiday");
    AddDesktopNote("Work plan", NoteYellow, "Work");
    Tick();
    RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ("0 [Private] Diary\n"
              "0 [Work] Shared\n"
              "2 [] Red alert\n"
              "3 [Holiday] Holiday plans\n"
              "3 [Work] Work plan\n",
              DeviceDump());
    EXPECT_EQ(1, SummaryCount(run.output, "Left out by the filters")) << run.output;

    // The desktop keeps red notes and everything outside "Work" to itself.
    SetPartnerValue("StopColor", NoteRed);
    SetPartnerText("FilterCat", "Work\t");
    Tick();
    const std::string late = AddDesktopNote("Late red", NoteRed, "Work");
    AddDesktopNote("Late holiday", NoteYellow, "Holiday");
    EditDeviceNote(shared, "Shared, changed", NoteBlue, "Work\n");
    Tick();
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Sent to the desktop")) << run.output;
    EXPECT_EQ(0, SummaryCount(run.output, "Received from the desktop")) << run.output;
    EXPECT_EQ("0 [Private] Diary\n"
              "0 [Work] Shared, changed\n"
              "2 [] Red alert\n"
              "3 [Holiday] Holiday plans\n"
              "3 [Work] Work plan\n",
              DeviceDump());

    // A deletion on the desktop is a deletion, even of a note its filter keeps out now.
    DeleteDesktopNote(DesktopEntryOf("Red alert"));
    Tick();
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Deleted on the handheld")) << run.output;
    EXPECT_EQ(std::string::npos, DeviceDump().find("Red alert"));
    EXPECT_NE(std::string::npos, DesktopDump().find("Late red"));
    (void)late;
}

TEST_F(JsyncFixture, AHandheldFilterOfAnyLengthKeepsItsNotesPrivate) {
    // Many categories: the value is longer than a buffer of 1,000 characters.
    std::u16string filter;
    for (int i = 0; filter.size() < 3000; ++i)
        filter += u"Category number " + unicode::ToUtf16(std::to_string(i)) + u"\n";
    SetFilterSync(filter + u"Private\n");
    AddDeviceNote("Diary", NoteBlue, "Private\n");
    AddDeviceNote("Shared", NoteBlue, "Work\n");
    Tick();
    const RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ("0 [Work] Shared\n", DesktopDump());
    EXPECT_EQ(1, SummaryCount(run.output, "Left out by the filters")) << run.output;
}

TEST_F(JsyncFixture, AHandheldFilterThatCannotBeReadSendsNoNoteWithACategory) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Jotterwick\\Quillmarks\\Common", 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    const DWORD notText = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"FilterSync", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&notText), 4));
    RegCloseKey(key);
    AddDeviceNote("Diary", NoteBlue, "Private\n");
    AddDeviceNote("Plain", NoteBlue);
    Tick();
    RunResult run = ExpectRefused({}, ": the handheld provider could not tell whether it is to be "
                                      "synchronized (0x8007000D)");
    EXPECT_EQ(1, SummaryCount(run.output, "Not synchronized")) << run.output;
    EXPECT_EQ("0 [] Plain\n", DesktopDump());

    // Once the filter reads again, the note is judged by it.
    SetFilterSync(u"Private\n");
    Tick();
    run = Jsync();
    EXPECT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Left out by the filters")) << run.output;
    EXPECT_EQ("0 [] Plain\n", DesktopDump());
}

TEST_F(JsyncFixture, AnUnsavedNoteIsNotSentUntilSaved) {
    const CEOID note = AddUnsavedDeviceNote();
    Tick();
    RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ("", DesktopDump());
    Tick();
    EditDeviceNote(note, "Saved at last", NoteGreen);
    Tick();
    run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ("1 [] Saved at last\n", DesktopDump());
}

TEST_F(JsyncFixture, CodePage932OnTheDesktop) {
    SetDesktopCodePage("932");
    AddDeviceNote(U8(u8"\u65E5\u672C\u8A9E\u306E\u30E1\u30E2\r\n\u4E8C\u884C\u76EE"), NoteYellow,
                  U8(u8"\u4ED5\u4E8B\n"));
    AddDesktopNote(U8(u8"\u30C7\u30B9\u30AF\u30C8\u30C3\u30D7"), NoteBlue, U8(u8"\u500B\u4EBA"));
    Tick();
    RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    ExpectInStep(
        U8(u8"0 [\u500B\u4EBA] \u30C7\u30B9\u30AF\u30C8\u30C3\u30D7\n"
           u8"3 [\u4ED5\u4E8B] \u65E5\u672C\u8A9E\u306E\u30E1\u30E2\\r\\n\u4E8C\u884C\u76EE\n"));
    Tick();
    ExpectNothingToDo();
}

TEST_F(JsyncFixture, FirstSynchronizationPairsEqualNotes) {
    AddDeviceNote("Same on both", NoteGreen, "Work\n");
    AddDeviceNote("Same on both", NoteGreen, "Work\n");
    AddDeviceNote("Other colour", NoteRed);
    AddDesktopNote("Same on both", NoteGreen, "Work");
    AddDesktopNote("Other colour", NoteBlue);
    Tick();
    const RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Equal notes paired")) << run.output;
    ExpectInStep("0 [] Other colour\n"
                 "1 [Work] Same on both\n"
                 "1 [Work] Same on both\n"
                 "2 [] Other colour\n");
    Tick();
    ExpectNothingToDo();
}

struct ConflictCase {
    const char* name;
    std::vector<std::string> args;
    bool sameText;
    const char* expected;
    const char* outcome; // the summary's line under "Conflicts"
};

void PrintTo(const ConflictCase& c, std::ostream* out) {
    *out << c.name;
}

class JsyncConflictTest : public JsyncFixture,
                          public ::testing::WithParamInterface<ConflictCase> {};

TEST_P(JsyncConflictTest, ChangedOnBothSides) {
    const ConflictCase& c = GetParam();
    const CEOID oid = AddDeviceNote("Original", NoteYellow);
    Tick();
    ASSERT_EQ(0, Jsync().status);
    Tick();
    EditDeviceNote(oid, c.sameText ? "Agreed" : "Handheld version", NoteYellow);
    const std::string entryId = DesktopNotes().at(0).entryId;
    EditDesktopNote(entryId, c.sameText ? "Agreed" : "Desktop version", NoteYellow);
    Tick();
    const RunResult run = Jsync(c.args);
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Conflicts")) << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find(std::string("Conflicts:                 1\n    ") + c.outcome + "\n"))
        << run.output;
    EXPECT_EQ(0, SummaryCount(run.output, "Received from the desktop"))
        << "a version received in a conflict counts with the conflict\n"
        << run.output;
    ExpectInStep(c.expected);
    Tick();
    ExpectNothingToDo(c.args);
}

INSTANTIATE_TEST_SUITE_P(
    Policies, JsyncConflictTest,
    ::testing::Values(ConflictCase{"KeepBoth",
                                   {},
                                   false,
                                   "3 [] Desktop version\n3 [] Handheld version\n",
                                   "\"Handheld version\": both versions kept on both sides"},
                      ConflictCase{"PreferDesktop",
                                   {"--prefer", "desktop"},
                                   false,
                                   "3 [] Desktop version\n",
                                   "\"Handheld version\": the desktop's version won"},
                      ConflictCase{"PreferDevice",
                                   {"--prefer", "device"},
                                   false,
                                   "3 [] Handheld version\n",
                                   "\"Handheld version\": the handheld's version won"},
                      ConflictCase{
                          "EqualTexts",
                          {},
                          true,
                          "3 [] Agreed\n",
                          "\"Agreed\": the texts were equal; colour and categories made the same"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JsyncFixture, AChangeAgainstADeletionIsKept) {
    const CEOID keptOnHandheld = AddDeviceNote("Edited on the handheld", NoteYellow);
    AddDeviceNote("Edited on the desktop", NoteYellow);
    Tick();
    ASSERT_EQ(0, Jsync().status);
    Tick();
    EditDeviceNote(keptOnHandheld, "Edited on the handheld, again", NoteYellow);
    DeleteDesktopNote(DesktopEntryOf("Edited on the handheld"));
    EditDesktopNote(DesktopEntryOf("Edited on the desktop"), "Edited on the desktop, again",
                    NoteYellow);
    DeleteDeviceNote(DeviceNoteOf("Edited on the desktop"));
    Tick();
    const RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    ExpectInStep("3 [] Edited on the desktop, again\n"
                 "3 [] Edited on the handheld, again\n");
    Tick();
    ExpectNothingToDo();
}

TEST_F(JsyncFixture, TwoDesktopsArePartnersOfOneHandheld) {
    AddDeviceNote("From the handheld", NoteYellow);
    const std::string desktopA = machines->desktop();
    const std::string desktopB = machines->desktop() + "-second";
    ASSERT_EQ("", testsupport::InstallSystemOn(desktopB));
    Tick();
    RunResult run = Jsync({"--partner", "1"});
    ASSERT_EQ(0, run.status) << run.output;
    // Slot 1 belongs to desktop A.
    ExpectRefused({"--desktop", desktopB, "--partner", "1"}, "--partner 2");
    run = Jsync({"--desktop", desktopB});
    ASSERT_EQ(0, run.status) << "the free slot is taken\n" << run.output;

    // A note written on desktop A reaches desktop B through the handheld.
    Tick();
    EditDesktopNote(DesktopNotes().at(0).entryId, "Changed on desktop A", NoteBlue);
    Tick();
    ASSERT_EQ(0, Jsync().status);
    Tick();
    run = Jsync({"--desktop", desktopB, "--partner", "2"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Sent to the desktop")) << run.output;
    EXPECT_EQ("0 [] Changed on desktop A\n", DeviceDump());
    Tick();
    ExpectNothingToDo();
    ExpectNothingToDo({"--desktop", desktopB});
}

TEST_F(JsyncFixture, MassDeletionIsRefusedUnlessAllowed) {
    for (int i = 0; i < 20; ++i)
        AddDeviceNote("Note " + std::to_string(i), NoteYellow);
    Tick();
    ASSERT_EQ(0, Jsync().status);
    Tick();
    const std::vector<CEOID> ids = DeviceNoteIds();
    for (std::size_t i = 0; i < 11; ++i)
        DeleteDeviceNote(ids[i]);
    Tick();
    RunResult run = ExpectRefused({}, "would delete 11 of the 20 notes on the desktop");
    EXPECT_NE(std::string::npos, run.output.find("--allow-mass-delete")) << run.output;
    EXPECT_EQ(20u, DesktopNotes().size());

    run = Jsync({"--allow-mass-delete"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(11, SummaryCount(run.output, "Deleted on the desktop")) << run.output;
    EXPECT_EQ(9u, DesktopNotes().size());
}

TEST_F(JsyncFixture, DryRunChangesNothing) {
    const CEOID changed = AddDeviceNote("Will change", NoteYellow);
    const CEOID deleted = AddDeviceNote("Will go", NoteYellow);
    Tick();
    ASSERT_EQ(0, Jsync().status);
    Tick();
    EditDeviceNote(changed, "Has changed", NoteYellow);
    DeleteDeviceNote(deleted);
    AddDesktopNote("New on the desktop", NoteBlue);
    Tick();
    const std::string device = DeviceDump();
    const std::string desktop = DesktopDump();
    for (int i = 0; i < 2; ++i) {
        const RunResult run = Jsync({"--dry-run"});
        ASSERT_EQ(0, run.status) << run.output;
        EXPECT_NE(std::string::npos,
                  run.output.find("send to the desktop (changed): \"Has changed\""))
            << run.output;
        EXPECT_NE(std::string::npos, run.output.find("delete on the desktop: \"Will go\""))
            << run.output;
        EXPECT_NE(std::string::npos,
                  run.output.find("receive from the desktop (new): \"New on the desktop\""))
            << run.output;
        EXPECT_EQ(device, DeviceDump());
        EXPECT_EQ(desktop, DesktopDump());
    }
    const RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    ExpectInStep("0 [] New on the desktop\n3 [] Has changed\n");
}

TEST_F(JsyncFixture, ExitStatuses) {
    EXPECT_EQ(2, Jsync({"--partner", "3"}).status);
    EXPECT_EQ(2, Jsync({"--prefer"}).status);
    EXPECT_EQ(0, Jsync({"--help"}).status);
    // Outlook failing while the notes are listed fails the synchronization
    // and deletes nothing.
    AddDesktopNote("Keep me", NoteYellow);
    Tick();
    ASSERT_EQ(0, Jsync().status);
    setenv("JOTTERWICK_OUTLOOK_FAULT", "Item:4097", 1);
    ExpectRefused({}, "synchronization failed");
    unsetenv("JOTTERWICK_OUTLOOK_FAULT");
    EXPECT_EQ("3 [] Keep me\n", DeviceDump());
}

TEST_F(JsyncFixture, AfterSetupTheFirstSynchronizationInstallsTheHandheldHalf) {
    // Installed by setup alone: the handheld has no provider yet.
    EXPECT_FALSE(std::filesystem::exists(machines->handheld() + "/Program Files"));
    AddDeviceNote("From the handheld", NoteGreen);
    AddDesktopNote("From Outlook", NoteBlue);
    Tick();
    const RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find("Jotterwick " + std::string(platform::JotterwickVersion()) +
                              " installed on the handheld " + machines->handheld()))
        << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Sent to the desktop")) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Received from the desktop")) << run.output;
    ExpectInStep("0 [] From Outlook\n1 [] From the handheld\n");

    // The registrations are the installer's: the desktop store in the
    // desktop's program folder, the handheld provider in the handheld's.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            u"Windows CE Services\\Synchronization\\Objects\\Jotterwick", 0,
                            KEY_READ, &key));
    char16_t text[256] = {};
    DWORD size = sizeof text - sizeof text[0];
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"Store", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(text), &size));
    RegCloseKey(key);
    EXPECT_EQ(u"\\Program Files\\Jotterwick\\libjottadev.so", std::u16string(text));
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(u"Jotterwick.WinCE.Jotterwick", &clsid));
    EXPECT_TRUE(clsid == CLSID_JotterwickStore);
    EXPECT_EQ("\\Program Files\\Jotterwick\\libjottapc.so",
              win32::ReadRegistryText(HKEY_CLASSES_ROOT,
                                      "CLSID\\{6A1F3C52-8E4B-4D7A-9B21-5C0E7D3F9A14}\\"
                                      "InprocServer32",
                                      nullptr));
    Tick();
    ExpectNothingToDo();
}

TEST_F(JsyncFixture, WatchFollowsBothSidesUntilInterrupted) {
    AddDeviceNote("Before watching", NoteYellow);
    Tick();
    ASSERT_EQ(0, Jsync().status);
    // The store's timer: "Active" with a refresh delay of one second.
    SetPartnerValue("RealTime", 1);
    SetPartnerValue("RefreshDelay", 1);
    testsupport::ChildProcess watch(testsupport::BuiltProgram("peers/activesync/jsync"),
                                    {"--watch"});
    ASSERT_TRUE(testsupport::WaitFor(
        [&] { return watch.Output().find("Watching") != std::string::npos; }, 10000));

    Tick();
    AddDeviceNote("Written while watched", NoteGreen);
    EXPECT_TRUE(testsupport::WaitFor(
        [&] { return DesktopDump().find("Written while watched") != std::string::npos; }, 10000))
        << watch.Output();
    Tick();
    AddDesktopNote("Written in Outlook", NoteBlue);
    EXPECT_TRUE(testsupport::WaitFor(
        [&] { return DeviceDump().find("Written in Outlook") != std::string::npos; }, 10000))
        << watch.Output();
    EXPECT_EQ(0, watch.Stop()) << watch.Output();
    ExpectInStep("0 [] Written in Outlook\n1 [] Written while watched\n3 [] Before watching\n");
}

TEST_F(JsyncFixture, AnotherOutlookUserIsCombinedNotReplaced) {
    AddDeviceNote("Shared note", NoteYellow);
    AddDesktopNote("Desktop note", NoteBlue);
    Tick();
    ASSERT_EQ(0, Jsync().status);
    // Another user's store: none of its notes is known to the partnership.
    ASSERT_TRUE(outlookStore->SetCurrentUser(u"Somebody Else").ok());
    Tick();
    const RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("not the one this partnership was made with"))
        << run.output;
    EXPECT_EQ(2, SummaryCount(run.output, "Equal notes paired")) << run.output;
    EXPECT_EQ(0, SummaryCount(run.output, "Deleted on the desktop")) << run.output;
    EXPECT_EQ(0, SummaryCount(run.output, "Deleted on the handheld")) << run.output;
    ExpectInStep("0 [] Desktop note\n3 [] Shared note\n");
    Tick();
    ExpectNothingToDo();
}

TEST_F(JsyncFixture, ARegistrationPresentIsNeverOverwritten) {
    SetDesktopText(HKEY_LOCAL_MACHINE,
                   "Software\\Microsoft\\Windows CE Services\\Services\\Synchronization\\"
                   "Objects\\Jotterwick",
                   "Store", "Nobody.Registered");
    ExpectRefused({}, "Nobody.Registered has no class registered");
}

TEST_F(JsyncFixture, CategoriesTakeTheUsersListSeparator) {
    SetDesktopText(HKEY_CURRENT_USER, "Control Panel\\International", "sList", ";");
    AddDeviceNote("From the handheld", NoteYellow, "Home\nErrands\n");
    AddDesktopNote("From Outlook", NoteBlue, "Business;Personal ; VIP");
    Tick();
    ASSERT_EQ(0, Jsync().status);
    EXPECT_EQ(u"Home; Errands", DesktopNoteOf("From the handheld").categories);
    NoteContents received;
    DeviceNoteOf("From Outlook", &received);
    EXPECT_EQ(u"Business\nPersonal\nVIP\n", received.categories);
    Tick();
    ExpectNothingToDo();
}

TEST_F(JsyncFixture, TheNotesProgramIsToldWhenASynchronizationEnds) {
    testsupport::ChildProcess program(testsupport::BuiltProgram("tests/support/window_probe"),
                                      {"QuillmarksFrame", "Jotterwick"});
    // The window exists once the station lists it.
    ASSERT_TRUE(testsupport::WaitFor(
        [] { return ce::FindStationWindow(nullptr, u"Jotterwick") != nullptr; }));
    AddDeviceNote("A note", NoteYellow);
    Tick();
    ASSERT_EQ(0, Jsync().status);
    EXPECT_TRUE(testsupport::WaitFor([&] {
        return program.Output().find("1135 0 0") != std::string::npos;
    })) << "WM_SYNC_FINISHED (0x046F) with both parameters 0\n"
        << program.Output();
    // A dry run changes nothing and tells nothing.
    const std::size_t told = program.Output().size();
    ASSERT_EQ(0, Jsync({"--dry-run"}).status);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(told, program.Output().size()) << program.Output();
}

TEST_F(JsyncFixture, AnInterruptedRunIsTakenUpByTheNext) {
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        AddDeviceNote("Note " + std::to_string(1000 + i), NoteYellow);
        expected += "3 [] Note " + std::to_string(1000 + i) + "\n";
    }
    Tick();
    testsupport::ChildProcess first(testsupport::BuiltProgram("peers/activesync/jsync"), {});
    // Stopped as soon as the first notes have reached the desktop.
    ASSERT_TRUE(testsupport::WaitFor([&] { return !DesktopNotes().empty(); }, 20000));
    const int status = first.Stop();
    if (status != 0) {
        EXPECT_EQ(1, status);
        EXPECT_LT(DesktopNotes().size(), 300u) << "stopped between two notes";
    }
    const RunResult second = Jsync();
    ASSERT_EQ(0, second.status) << second.output;
    ExpectInStep(expected);
    Tick();
    ExpectNothingToDo();
}

TEST_F(JsyncFixture, ANoteFilteredOnTheHandheldIsNotChangedOrDeletedFromTheDesktop) {
    AddDeviceNote("Journal", NoteBlue, "Private\n");
    AddDeviceNote("Diary", NoteBlue, "Private\n");
    Tick();
    ASSERT_EQ(0, Jsync().status);
    SetFilterSync(u"Private\n");
    Tick();
    EditDesktopNote(DesktopEntryOf("Journal"), "Journal, edited in Outlook", NoteRed, "Private");
    DeleteDesktopNote(DesktopEntryOf("Diary"));
    Tick();
    const RunResult run = Jsync();
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(0, SummaryCount(run.output, "Deleted on the handheld")) << run.output;
    EXPECT_EQ(0, SummaryCount(run.output, "Received from the desktop")) << run.output;
    EXPECT_EQ("0 [Private] Diary\n0 [Private] Journal\n", DeviceDump());
    EXPECT_EQ("2 [Private] Journal, edited in Outlook\n", DesktopDump());
}

// A person typing a note's lines in a shell on the desktop gets the note they
// meant on the handheld: its first line whole as the title, its lines apart.
TEST_F(JsyncFixture, ANoteTypedOnTheDesktopsCommandLineKeepsItsFirstLineAsTitle) {
    ASSERT_EQ(0, RunProgram("peers/outlook/outlook-notes", {"--desktop", machines->desktop(), "add",
                                                            "--body", "Weekend plan\nhike"})
                     .status);
    Tick();
    ASSERT_EQ(0, Jsync().status);
    const std::vector<CEOID> notes = DeviceNoteIds();
    ASSERT_EQ(1u, notes.size());
    EXPECT_EQ(u"Weekend plan", DeviceTitle(notes[0]));
    ExpectInStep("3 [] Weekend plan\\r\\nhike\n");
    Tick();
    ExpectNothingToDo();
}

namespace {

// Every folder and file under `root`: its path, type and mode, and a regular
// file's checksum, one per line. Read by child processes: a descriptor this
// process opened and closed on a store would drop SQLite's locks on it.
std::string TreeText(const std::string& root) {
    const std::string command = "cd '" + root +
                                "' && find . -printf '%p %y %m\\n' | sort && "
                                "find . -type f -print0 | sort -z | xargs -0 -r sha1sum";
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "cannot read " + root;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    return pclose(pipe) == 0 ? text : "cannot read " + root;
}

} // namespace

// Machines on which the system was never installed.
class NotInstalled : public JsyncFixture {
protected:
    NotInstalled() { installSystem = false; }

    // Outlook is there, as on any desktop a person synchronizes with.
    void SetUp() override {
        JsyncFixture::SetUp();
        ASSERT_EQ(0, RunProgram("peers/outlook/outlook-notes", {"register"}).status);
        AddDeviceNote("On the handheld", NoteYellow);
        AddDesktopNote("On the desktop", NoteBlue);
        Tick();
    }
};

TEST_F(NotInstalled, OnTheDesktopJsyncSaysHowToInstallAndChangesNothing) {
    const auto handheld = TreeText(machines->handheld());
    const RunResult run = Jsync();
    EXPECT_EQ(1, run.status) << run.output;
    EXPECT_EQ("jsync: Jotterwick is not installed on the desktop " + machines->desktop() +
                  ": run the program setup of the distribution folder (build/dist of a build; "
                  "installed, setup on the PATH) with --desktop " +
                  machines->desktop() +
                  " and press Install (setup --unattended installs without asking), then "
                  "synchronize again\n",
              run.output);
    EXPECT_EQ(handheld, TreeText(machines->handheld()));
    EXPECT_FALSE(std::filesystem::exists(machines->desktop() + "/activesync"));
    EXPECT_FALSE(testsupport::DesktopKeyExists(HKEY_LOCAL_MACHINE,
                                               "Software\\Microsoft\\Windows CE Services\\"
                                               "Services\\Synchronization\\Objects\\Jotterwick"));
    EXPECT_FALSE(testsupport::DesktopKeyExists(HKEY_CLASSES_ROOT, "Jotterwick.WinCE.Jotterwick"));
    // Only the service managers' own piece is set up: the application
    // manager that setup looks for.
    EXPECT_EQ(testsupport::BuiltProgram("peers/ceappmgr/ceappmgr"),
              win32::ReadRegistryText(HKEY_LOCAL_MACHINE,
                                      "Software\\Microsoft\\Windows\\CurrentVersion\\App "
                                      "Paths\\CEAPPMGR.EXE",
                                      nullptr)
                  .value_or(""));
    EXPECT_EQ("3 [] On the handheld\n", DeviceDump());
    EXPECT_EQ("0 [] On the desktop\n", DesktopDump());
}

TEST_F(NotInstalled, OnAHandheldWithoutTheProviderOrItsPackageJsyncChangesNothing) {
    ASSERT_EQ("", testsupport::InstallSystem());
    // The application manager never got the package (setup could not start it).
    std::filesystem::remove_all(machines->desktop() + "/CE App Manager");
    // Reading the handheld's registry may move its journal files; what the
    // store holds stays as it was.
    const auto storeFiles = [](const std::string& tree) {
        std::string kept;
        std::istringstream lines(tree);
        for (std::string line; std::getline(lines, line);)
            if (line.find("-wal") == std::string::npos && line.find("-shm") == std::string::npos)
                kept += line + "\n";
        return kept;
    };
    const auto handheld = storeFiles(TreeText(machines->handheld()));
    const auto desktop = TreeText(machines->desktop());
    ExpectRefused({}, "Jotterwick is not installed on the handheld " + machines->handheld() +
                          ", and the application manager of the desktop holds no package for "
                          "it: run the program setup");
    EXPECT_EQ(handheld, storeFiles(TreeText(machines->handheld())));
    EXPECT_EQ(desktop, TreeText(machines->desktop()));
    EXPECT_EQ("3 [] On the handheld\n", DeviceDump());
}

// A desktop where the system was installed but Outlook never set up.
class WithoutOutlook : public JsyncFixture {
protected:
    WithoutOutlook() { installSystem = false; }
};

TEST_F(WithoutOutlook, TheDesktopStoreSaysOutlookIsMissingAndJsyncDoesNotRegisterIt) {
    AddDesktopNote("In a store nobody opens", NoteBlue);
    ASSERT_EQ(1, Jsync().status) << "nothing installed yet";
    const RunResult setup = RunProgram("dist/setup", {"--unattended"});
    ASSERT_EQ(0, setup.status) << setup.output;
    ExpectRefused({}, "Outlook is not installed on the desktop " + machines->desktop());
    CLSID clsid{};
    EXPECT_NE(S_OK, CLSIDFromProgID(u"Outlook.Application", &clsid));
}

TEST_F(JsyncFixture, ADryRunLeavesBothFoldersByteForByte) {
    const CEOID note = AddDeviceNote("On the handheld", NoteYellow);
    AddDesktopNote("On the desktop", NoteBlue);
    Tick();
    const auto handheld = TreeText(machines->handheld());
    const auto desktop = TreeText(machines->desktop());
    // Before the first synchronization: no registration, partnership or lock yet.
    RunResult run = Jsync({"--dry-run"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find("receive from the desktop (new): \"On the desktop\""))
        << run.output;
    EXPECT_EQ(handheld, TreeText(machines->handheld()));
    EXPECT_EQ(desktop, TreeText(machines->desktop()));

    ASSERT_EQ(0, Jsync().status);
    Tick();
    EditDeviceNote(note, "Changed on the handheld", NoteYellow);
    Tick();
    const auto handheldAfter = TreeText(machines->handheld());
    const auto desktopAfter = TreeText(machines->desktop());
    run = Jsync({"--dry-run"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find("send to the desktop (changed): \"Changed on the handheld\""))
        << run.output;
    EXPECT_EQ(handheldAfter, TreeText(machines->handheld()));
    EXPECT_EQ(desktopAfter, TreeText(machines->desktop()));
}

TEST_F(JsyncFixture, AMachineThatIsNotThereOrOfTheOtherKindIsRefused) {
    AddDeviceNote("On the handheld", NoteYellow);
    Tick();
    const std::string handheld = machines->handheld();
    const std::string desktop = machines->desktop();
    // Two mistyped desktops: neither is made, neither takes a partner slot.
    for (const std::string& typo : {desktop + "-typo", desktop + "-typo2"}) {
        ExpectRefused({"--desktop", typo}, "there is no desktop at " + typo);
        EXPECT_FALSE(std::filesystem::exists(typo)) << typo;
    }
    ExpectRefused({"--handheld", handheld + "-typo"},
                  "there is no handheld at " + handheld + "-typo");
    EXPECT_FALSE(std::filesystem::exists(handheld + "-typo"));

    ExpectRefused({"--handheld", desktop, "--desktop", handheld},
                  "--handheld and --desktop are swapped");
    ExpectRefused({"--desktop", handheld}, handheld + " is a handheld, not a desktop");
    const std::string empty = desktop + "-empty";
    std::filesystem::create_directory(empty);
    ExpectRefused({"--desktop", empty}, empty + " holds no desktop");
    EXPECT_TRUE(std::filesystem::is_empty(empty));

    // The real desktop still finds the slot free.
    const RunResult run = Jsync({"--partner", "1"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Sent to the desktop")) << run.output;
}

TEST_F(JsyncFixture, PartnersAreListedAndAForgottenSlotIsFreeForAnotherDesktop) {
    AddDeviceNote("From the handheld", NoteYellow);
    Tick();
    const std::string home = machines->desktop() + "-home";
    const std::string third = machines->desktop() + "-third";
    for (const std::string& desktop : {home, third})
        ASSERT_EQ("", testsupport::InstallSystemOn(desktop));
    RunResult run = Jsync({"partners"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ("partner 1: free\npartner 2: free\n", run.output);
    EXPECT_FALSE(std::filesystem::exists(machines->handheld() + "/activesync"))
        << "listing changes nothing";

    ASSERT_EQ(0, Jsync().status);
    ASSERT_EQ(0, Jsync({"--desktop", home}).status);
    ExpectRefused({"--desktop", third}, "two partners already");
    run = Jsync({"partners"});
    EXPECT_EQ("partner 1: " + machines->desktop() + "\npartner 2: " + home + "\n", run.output);

    run = Jsync({"forget", "--partner", "2"});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ("partner slot 2 is free; it belonged to the desktop " + home + "\n", run.output);
    EXPECT_EQ(0, Jsync({"forget", "--partner", "2"}).status) << "a free slot stays free";
    run = Jsync({"--desktop", third});
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, SummaryCount(run.output, "Sent to the desktop")) << run.output;
    EXPECT_EQ("partner 1: " + machines->desktop() + "\npartner 2: " + third + "\n",
              Jsync({"partners"}).output);
    // The forgotten desktop finds its slot taken and says by whom.
    ExpectRefused({"--desktop", home}, "now belongs to the desktop " + third);
    // The first desktop is untouched.
    ExpectNothingToDo();
}

// Under the sanitizers, jsync once ended with LeakSanitizer's tracer crashing
// ("Tracer caught signal 11") for some lengths of the handheld's path: they
// moved the heap, and with it where the providers' thread-local blocks lay.
TEST_F(JsyncFixture, EndsCleanlyWhateverTheLengthOfTheHandheldsPath) {
    AddDesktopNote("Travels", NoteYellow);
    Tick();
    const std::string base = machines->handheld() + "-";
    for (std::size_t length = std::max<std::size_t>(60, base.size() + 1); length <= 80; ++length) {
        const std::string handheld = base + std::string(length - base.size(), 'h');
        ASSERT_EQ(length, handheld.size());
        ASSERT_EQ(0, RunProgram("tools/ceutil/ceutil", {"--handheld", handheld, "init"}).status);
        const RunResult run = Jsync({"--handheld", handheld});
        EXPECT_EQ(0, run.status) << "a handheld path of " << length << " characters\n"
                                 << run.output;
        EXPECT_EQ(std::string::npos, run.output.find("Sanitizer"))
            << "a handheld path of " << length << " characters\n"
            << run.output;
    }
}
