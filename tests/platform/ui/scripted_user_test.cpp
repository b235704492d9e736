#include "platform/ui/headless/scripted_user.h"

#include "platform/ui/message_box.h"
#include "platform/ui/winuser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

TEST(ScriptLine, FormatAndParseRoundTrip) {
    struct Case {
        const char* line;
    };
    const Case cases[] = {
        {"box\tQuillmarks\tSave changes?\tYes"},
        {"box\tA\\tB\tline1\\r\\nline2\tCancel"},
        {"open\tOpen\tok\t/tmp/a b.txt"},
        {"save\tSave As\tcancel"},
        {"dialog\tSearch for Notes\tOK\t1000=milk"},
        {"dialog\tCategories\tOK\t1004=Home\\nWork"},
        {"dialog\tOptions\t1234"},
        {"dialog\tNote Infos\tCancel"},
        {"help\tjotta.htc\tclose"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto e = ui::ParseScriptLine(c.line, &error);
        ASSERT_TRUE(e) << c.line << ": " << error;
        EXPECT_EQ(c.line, ui::FormatScriptLine(*e));
    }
}

TEST(ScriptLine, RefusesWhatDoesNotFit) {
    const char* bad[] = {
        "",
        "box",
        "box\tT\ttext",
        "box\tT\ttext\tMaybe",
        "open\tOpen",
        "open\tOpen\tok",
        "open\tOpen\tok\t",
        "save\tSave As\tyes\tf",
        "dialog\tD",
        "dialog\tD\tPush",
        "dialog\tD\tOK\t1000",
        "dialog\tD\tOK\tx=1",
        "dialog\tD\tOK\t99999999999=1",
        "menu\tFile",
        "help\tjotta.htc",
        "help\tjotta.htc\tok",
    };
    for (const char* line : bad) {
        std::string error;
        EXPECT_FALSE(ui::ParseScriptLine(line, &error)) << "'" << line << "'";
        EXPECT_NE(std::string::npos, error.find("script line")) << error;
    }
}

TEST(ScriptedUser, FileDialogAnswersAndCancel) {
    auto& user = ui::ScriptedUser::Instance();
    std::string problems;
    user.SetProblemHandler([&](const std::string& p) { problems += p; });
    user.ExpectOpenFile(u"Open", u"/tmp/in.txt");
    user.ExpectSaveFile(u"Save As", std::nullopt);
    ui::FileDialogPrompt open;
    open.title = u"Open";
    ui::FileDialogPrompt save;
    save.kind = ui::FileDialogKind::Save;
    save.title = u"Save As";
    EXPECT_EQ(u"/tmp/in.txt", ui::CurrentBackend().ChooseFile(open).value_or(u"?"));
    EXPECT_FALSE(ui::CurrentBackend().ChooseFile(save));
    EXPECT_TRUE(user.AssertDone());
    // Unexpected: cancelled and reported.
    EXPECT_FALSE(ui::CurrentBackend().ChooseFile(open));
    EXPECT_NE(std::string::npos, problems.find("unexpected open 'Open'")) << problems;
    EXPECT_FALSE(user.AssertDone());
    user.SetProblemHandler(nullptr);
}

TEST(ScriptedUser, TheHelpViewerIsAPromptTheUserCloses) {
    auto& user = ui::ScriptedUser::Instance();
    std::string problems;
    user.SetProblemHandler([&](const std::string& p) { problems += p; });
    user.ExpectHelp(u"jotta.htc");
    ui::OpenHelpFile(u"jotta.htc");
    EXPECT_TRUE(user.AssertDone()) << problems;
    EXPECT_EQ("help\tjotta.htc\tclose", user.Shown().back());
    // Opened unasked: reported, and logged as unexpected.
    ui::OpenHelpFile(u"other.htc");
    EXPECT_NE(std::string::npos, problems.find("unexpected help 'other.htc'")) << problems;
    EXPECT_EQ("!help\tother.htc\tclose", user.Shown().back());
    EXPECT_FALSE(user.AssertDone());
    user.SetProblemHandler(nullptr);
}

TEST(ScriptedUser, LoadScriptQueuesFittingLinesAndReportsOthers) {
    auto& user = ui::ScriptedUser::Instance();
    std::string problems;
    user.SetProblemHandler([&](const std::string& p) { problems += p + "\n"; });
    const fs::path path = fs::temp_directory_path() / ("ui_script_" + std::to_string(::getpid()));
    std::ofstream(path)
        << "# comment\n\nbox\tT\tOne\tOK\r\nbox\tT\tTwo\tPerhaps\nsave\tS\tcancel\n";
    EXPECT_FALSE(user.LoadScript(path.string()));
    EXPECT_NE(std::string::npos, problems.find("unknown button 'Perhaps'")) << problems;
    EXPECT_EQ(2u, user.Pending());
    EXPECT_FALSE(user.LoadScript((path / "missing").string()));
    user.Finish();
    user.SetProblemHandler(nullptr);
    fs::remove(path);
}

// Runs the helper with a script and a prompt log, as a test of another program would.
class ScriptFromAnotherProcess : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("ui_scripted_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Run(const std::string& script, const std::string& args, std::string* log) {
        std::ofstream(dir / "script") << script;
        const std::string command = "JOTTERWICK_SCRIPT='" + (dir / "script").string() +
                                    "' JOTTERWICK_PROMPT_LOG='" + (dir / "log").string() + "' " +
                                    UI_PROMPT_HELPER + " " + args + " 2>'" +
                                    (dir / "stderr").string() + "'";
        std::string out;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, pipe))
                out += buffer;
            ::pclose(pipe);
        }
        *log = Slurp(dir / "log");
        return out;
    }
    static std::string Slurp(const fs::path& path) {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir;
};

TEST_F(ScriptFromAnotherProcess, AnswersLogsAndReportsLeftovers) {
    std::string log;
    const std::string out =
        Run("box\tQuillmarks\tSave changes?\tNo\nopen\tOpen\tok\t/x/y.txt\nbox\tT\tnever\tOK\n",
            "'box:Quillmarks:Save changes?:3' 'open:Open' 'box:Other:Surprise:1'", &log);
    EXPECT_EQ("7\n/x/y.txt\n2\n", out);
    EXPECT_EQ("box\tQuillmarks\tSave changes?\tNo\n"
              "open\tOpen\tok\t/x/y.txt\n"
              "!box\tOther\tSurprise\tCancel\n",
              log);
    EXPECT_EQ("box\tT\tnever\tOK\n", Slurp(dir / "script")); // never asked
    const std::string err = Slurp(dir / "stderr");
    EXPECT_NE(std::string::npos, err.find("unexpected box 'Other': 'Surprise'")) << err;
}

TEST_F(ScriptFromAnotherProcess, TheScriptIsOneQueueForEveryProcess) {
    std::ofstream(dir / "script")
        << "# two programs, one script\nbox\tT\tfirst\tYes\nbox\tT\tsecond\tNo\n";
    const std::string env = "JOTTERWICK_SCRIPT='" + (dir / "script").string() +
                            "' JOTTERWICK_PROMPT_LOG='" + (dir / "log").string() + "' ";
    std::string out;
    for (const char* arg : {" 'box:T:first:4'", " 'box:T:second:4'"}) {
        if (FILE* pipe = ::popen((env + UI_PROMPT_HELPER + arg).c_str(), "r")) {
            char buffer[64];
            while (std::fgets(buffer, sizeof buffer, pipe))
                out += buffer;
            ::pclose(pipe);
        }
    }
    EXPECT_EQ("6\n7\n", out); // the second program got the second line
    EXPECT_EQ("box\tT\tfirst\tYes\nbox\tT\tsecond\tNo\n", Slurp(dir / "log"));
    EXPECT_EQ("", Slurp(dir / "script")); // every line answered
}

TEST_F(ScriptFromAnotherProcess, WithoutScriptEveryPromptGetsItsDefault) {
    std::string log;
    const std::string command = "env -u JOTTERWICK_SCRIPT " + std::string(UI_PROMPT_HELPER) +
                                " 'box:C:Quit?:4' 'save:Save As' 2>'" + (dir / "stderr").string() +
                                "'";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        EXPECT_EQ(0, ::pclose(pipe));
    }
    EXPECT_EQ("6\n(cancel)\n", out);
    const std::string err = Slurp(dir / "stderr");
    EXPECT_NE(std::string::npos, err.find("unexpected box 'C': 'Quit?'")) << err;
    EXPECT_NE(std::string::npos, err.find("unexpected save 'Save As'")) << err;
}

} // namespace
