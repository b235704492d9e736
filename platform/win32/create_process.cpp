// CreateProcessA on the host: the program found by the platform's search,
// its command line split by the platform's rules, started with posix_spawn.
#include "platform/win32/processthreads.h"

#include "platform/base/handles.h"
#include "platform/base/status.h"
#include "platform/win32/inf_directories.h"
#include "platform/win32/path.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace win32 {

using platform::Result;
using platform::Status;

namespace {

class ProcessObject : public platform::KernelObject {
public:
    explicit ProcessObject(pid_t pid) : m_pid(pid) {}
    ~ProcessObject() override { Poll(); }

    // True once the process has ended; its code is then kept.
    bool Poll() {
        if (m_ended)
            return true;
        int status = 0;
        const pid_t got = ::waitpid(m_pid, &status, WNOHANG);
        if (got == m_pid || (got < 0 && errno == ECHILD)) {
            m_ended = true;
            m_exitCode = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status))
                                           : 128 + static_cast<DWORD>(WTERMSIG(status));
        }
        return m_ended;
    }
    DWORD ExitCode() const { return m_exitCode; }

private:
    pid_t m_pid;
    bool m_ended = false;
    DWORD m_exitCode = STILL_ACTIVE;
};

bool IsProgram(const std::string& path) {
    struct stat state;
    return ::stat(path.c_str(), &state) == 0 && S_ISREG(state.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The names `name` may be found under: itself, then with ".exe" added or
// taken away.
std::vector<std::string> Spellings(const std::string& name) {
    std::vector<std::string> names{name};
    const std::string lower = Lower(name);
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".exe") == 0)
        names.push_back(name.substr(0, name.size() - 4));
    else if (name.rfind('.') == std::string::npos)
        names.push_back(name + ".exe");
    return names;
}

// `name` in `folder`, letter case aside.
std::string FindInFolder(const std::string& folder, const std::string& name) {
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const std::string& spelling : Spellings(name))
        if (IsProgram(prefix + spelling))
            return prefix + spelling;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string found = entry.path().filename().string();
        for (const std::string& spelling : Spellings(name))
            if (Lower(found) == Lower(spelling) && IsProgram(prefix + found))
                return prefix + found;
    }
    return "";
}

std::string ProgramFolder() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "" : self.parent_path().string();
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

std::vector<std::string> EnvironmentOf(const void* block) {
    std::vector<std::string> variables;
    if (!block) {
        for (char** v = environ; *v; ++v)
            variables.emplace_back(*v);
        return variables;
    }
    // A block ends with an empty string; 1 MiB at most is read.
    const char* p = static_cast<const char*>(block);
    std::size_t total = 0;
    while (*p && total < (1u << 20)) {
        const std::string variable(p);
        variables.push_back(variable);
        total += variable.size() + 1;
        p += variable.size() + 1;
    }
    return variables;
}

// The folders of $PATH, in order.
std::vector<std::string> PathFolders() {
    std::vector<std::string> folders;
    const char* path = std::getenv("PATH");
    std::string_view rest(path ? path : "");
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        folders.emplace_back(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? "" : rest.substr(colon + 1);
    }
    return folders;
}

// Inside tmux a new console is a new window of the same session; tmux itself
// is looked for on $PATH only. "" outside tmux: the host then has no console
// to give, and the program runs without one.
std::string TmuxForNewConsole() {
    const char* session = std::getenv("TMUX");
    if (!session || !*session)
        return "";
    for (const std::string& folder : PathFolders())
        if (!folder.empty() && IsProgram(folder + "/tmux"))
            return folder + "/tmux";
    return "";
}

// Runs in the new window: the program, then its exit status into the status
// file and a signal on the channel; a window closed under it counts as a
// hang-up. Arguments: tmux, channel, status file, the program and its own.
constexpr char kInWindow[] = R"(tmux=$1; chan=$2; status=$3; shift 3
trap 'echo 129 > "$status"; "$tmux" wait-for -S "$chan"; exit 129' HUP TERM
"$@"; echo $? > "$status"; "$tmux" wait-for -S "$chan")";

// Runs here, as the process the caller holds: opens the window, waits for
// the channel and ends with the program's status. tmux's client itself ends
// as soon as the window is open, so its process would say nothing of the
// program's. A signal given before the wait is kept by tmux for it.
// Arguments: tmux, channel, status file, then tmux's own arguments.
constexpr char kWaiter[] = R"(tmux=$1; chan=$2; status=$3; shift 3
"$tmux" "$@" || { rm -f "$status"; exit 127; }
"$tmux" wait-for "$chan"
code=$(cat "$status" 2>/dev/null); rm -f "$status"; exit "${code:-1}")";

// An empty file for the program's status, its path; "" when none can be made.
std::string MakeStatusFile() {
    std::string path = std::filesystem::temp_directory_path().string() + "/jotterwick-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0)
        return "";
    ::close(fd);
    return path;
}

// The arguments of /bin/sh that run `program` with `arguments` (the
// program's name first), `variables` and `folder` in a new window of the
// tmux at `tmux`, and end when it does, with its status, which passes
// through the file `status`.
std::vector<std::string> InNewTmuxWindow(const std::string& tmux, const std::string& status,
                                         const std::string& program,
                                         const std::vector<std::string>& arguments,
                                         const std::vector<std::string>& variables,
                                         const std::string& folder) {
    static std::atomic<unsigned> windows{0};
    const std::string channel = "jotterwick-" + std::to_string(::getpid()) + "-" +
                                std::to_string(windows++) + "-" + status.substr(status.size() - 6);
    std::vector<std::string> wrapped{"sh",    "-c",   kWaiter,      "sh", tmux,
                                     channel, status, "new-window", "-c", folder};
    for (const std::string& variable : variables) {
        // The new window's own session variables are tmux's to set.
        if (variable.rfind("TMUX=", 0) == 0 || variable.rfind("TMUX_PANE=", 0) == 0)
            continue;
        wrapped.push_back("-e");
        wrapped.push_back(variable);
    }
    for (const char* part : {"--", "/bin/sh", "-c", kInWindow, "sh"})
        wrapped.push_back(part);
    for (const std::string& part : {tmux, channel, status, program})
        wrapped.push_back(part);
    wrapped.insert(wrapped.end(), arguments.begin() + std::min<std::size_t>(1, arguments.size()),
                   arguments.end());
    return wrapped;
}

Result<BOOL> Create(LPCSTR applicationName, LPCSTR commandLine, DWORD flags,
                    const void* environment, LPCSTR currentDirectory,
                    PROCESS_INFORMATION* information) {
    if (!applicationName && !commandLine)
        return Status::Failure(ERROR_INVALID_PARAMETER, "neither a program nor a command line");
    std::vector<std::string> arguments = SplitCommandLine(commandLine ? commandLine : "");
    const std::string current = currentDirectory && *currentDirectory
                                    ? HostPath(currentDirectory)
                                    : std::filesystem::current_path().string();
    std::string program;
    if (applicationName) {
        // The name given is the program: no search, only the ".exe" spellings.
        std::filesystem::path path = HostPath(applicationName);
        if (!path.empty() && path.is_relative())
            path = std::filesystem::path(current) / path;
        if (!path.empty())
            program = FindInFolder(path.parent_path().string(), path.filename().string());
        if (program.empty())
            return Status::Failure(ERROR_FILE_NOT_FOUND, std::string("the program \"") +
                                                             applicationName + "\" does not exist");
        if (arguments.empty())
            arguments.push_back(applicationName);
    } else {
        if (arguments.empty() || arguments[0].empty())
            return Status::Failure(ERROR_PATH_NOT_FOUND, "the command line names no program");
        program = FindProgram(arguments[0], std::filesystem::current_path().string());
        if (program.empty())
            return Status::Failure(ERROR_FILE_NOT_FOUND,
                                   "the program \"" + arguments[0] + "\" was not found");
    }

    std::vector<std::string> variables = EnvironmentOf(environment);
    std::string statusFile; // a new window's, through which its program's status comes
    if (flags & CREATE_NEW_CONSOLE) {
        if (std::string tmux = TmuxForNewConsole(); !tmux.empty()) {
            statusFile = MakeStatusFile();
            if (statusFile.empty())
                return Status::Failure(ERROR_ACCESS_DENIED,
                                       "cannot make a status file for a new window in " +
                                           std::filesystem::temp_directory_path().string());
            arguments = InNewTmuxWindow(tmux, statusFile, program, arguments, variables, current);
            program = "/bin/sh";
        }
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    if (currentDirectory && *currentDirectory)
        posix_spawn_file_actions_addchdir_np(&actions, current.c_str());
    if (flags & CREATE_NEW_CONSOLE) {
        for (int fd = 0; fd <= 2; ++fd)
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null",
                                             fd == 0 ? O_RDONLY : O_WRONLY, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    }
    auto argv = Pointers(arguments);
    auto envp = Pointers(variables);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        if (!statusFile.empty())
            ::unlink(statusFile.c_str());
        return Status::Failure(spawned == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED,
                               "cannot start " + program);
    }
    auto process = std::make_shared<ProcessObject>(pid);
    if (information) {
        information->hProcess = platform::InsertHandle(process);
        information->hThread = platform::InsertHandle(process);
        information->dwProcessId = static_cast<DWORD>(pid);
        information->dwThreadId = static_cast<DWORD>(pid);
    }
    return TRUE;
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    auto blank = [&](std::size_t at) { return line[at] == ' ' || line[at] == '\t'; };
    // The program: up to the closing quote, or to the first blank.
    if (i < line.size()) {
        std::string program;
        if (line[i] == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i)
                program += line[i];
            if (i < line.size())
                ++i;
        } else {
            for (; i < line.size() && !blank(i); ++i)
                program += line[i];
        }
        arguments.push_back(std::move(program));
    }
    while (i < line.size()) {
        while (i < line.size() && blank(i))
            ++i;
        if (i >= line.size())
            break;
        std::string argument;
        bool quoted = false;
        for (; i < line.size() && (quoted || !blank(i)); ++i) {
            if (line[i] == '\\') {
                std::size_t count = 0;
                while (i < line.size() && line[i] == '\\') {
                    ++count;
                    ++i;
                }
                if (i < line.size() && line[i] == '"') {
                    argument.append(count / 2, '\\');
                    if (count % 2) {
                        argument += '"';
                        continue;
                    }
                } else {
                    argument.append(count, '\\');
                }
                --i; // the loop steps onto the char after the backslashes
                continue;
            }
            if (line[i] == '"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    argument += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                continue;
            }
            argument += line[i];
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string FindProgram(const std::string& name, const std::string& currentFolder) {
    const std::string host = HostPath(name);
    if (host.find('/') != std::string::npos) {
        const std::filesystem::path path = host.front() == '/'
                                               ? std::filesystem::path(host)
                                               : std::filesystem::path(currentFolder) / host;
        return FindInFolder(path.parent_path().string(), path.filename().string());
    }
    std::vector<std::string> folders{ProgramFolder(), currentFolder, SystemFolder(),
                                     WindowsFolder()};
    for (std::string& folder : PathFolders())
        folders.push_back(std::move(folder));
    for (const std::string& folder : folders)
        if (!folder.empty())
            if (std::string found = FindInFolder(folder, host); !found.empty())
                return found;
    return "";
}

} // namespace win32

BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, void*, void*, BOOL,
                    DWORD dwCreationFlags, void* lpEnvironment, LPCSTR lpCurrentDirectory,
                    STARTUPINFOA*, PROCESS_INFORMATION* lpProcessInformation) {
    return platform::AtBoundary<BOOL>(FALSE, [&] {
        return win32::Create(lpApplicationName, lpCommandLine, dwCreationFlags, lpEnvironment,
                             lpCurrentDirectory, lpProcessInformation);
    });
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    auto process = platform::LookupHandleAs<win32::ProcessObject>(hHandle);
    if (!process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
    while (!process->Poll()) {
        if (dwMilliseconds != INFINITE && std::chrono::steady_clock::now() >= deadline)
            return WAIT_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WAIT_OBJECT_0;
}

BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode) {
    auto process = platform::LookupHandleAs<win32::ProcessObject>(hProcess);
    if (!process || !lpExitCode) {
        SetLastError(process ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    process->Poll();
    *lpExitCode = process->ExitCode();
    return TRUE;
}
