// outlook-notes: commands, output and exit statuses.
#include "platform/base/sqlite.h"
#include "support/machine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class OutlookNotes : public ::testing::Test {
protected:
    testsupport::TempMachines machines;

    // `environment`: NAME=VALUE words set for the program alone.
    Outcome Run(const std::string& arguments, const std::string& environment = "") {
        const std::string errPath = machines.desktop() + "/../stderr.txt";
        const std::string command =
            "env " + environment + " '" + testsupport::BuiltProgram("peers/outlook/outlook-notes") +
            "' --desktop '" + machines.desktop() + "' " + arguments + " 2>'" + errPath + "'";
        Outcome outcome;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return outcome;
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            outcome.out.append(buffer, n);
        const int status = pclose(pipe);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream err(errPath);
        std::stringstream text;
        text << err.rdbuf();
        outcome.err = text.str();
        return outcome;
    }

    std::string Add(const std::string& arguments) {
        Outcome added = Run("add " + arguments);
        EXPECT_EQ(0, added.status) << added.err;
        EXPECT_EQ(49u, added.out.size()); // 48 hex digits and a line end
        return added.out.substr(0, added.out.find('\n'));
    }
};

TEST_F(OutlookNotes, AddListShowEditDelete) {
    const std::string first = Add("--body 'Groceries' --color 2 --categories 'Home, Errands'");
    const std::string second = Add("--body 'Call Bob'");
    Outcome list = Run("list");
    ASSERT_EQ(0, list.status) << list.err;
    EXPECT_NE(std::string::npos, list.out.find(first + "  red  "));
    EXPECT_NE(std::string::npos, list.out.find("[Home, Errands]  Groceries\n"));
    EXPECT_NE(std::string::npos, list.out.find(second + "  yellow  "));
    EXPECT_LT(list.out.find(first), list.out.find(second)); // folder order

    Outcome json = Run("list --json");
    ASSERT_EQ(0, json.status);
    EXPECT_NE(std::string::npos,
              json.out.find(
                  "{\"entryId\": \"" + first +
                  "\", \"body\": \"Groceries\", \"categories\": \"Home, Errands\", \"color\": 2"));

    ASSERT_EQ(0, Run("edit " + first + " --color 4 --body 'Groceries\nand more'").status);
    Outcome shown = Run("show " + first);
    ASSERT_EQ(0, shown.status);
    EXPECT_NE(std::string::npos, shown.out.find("Color: 4 (white)\nCategories: Home, Errands\n"));
    EXPECT_NE(std::string::npos, shown.out.find("\n\nGroceries\nand more\n"));

    ASSERT_EQ(0, Run("delete " + first).status);
    Outcome after = Run("list");
    EXPECT_EQ(std::string::npos, after.out.find(first));
    EXPECT_NE(std::string::npos, after.out.find(second));
}

// A body typed in a shell has LF lines; Outlook's note editor keeps CR LF,
// the line break the handheld's title and editor go by.
TEST_F(OutlookNotes, BodyLinesAreStoredAsCrLf) {
    struct Case {
        const char* typed;
        const char* stored; // as `list --json` escapes it
    } cases[] = {
        {"Weekend plan\nhike", "Weekend plan\\r\\nhike"},
        {"a\r\nb\n\nc\n", "a\\r\\nb\\r\\n\\r\\nc\\r\\n"}, // CR LF stays one break
        {"\nlead", "\\r\\nlead"},
        {"lone\rcr", "lone\\rcr"}, // a CR alone is no line break to change
        {"one line", "one line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::string id = Add("--body '" + std::string(c.typed) + "'");
        const std::string json = Run("list --json").out;
        EXPECT_NE(std::string::npos, json.find("\"" + id + "\", \"body\": \"" + c.stored + "\", "))
            << json;
        ASSERT_EQ(0, Run("edit " + id + " --body 'x" + c.typed + "'").status);
        EXPECT_NE(std::string::npos,
                  Run("list --json").out.find("\"" + id + "\", \"body\": \"x" + c.stored + "\", "));
        ASSERT_EQ(0, Run("delete " + id).status);
    }
    // `show` gives the lines back as the shell's.
    const std::string id = Add("--body 'Weekend plan\nhike'");
    Outcome shown = Run("show " + id);
    EXPECT_NE(std::string::npos, shown.out.find("\n\nWeekend plan\nhike\n")) << shown.out;
    EXPECT_EQ(std::string::npos, shown.out.find('\r'));
    EXPECT_NE(std::string::npos, Run("list").out.find("]  Weekend plan\n"));
}

TEST_F(OutlookNotes, AProgramStartedWithAPinnedClockRunsOnIt) {
    // 2022-06-18 04:26:40 UTC as a FILETIME.
    Outcome pinned = Run("add --body Pinned", "TZ=UTC JOTTERWICK_PINNED_TIME=133000000000000000");
    ASSERT_EQ(0, pinned.status) << pinned.err;
    // A malformed pin leaves the clock running.
    Outcome running = Run("add --body Running", "TZ=UTC JOTTERWICK_PINNED_TIME=12x");
    ASSERT_EQ(0, running.status) << running.err;
    Outcome list = Run("list", "TZ=UTC");
    ASSERT_EQ(0, list.status) << list.err;
    EXPECT_NE(std::string::npos, list.out.find("  2022-06-18T04:26:40  []  Pinned\n")) << list.out;
    const std::size_t at = list.out.find("  []  Running\n");
    ASSERT_TRUE(at != std::string::npos && at >= 19) << list.out;
    const std::string year = list.out.substr(at - 19, 4);
    EXPECT_GE(year, "2024") << list.out;
}

TEST_F(OutlookNotes, ExitStatuses) {
    struct Case {
        const char* arguments;
        int status;
        const char* err;
    } cases[] = {
        {"", 2, "no command"},
        {"frobnicate", 2, "unknown command"},
        {"add", 2, "add needs --body or --body-file"},
        {"add --body x --body-file /dev/null", 2, "do not go together"},
        {"add --body-file /nonexistent/body.txt", 1, "cannot open /nonexistent/body.txt"},
        {"add --body x --color 9", 2, "--color takes 0 to 4"},
        {"add --body", 2, "--body needs a value"},
        {"show", 2, "show needs an EntryID"},
        {"edit 00FF", 2, "edit needs"},
        {"list --yaml", 2, "unexpected argument"},
        {"show 00FF", 1, "no note with EntryID 00FF"},
        {"delete 00FF", 1, "no note with EntryID 00FF"},
        {"edit 00FF --color 1", 1, "no note with EntryID 00FF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        Outcome outcome = Run(c.arguments);
        EXPECT_EQ(c.status, outcome.status);
        EXPECT_NE(std::string::npos, outcome.err.find(c.err)) << outcome.err;
        if (c.status == 2) {
            EXPECT_NE(std::string::npos, outcome.err.find("(try 'outlook-notes --help')\n"));
            EXPECT_EQ(1, std::count(outcome.err.begin(), outcome.err.end(), '\n'))
                << "one line, not the whole usage\n"
                << outcome.err;
        }
    }
    Outcome help = Run("--help");
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(0u, help.out.find("usage: outlook-notes")) << help.out;
    Outcome version = Run("--version");
    EXPECT_EQ(0, version.status);
    EXPECT_EQ(0u, version.out.find("outlook-notes (Jotterwick) ")) << version.out;
}

TEST_F(OutlookNotes, ALongBodyComesFromAFileOrStandardInput) {
    std::string body;
    for (int i = 0; body.size() < 200000; ++i)
        body += "line " + std::to_string(i) + " of a long note\n";
    const std::string file = machines.desktop() + "/../body.txt";
    std::ofstream(file, std::ios::binary) << body;

    const std::string fromFile = Add("--body-file '" + file + "'");
    Outcome show = Run("show " + fromFile);
    ASSERT_EQ(0, show.status) << show.err;
    EXPECT_EQ(show.out.size() - body.size() - 1, show.out.find("\n\n" + body) + 2)
        << "the whole body, shown after the header";

    const std::string fromInput = Add("--body-file - < '" + file + "'");
    const std::string again = Run("show " + fromInput).out;
    EXPECT_EQ(show.out.substr(show.out.find("\n\n")), again.substr(again.find("\n\n")));

    std::ofstream(file, std::ios::binary | std::ios::trunc) << "Short now\n";
    ASSERT_EQ(0, Run("edit " + fromInput + " --body-file - < '" + file + "'").status);
    show = Run("show " + fromInput);
    EXPECT_EQ(show.out.size() - 13, show.out.find("\n\nShort now\n\n")) << show.out;
}

TEST_F(OutlookNotes, CategoriesAndUser) {
    Outcome categories = Run("categories");
    ASSERT_EQ(0, categories.status);
    EXPECT_EQ(0u, categories.out.find("Business\n"));
    ASSERT_EQ(0, Run("categories add 'Road Trips'").status);
    ASSERT_EQ(0, Run("categories add 'Road Trips'").status);
    categories = Run("categories");
    EXPECT_EQ(categories.out.size() - 11, categories.out.find("Road Trips\n"));
    EXPECT_EQ(categories.out.find("Road Trips"), categories.out.rfind("Road Trips"));
    // A name the list separator would cut in two, or blank, is refused and the list kept.
    for (const char* refused : {"'Work, Home'", "'  '"}) {
        const Outcome bad = Run(std::string("categories add ") + refused);
        EXPECT_EQ(2, bad.status) << refused;
        EXPECT_NE(std::string::npos, bad.err.find("category")) << bad.err;
        EXPECT_EQ(categories.out, Run("categories").out) << refused;
    }
    // Spaces around a name are not part of it.
    ASSERT_EQ(0, Run("categories add '  Garden  '").status);
    EXPECT_EQ(categories.out + "Garden\n", Run("categories").out);

    EXPECT_EQ("Outlook User\n", Run("user").out);
    ASSERT_EQ(0, Run("user 'Jane Roe'").status);
    EXPECT_EQ("Jane Roe\n", Run("user").out);
}

TEST_F(OutlookNotes, LongEntryIdsAndFaultsForTests) {
    Outcome added = Run("add --body long --entryid-length 150");
    ASSERT_EQ(0, added.status);
    EXPECT_EQ(151u, added.out.size());
    setenv("JOTTERWICK_OUTLOOK_FAULT", "Save:77", 1);
    Outcome failed = Run("add --body x");
    unsetenv("JOTTERWICK_OUTLOOK_FAULT");
    EXPECT_EQ(1, failed.status);
    EXPECT_NE(std::string::npos, failed.err.find("Save: Outlook error 77"));
    const std::string list = Run("list").out;
    EXPECT_EQ(1, std::count(list.begin(), list.end(), '\n'));
}

// Items are numbered past what 16 bits hold: the list goes on to the last.
// A disk that fails (as a full one does) the commit of a change: the error
// names the store file and what to do, and the notes stay as they were.
TEST_F(OutlookNotes, AStoreThatCannotBeWrittenIsNamedWithWhatToDo) {
    const std::string entryId = Add("--body 'Kept'");
    // The preloaded library comes before the sanitizer's runtime in the
    // sanitizer build; that order is wanted here.
    const std::string failing =
        "LD_PRELOAD='" + testsupport::BuiltProgram("tests/support/fail_write_vfs.so") +
        "' JOTTERWICK_FAIL_WRITE=1 ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\"";
    const std::string store = machines.desktop() + "/outlook.db";
    for (const std::string& command :
         {std::string("add --body New"), "edit " + entryId + " --body Changed",
          "delete " + entryId}) {
        SCOPED_TRACE(command);
        const Outcome failed = Run(command, failing);
        EXPECT_EQ(1, failed.status);
        EXPECT_NE(std::string::npos,
                  failed.err.find("The change could not be saved in " + store +
                                  "; the disk could not be written: make room on it, or check "
                                  "it, and try again"))
            << failed.err;
    }
    const Outcome list = Run("list");
    EXPECT_NE(std::string::npos, list.out.find("Kept")) << list.out;
    EXPECT_EQ(std::string::npos, list.out.find("New")) << list.out;
}

// A store file that is a link to nowhere or not a store at all: the error
// names the file and what to do, and the file is left as it was.
TEST_F(OutlookNotes, AStoreThatCannotBeOpenedIsNamedWithWhatToDo) {
    const std::string store = machines.desktop() + "/outlook.db";
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* advice;
    } cases[] = {
        {"dangling link",
         [&] { std::filesystem::create_symlink(machines.desktop() + "/gone/outlook.db", store); },
         "check that the file and its folder can be written by you"},
        {"damaged", [&] { std::ofstream(store) << std::string(4096, 'J'); },
         "the file is damaged: put it back from a backup, or move it away to start afresh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(store);
        c.make();
        const Outcome listed = Run("list");
        EXPECT_EQ(1, listed.status);
        EXPECT_NE(std::string::npos, listed.err.find("outlook-notes: ")) << listed.err;
        EXPECT_NE(std::string::npos, listed.err.find(store + ": ")) << listed.err;
        EXPECT_NE(std::string::npos, listed.err.find(c.advice)) << listed.err;
        EXPECT_EQ(std::string::npos, listed.err.find("0x80004005")) << listed.err;
    }
    std::ifstream in(store);
    const std::string kept((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(std::string(4096, 'J'), kept) << "the damaged file is left as it was";
}

TEST_F(OutlookNotes, ListGoesPastNote32767) {
    Add("--body Copied");
    auto db = platform::sqlite::Connection::Open(machines.desktop() + "/outlook.db");
    ASSERT_TRUE(db.ok()) << db.status().message();
    // 32,768 copies of the note, with entry IDs of 48 digits ending in their number.
    ASSERT_TRUE(db.value()
                    ->Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < 32768) INSERT INTO notes(entry_id, body, categories, color, "
                           "created, modified) SELECT printf('%048d', i), body, categories, "
                           "color, created, modified FROM notes, n")
                    .ok());
    const Outcome list = Run("list");
    ASSERT_EQ(0, list.status) << list.err;
    EXPECT_EQ(32769, std::count(list.out.begin(), list.out.end(), '\n'));
    const std::string last = list.out.substr(list.out.rfind('\n', list.out.size() - 2) + 1);
    EXPECT_EQ(std::string(43, '0') + "32768", last.substr(0, 48)) << last;
}

} // namespace
