// CreateProcessA: the platform's command-line splitting, the program
// search, and honest failure.
#include "platform/win32/processthreads.h"

#include "platform/base/status.h"
#include "platform/win32/inf_directories.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

TEST(CommandLineSplitting, FollowsThePlatformsRules) {
    struct Case {
        const char* line;
        Arguments arguments;
    };
    const Case cases[] = {
        {"prog a b", {"prog", "a", "b"}},
        {"prog  \t spaced   out ", {"prog", "spaced", "out"}},
        {"\"C:\\Program Files\\app.exe\" x", {"C:\\Program Files\\app.exe", "x"}},
        {"C:\\dir\\prog.exe \"a b\" c", {"C:\\dir\\prog.exe", "a b", "c"}},
        {"p \"C:\\My Folder\\jotta.ini\"", {"p", "C:\\My Folder\\jotta.ini"}},
        {"p a\\\\b", {"p", "a\\\\b"}},        // backslashes without a quote: as they are
        {"p a\\\\\\\"b", {"p", "a\\\"b"}},    // 3 then a quote: one and a literal quote
        {"p \"a\\\\\" b", {"p", "a\\", "b"}}, // 2 then a quote: one, and the quote closes
        {"p \\\"quoted\\\"", {"p", "\"quoted\""}},
        {"p \"say \"\"hi\"\"\"", {"p", "say \"hi\""}}, // "" inside quotes: a quote
        {"p \"\"", {"p", ""}},                         // an empty argument
        {"p a\"b c\"d", {"p", "ab cd"}},
        {"\"prog\"x y", {"prog", "x", "y"}}, // the program ends at its closing quote
        {"pro\\\"g x", {"pro\\\"g", "x"}},   // no backslash rules for the program
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.arguments, win32::SplitCommandLine(c.line)) << c.line;
}

class CreateProcess : public ::testing::Test {
protected:
    testsupport::TempMachines machines;
    std::filesystem::path root = std::filesystem::path(machines.desktop()).parent_path();
    std::filesystem::path record = root / "arguments.txt";
    std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";

    // Programs started with a console of their own stay out of any tmux the
    // suite runs in.
    void SetUp() override { unsetenv("TMUX"); }
    void TearDown() override { setenv("PATH", savedPath.c_str(), 1); }

    // A program that writes the folder it ran in and its arguments, one a
    // line, to `record`, and exits with `code`.
    std::filesystem::path Program(const std::filesystem::path& folder, const std::string& name,
                                  int code = 0) {
        std::filesystem::create_directories(folder);
        const auto path = folder / name;
        std::ofstream(path) << "#!/bin/sh\n{ echo \"" << name << "\"; pwd; "
                            << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '"
                            << record.string() << "'\nexit " << code << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }
    // Runs the command line and waits; the lines the program recorded.
    std::vector<std::string> Run(LPCSTR application, std::string commandLine,
                                 LPCSTR currentDirectory = nullptr, DWORD* exitCode = nullptr) {
        std::filesystem::remove(record);
        STARTUPINFOA startup{};
        startup.cb = 68;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(application, commandLine.data(), nullptr, nullptr, FALSE,
                            CREATE_NEW_CONSOLE, nullptr, currentDirectory, &startup, &process)) {
            ADD_FAILURE() << commandLine << ": " << platform::LastErrorMessage();
            return {};
        }
        EXPECT_NE(0u, process.dwProcessId);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 10000));
        DWORD code = STILL_ACTIVE;
        EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
        if (exitCode)
            *exitCode = code;
        EXPECT_TRUE(CloseHandle(process.hThread));
        EXPECT_TRUE(CloseHandle(process.hProcess));
        std::ifstream in(record);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
};

TEST_F(CreateProcess, StartsTheNamedProgramWithItsArgumentsSplit) {
    const auto program = Program(root / "with space", "tool", 7);
    DWORD code = 0;
    const auto lines =
        Run(program.c_str(), "\"" + program.string() + "\" \"C:\\My Folder\\jotta.ini\" a\\\"b",
            root.c_str(), &code);
    EXPECT_EQ((std::vector<std::string>{"tool", root.string(), "C:\\My Folder\\jotta.ini", "a\"b"}),
              lines);
    EXPECT_EQ(7u, code);
}

TEST_F(CreateProcess, SearchesTheDesktopsFoldersThenThePath) {
    const auto onPath = root / "on path";
    setenv("PATH", (onPath.string() + ":" + savedPath).c_str(), 1);
    Program(onPath, "notepad");
    EXPECT_EQ("notepad", Run(nullptr, "notepad C:\\readme.txt").at(0));
    // The Windows folder comes before $PATH, the system folder before that.
    Program(win32::WindowsFolder(), "notepad.exe");
    EXPECT_EQ("notepad.exe", Run(nullptr, "notepad C:\\readme.txt").at(0));
    Program(win32::SystemFolder(), "NotePad");
    const auto lines = Run(nullptr, "NOTEPAD.EXE C:\\readme.txt");
    EXPECT_EQ((std::vector<std::string>{"NotePad", std::filesystem::current_path().string(),
                                        "C:\\readme.txt"}),
              lines);
    // The caller's current folder comes before the desktop's.
    Program(root / "here", "notepad");
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path(root / "here");
    EXPECT_EQ(root / "here", Run(nullptr, "notepad").at(1));
    std::filesystem::current_path(saved);
}

TEST_F(CreateProcess, AnApplicationNameIsFoundWithOrWithoutExe) {
    const auto program = Program(root / "apps", "ceappmgr");
    const std::string registered = (root / "apps" / "CEAPPMGR.EXE").string();
    EXPECT_EQ("ceappmgr", Run(registered.c_str(), registered + " \"x y\"").at(0));
}

// Inside tmux a new console is a window of the session; waiting for the
// process waits for the program in that window, and its exit code is the
// program's (tmux's own client ends as soon as the window is open).
TEST_F(CreateProcess, InsideTmuxTheNewWindowsProgramIsWaitedFor) {
    if (std::system("command -v tmux >/dev/null") != 0)
        GTEST_SKIP() << "no tmux on PATH";
    const std::string server = "jotterwick-test-" + std::to_string(getpid());
    const std::string tmux = "tmux -L " + server + " -f /dev/null ";
    ASSERT_EQ(0, std::system((tmux + "new-session -d -s t -x 80 -y 24 'sleep 60'").c_str()));
    struct Server {
        std::string kill;
        ~Server() { std::system(kill.c_str()); }
    } stop{tmux + "kill-server 2>/dev/null"};
    const std::filesystem::path socket = root / "tmux-session";
    ASSERT_EQ(0, std::system((tmux + "display-message -p -t t '#{socket_path},#{pid},0' > '" +
                              socket.string() + "'")
                                 .c_str()));
    std::string session;
    std::getline(std::ifstream(socket), session);
    setenv("TMUX", session.c_str(), 1);

    // It writes its record only after a while: a wait that ended with
    // tmux's client would find none.
    const auto program = root / "slow tool";
    std::ofstream(program) << "#!/bin/sh\nsleep 0.5\n{ echo tool; pwd; printf '%s\\n' \"$@\"; } > '"
                           << record.string() << "'\nexit 7\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    const auto temporary = root / "tmp";
    std::filesystem::create_directories(temporary);
    const char* savedTemporary = std::getenv("TMPDIR");
    const std::string saved = savedTemporary ? savedTemporary : "";
    setenv("TMPDIR", temporary.c_str(), 1);
    DWORD code = 0;
    const auto lines =
        Run(program.c_str(), "\"" + program.string() + "\" \"a b\"", root.c_str(), &code);
    unsetenv("TMUX");
    savedTemporary ? setenv("TMPDIR", saved.c_str(), 1) : unsetenv("TMPDIR");
    EXPECT_EQ((std::vector<std::string>{"tool", root.string(), "a b"}), lines);
    EXPECT_EQ(7u, code);
    // Nothing is left behind of the passing of the status.
    EXPECT_TRUE(std::filesystem::is_empty(temporary));
}

TEST_F(CreateProcess, FailsHonestlyWhenThereIsNoProgram) {
    STARTUPINFOA startup{};
    PROCESS_INFORMATION process{};
    char line[] = "no-such-program-anywhere argument";
    EXPECT_FALSE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &process));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    EXPECT_NE(std::string::npos, platform::LastErrorMessage().find("no-such-program-anywhere"));
    EXPECT_EQ(nullptr, process.hProcess);
    // An empty application name (an unset registry value) starts nothing.
    char second[] = " \"C:\\dir\\jotta.ini\"";
    EXPECT_FALSE(CreateProcessA("", second, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                &process));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    // A file that is no program.
    std::ofstream(root / "data.txt") << "text";
    char third[] = "data.txt";
    EXPECT_FALSE(CreateProcessA(nullptr, third, nullptr, nullptr, FALSE, 0, nullptr, root.c_str(),
                                &startup, &process));
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(nullptr, 0));
}

} // namespace
