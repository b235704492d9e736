// ceutil as people and scripts run it: outputs and exit statuses.
#include "support/machine.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class CeutilTest : public ::testing::Test {
protected:
    // Runs ceutil with --handheld pointing at this test's handheld.
    Outcome Run(const std::vector<std::string>& args, bool withHandheld = true) {
        std::string command = Quote(CEUTIL_PATH);
        if (withHandheld)
            command += " --handheld " + Quote(m_machines.handheld());
        for (const auto& a : args)
            command += " " + Quote(a);
        const std::string out = m_machines.handheld() + "/../out",
                          err = m_machines.handheld() + "/../err";
        const int raw = std::system((command + " >" + Quote(out) + " 2>" + Quote(err)).c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
    }
    testsupport::TempMachines m_machines;
};

TEST_F(CeutilTest, AddDumpSetAndDeleteRecords) {
    EXPECT_EQ(1, Run({"add", "Notes", "80:ui4=1"}).status) << "no --create, no database";
    Outcome added = Run({"add", "Notes", "--create", "30:lpwstr=Shop\\r\\nmilk\\t\\\\", "80:ui4=3",
                         "20:filetime=133000000000000000", "7:blob=00fF", "1:i2=-5", "2:bool=true",
                         "3:ui2=65535", "4:i4=-70000"});
    ASSERT_EQ(0, added.status) << added.err;
    const std::string first = added.out.substr(0, added.out.size() - 1);
    const Outcome second = Run({"add", "Notes", "30:lpwstr=x"});
    ASSERT_EQ(0, second.status);
    const std::string two = second.out.substr(0, second.out.size() - 1);
    EXPECT_EQ(std::to_string(std::stoul(first) + 1), two);

    EXPECT_EQ("record " + first +
                  "\n"
                  "  30:lpwstr = \"Shop\\r\\nmilk\\t\\\\\"\n"
                  "  80:ui4 = 3\n"
                  "  20:filetime = 133000000000000000\n"
                  "  7:blob = 00ff\n"
                  "  1:i2 = -5\n"
                  "  2:bool = true\n"
                  "  3:ui2 = 65535\n"
                  "  4:i4 = -70000\n"
                  "record " +
                  two +
                  "\n"
                  "  30:lpwstr = \"x\"\n",
              Run({"dump", "Notes"}).out);

    ASSERT_EQ(0, Run({"set", "Notes", two, "30:lpwstr=y \"q\"", "80:ui4=4"}).status);
    ASSERT_EQ(0, Run({"delete", "Notes", first}).status);
    EXPECT_EQ("record " + two + "\n  30:lpwstr = \"y \\\"q\\\"\"\n  80:ui4 = 4\n",
              Run({"dump", "Notes"}).out);
    EXPECT_EQ("[\n  {\"oid\": " + two +
                  ", \"properties\": [{\"number\": 30, \"type\": \"lpwstr\", \"value\": \"y "
                  "\\\"q\\\"\"}, {\"number\": 80, \"type\": \"ui4\", \"value\": 4}]}\n]\n",
              Run({"dump", "Notes", "--json"}).out);
    EXPECT_EQ("\"Notes\" oid " + std::to_string(std::stoul(first) - 1) +
                  " type 0 records 1 sort []\n",
              Run({"dbs"}).out);
}

TEST_F(CeutilTest, ADamagedRecordIsNamedAndTheOthersStillDump) {
    std::vector<std::string> oids;
    for (const char* text : {"30:lpwstr=one", "30:lpwstr=x", "30:lpwstr=three"}) {
        const Outcome added = Run({"add", "Notes", "--create", text});
        ASSERT_EQ(0, added.status) << added.err;
        oids.push_back(added.out.substr(0, added.out.size() - 1));
    }
    // The middle record's string becomes "a", NUL, "b": written by no program.
    sqlite3* db = nullptr;
    const std::string store = m_machines.handheld() + "/objectstore.db";
    ASSERT_EQ(SQLITE_OK, sqlite3_open(store.c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db,
                                      ("UPDATE ce_records SET props = substr(props, 1, 7) || "
                                       "x'03000000610000006200' WHERE oid = " +
                                       oids[1])
                                          .c_str(),
                                      nullptr, nullptr, nullptr));
    sqlite3_close(db);

    const Outcome dump = Run({"dump", "Notes"});
    EXPECT_EQ(1, dump.status);
    EXPECT_EQ("record " + oids[0] + "\n  30:lpwstr = \"one\"\nrecord " + oids[2] +
                  "\n  30:lpwstr = \"three\"\n",
              dump.out);
    EXPECT_NE(std::string::npos,
              dump.err.find("record " + oids[1] + " of \"Notes\" in " + store + " cannot be read"))
        << dump.err;
    EXPECT_NE(std::string::npos, dump.err.find("NUL inside a string")) << dump.err;
}

TEST_F(CeutilTest, ADamagedStoreIsNamedWithWhatToDo) {
    const std::string store = m_machines.handheld() + "/objectstore.db";
    std::ofstream(store, std::ios::trunc) << std::string(4096, 'J');
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"dbs"},
          {"dump", "Notes"},
          {"add", "Notes", "1:ui4=1"},
          {"reg", "get", "HKCU", "Software", "Name"},
          {"reg", "set", "HKCU", "Software", "Name", "--dword", "1"}}) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        const Outcome run = Run(args);
        EXPECT_EQ(1, run.status);
        EXPECT_NE(std::string::npos,
                  run.err.find(store + ": file is not a database; the file is damaged: put it "
                                       "back from a backup, or move it away to start afresh"))
            << run.err;
        EXPECT_EQ(std::string::npos, run.err.find("CREATE")) << "no SQL for people: " << run.err;
    }
    EXPECT_EQ(std::string(4096, 'J'), Slurp(store)) << "the damaged file is left as it was";
}

TEST_F(CeutilTest, MissingDatabasesAndRecordsFailWithStatusOne) {
    ASSERT_EQ(0, Run({"create", "Notes"}).status);
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"dump", "Nothing"}, "no database named \"Nothing\""},
        {{"set", "Notes", "12345", "80:ui4=1"}, "no record 12345 in \"Notes\""},
        {{"delete", "Notes", "12345"}, "no record 12345 in \"Notes\""},
        {{"drop", "Nothing"}, "no database named \"Nothing\""},
        {{"reg", "get", "HKCU", "Software\\None", "Debug"}, "no key"},
        {{"create", "Notes"}, "cannot create \"Notes\""},
    };
    for (const auto& c : cases) {
        const Outcome o = Run(c.args);
        EXPECT_EQ(1, o.status) << c.args[0];
        EXPECT_NE(std::string::npos, o.err.find(c.message)) << c.args[0] << ": " << o.err;
        EXPECT_EQ(std::string::npos, o.err.find("usage:")) << c.args[0];
    }
}

TEST_F(CeutilTest, BadArgumentsGetTheUsageAndStatusTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"dbs", "extra"},
        {"dump"},
        {"dump", "Notes", "--xml"},
        {"add", "Notes", "80:ui4"},
        {"add", "Notes", "80=3"},
        {"add", "Notes", "80:word=3"},
        {"add", "Notes", "70000:ui4=3"},
        {"add", "Notes", "80:ui4=-1"},
        {"add", "Notes", "80:i2=40000"},
        {"add", "Notes", "80:bool=maybe"},
        {"add", "Notes", "80:filetime=12a"},
        {"add", "Notes", "80:lpwstr=bad\\escape"},
        {"add", "Notes", "80:blob=abc"},
        {"add", "Notes", "80:blob=zz"},
        {"set", "Notes", "notanumber", "80:ui4=1"},
        {"delete", "Notes"},
        {"reg", "get", "HKXX", "Key", "Value"},
        {"reg", "set", "HKCU", "Key", "Value", "--qword", "1"},
        {"reg", "set", "HKCU", "Key", "Value", "--dword", "x"},
        {"reg", "set", "HKCU", "Key", "Value", "--sz", "bad\\escape"},
        {"categories"},
        {"categories", "add"},
        {"create", "X", "--sort", "90:nothing"},
    };
    for (const auto& args : cases) {
        const Outcome o = Run(args);
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        EXPECT_EQ(2, o.status) << line;
        EXPECT_NE(std::string::npos, o.err.find("(try 'ceutil --help')\n")) << line;
        EXPECT_EQ(1, std::count(o.err.begin(), o.err.end(), '\n')) << "one line\n" << o.err;
        EXPECT_EQ("", o.out) << line;
    }
    EXPECT_EQ(2, Run({"--handheld"}, false).status);
    for (const bool withHandheld : {false, true}) {
        const Outcome help = Run({"--help"}, withHandheld);
        EXPECT_EQ(0, help.status);
        EXPECT_EQ(0u, help.out.find("usage: ceutil")) << help.out;
        const Outcome version = Run({"--version"}, withHandheld);
        EXPECT_EQ(0, version.status);
        EXPECT_EQ(0u, version.out.find("ceutil (Jotterwick) ")) << version.out;
    }
}

TEST_F(CeutilTest, CategoriesAndTheRegistry) {
    const Outcome none = Run({"categories", "list"});
    EXPECT_EQ(0, none.status);
    EXPECT_EQ("", none.out) << "no categories yet";
    ASSERT_EQ(0, Run({"categories", "add", "Work", "Home"}).status);
    ASSERT_EQ(0, Run({"categories", "add", "Work"}).status);
    EXPECT_EQ("Work\nHome\nWork\n", Run({"categories", "list"}).out);
    EXPECT_NE(std::string::npos, Run({"dbs"}).out.find("\"\\Categories Database\" oid "));

    ASSERT_EQ(0, Run({"reg", "set", "HKCU", "Software\\Jotterwick\\Quillmarks\\Common", "Debug",
                      "--dword", "7"})
                     .status);
    ASSERT_EQ(0, Run({"reg", "set", "HKLM", "Software\\X", "Name", "--sz", "caf\xc3\xa9"}).status);
    EXPECT_EQ("7\n",
              Run({"reg", "get", "HKCU", "software\\jotterwick\\quillmarks\\common", "DEBUG"}).out);
    EXPECT_EQ("caf\xc3\xa9\n", Run({"reg", "get", "HKLM", "Software\\X", "Name"}).out);
    // --sz takes the escapes lpwstr values take.
    ASSERT_EQ(
        0, Run({"reg", "set", "HKLM", "Software\\X", "Lines", "--sz", "Private\\n\\t\\\\"}).status);
    EXPECT_EQ("Private\n\t\\\n", Run({"reg", "get", "HKLM", "Software\\X", "Lines"}).out);
    EXPECT_EQ(1, Run({"reg", "get", "HKLM", "Software\\X", "Other"}).status);
    EXPECT_EQ(1, Run({"reg", "get", "HKCU", "Software\\X", "Name"}).status) << "roots apart";
}

TEST_F(CeutilTest, InitMakesAHandheldAndKeepsOneThatIsThere) {
    const std::string fresh = m_machines.handheld() + "-new";
    const Outcome made = Run({"--handheld", fresh, "init"}, false);
    ASSERT_EQ(0, made.status) << made.err;
    EXPECT_TRUE(std::ifstream(fresh + "/objectstore.db").good());
    ASSERT_EQ(0, Run({"--handheld", fresh, "create", "Kept"}, false).status);
    ASSERT_EQ(0, Run({"--handheld", fresh, "init"}, false).status);
    EXPECT_NE(std::string::npos, Run({"--handheld", fresh, "dbs"}, false).out.find("\"Kept\""));
    // A desktop's folder is not made a handheld too.
    std::ofstream(m_machines.desktop() + "/registry.db") << "";
    const Outcome desktop = Run({"--handheld", m_machines.desktop(), "init"}, false);
    EXPECT_EQ(1, desktop.status);
    EXPECT_NE(std::string::npos, desktop.err.find("is a desktop")) << desktop.err;
    EXPECT_FALSE(std::ifstream(m_machines.desktop() + "/objectstore.db").good());
}

TEST_F(CeutilTest, TheHandheldComesFromTheEnvironmentWithoutTheOption) {
    ASSERT_EQ(0, Run({"create", "FromOption", "--type", "97", "--sort", "90:lpwstr", "--sort",
                      "70:filetime:desc"})
                     .status);
    const Outcome o = Run({"dbs"}, false); // $JOTTERWICK_HANDHELD, set by TempMachines
    EXPECT_EQ(0, o.status);
    EXPECT_NE(std::string::npos,
              o.out.find("\"FromOption\" oid 65537 type 97 records 0 sort [90:lpwstr, "
                         "70:filetime:desc]"))
        << o.out;
}

} // namespace
