// A note received from the other side is shown by every program without
// acting on the person's terminal: control characters come out escaped, long
// titles cut.
#include "jsync_fixture.h"

#include "platform/base/unicode.h"
#include "platform/ce/machine.h"
#include "platform/win32/machine.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>

using namespace jsynctest;

namespace {

// An escape sequence that retitles a terminal window and rings its bell, a
// C1 control (CSI), and a line long enough to be cut.
const std::string kHostile = "Hi \x1b]0;owned\x07 \xc2\x9b"
                             "2J " +
                             std::string(200, 'x') + "\r\nsecond \x1b[31mline";

bool HasRawControls(const std::string& output) {
    for (std::size_t i = 0; i < output.size(); ++i) {
        const auto c = static_cast<unsigned char>(output[i]);
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F)
            return true;
        if (c == 0xC2 && i + 1 < output.size() &&
            static_cast<unsigned char>(output[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(output[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

} // namespace

TEST(Printable, EscapesControlsAndCutsLongText) {
    EXPECT_EQ("a\\x1b]0;t\\x07b", unicode::Printable(std::string("a\x1b]0;t\x07"
                                                                 "b")));
    EXPECT_EQ("\\u009b2J", unicode::Printable(std::u16string(u"\u009b2J")));
    EXPECT_EQ("line\n\\x0d", unicode::Printable(std::u16string(u"line\n\r"), 0, u"\n"));
    EXPECT_EQ("ab...", unicode::Printable(std::string("abcdef"), 2));
    // A character beyond 16 bits counts once and is never split.
    EXPECT_EQ("\U0001F375\U0001F375...",
              unicode::Printable(std::u16string(u"\U0001F375\U0001F375\U0001F375"), 2));
    EXPECT_EQ("caf\u00e9", unicode::Printable(std::string("caf\u00e9")));
}

TEST_F(JsyncFixture, NotesNeverReachTheTerminalRaw) {
    AddDeviceNote(kHostile);
    const std::string entry = AddDesktopNote(kHostile, 3, "Work\x1b[2J");
    Tick();
    const std::vector<std::string> machine{"--handheld", ce::HandheldDirectory(), "--desktop",
                                           win32::DesktopDirectory()};

    RunResult dryRun = Jsync({"--dry-run"});
    EXPECT_NE(std::string::npos, dryRun.output.find("\\x1b]0;owned\\x07")) << dryRun.output;
    EXPECT_NE(std::string::npos, dryRun.output.find("...")) << dryRun.output;
    EXPECT_FALSE(HasRawControls(dryRun.output)) << dryRun.output;

    const RunResult list =
        RunProgram("peers/outlook/outlook-notes", {"--desktop", win32::DesktopDirectory(), "list"});
    EXPECT_EQ(0, list.status) << list.output;
    EXPECT_NE(std::string::npos, list.output.find("Work\\x1b[2J")) << list.output;
    EXPECT_FALSE(HasRawControls(list.output)) << list.output;
    const RunResult show = RunProgram("peers/outlook/outlook-notes",
                                      {"--desktop", win32::DesktopDirectory(), "show", entry});
    EXPECT_NE(std::string::npos, show.output.find("second \\x1b[31mline")) << show.output;
    EXPECT_FALSE(HasRawControls(show.output)) << show.output;

    const RunResult dump = RunProgram("tools/ceutil/ceutil", {"--handheld", ce::HandheldDirectory(),
                                                              "dump", "Jotterwick Database"});
    EXPECT_EQ(0, dump.status) << dump.output;
    EXPECT_NE(std::string::npos, dump.output.find("\\x1b]0;owned\\x07")) << dump.output;
    EXPECT_FALSE(HasRawControls(dump.output)) << dump.output;
}

// One damaged note in Outlook's store (a text of an odd number of bytes) is
// named and shown with what can be read; it blocks nothing and is not taken
// for deleted.
TEST_F(JsyncFixture, ADamagedDesktopNoteBlocksNothing) {
    AddDeviceNote("Kept on the handheld");
    AddDesktopNote("Other note");
    Tick();
    ASSERT_EQ(0, Jsync().status);
    std::string damagedId;
    for (const outlook::Note& note : DesktopNotes())
        if (note.body == u"Kept on the handheld")
            damagedId = note.entryId;
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((win32::DesktopDirectory() + "/outlook.db").c_str(), &db));
    sqlite3_busy_timeout(db, 5000);
    const std::string sql =
        "UPDATE notes SET body = x'4b00650070' WHERE entry_id = '" + damagedId + "'";
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
    sqlite3_close(db);

    const RunResult list =
        RunProgram("peers/outlook/outlook-notes", {"--desktop", win32::DesktopDirectory(), "list"});
    EXPECT_EQ(0, list.status) << list.output;
    EXPECT_NE(std::string::npos, list.output.find("Other note")) << list.output;
    EXPECT_NE(std::string::npos, list.output.find(damagedId + " has a damaged text"))
        << list.output;
    Tick();
    const RunResult run = Jsync();
    EXPECT_EQ(0, run.status) << run.output;
    EXPECT_EQ(0, SummaryCount(run.output, "Deleted on the handheld")) << run.output;
    EXPECT_EQ("3 [] Kept on the handheld\n3 [] Other note\n", DeviceDump());
}

// Another local user reads nothing of either machine, whatever the umask.
TEST_F(JsyncFixture, OtherUsersReadNothingOfEitherMachine) {
    const mode_t old = umask(022);
    AddDeviceNote("Private");
    AddDesktopNote("Private too");
    Tick();
    ASSERT_EQ(0, Jsync().status);
    umask(old);
    for (const std::string& machine : {ce::HandheldDirectory(), win32::DesktopDirectory()}) {
        EXPECT_EQ(std::filesystem::perms::none,
                  std::filesystem::status(machine).permissions() &
                      (std::filesystem::perms::group_all | std::filesystem::perms::others_all))
            << machine;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(machine)) {
            // A socket is reached only through its folder, which is private.
            if (entry.is_socket())
                continue;
            const auto perms = entry.status().permissions();
            EXPECT_EQ(std::filesystem::perms::none, perms & (std::filesystem::perms::group_all |
                                                             std::filesystem::perms::others_all))
                << entry.path();
        }
    }
}
