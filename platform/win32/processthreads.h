// Starting programs on the desktop (CreateProcessA) and waiting for them.
//
// Without an application name the program is the command line's first
// argument, searched in this order: the folder of the caller's program
// file, the current folder, the desktop's system and Windows folders
// (inf_directories.h), then $PATH. A name is found with or without ".exe":
// "notepad" finds notepad or notepad.exe, "CEAPPMGR.EXE" finds
// CEAPPMGR.EXE or CEAPPMGR, and letter case does not matter. The command
// line is split into arguments as the platform's CommandLineToArgvW does.
#pragma once

#include "platform/base/handles.h"
#include "platform/base/windef.h"

#include <string>
#include <string_view>
#include <vector>

struct STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute, dwFlags;
    WORD wShowWindow, cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput, hStdOutput, hStdError;
};

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// The child gets a session of its own and no terminal: its standard
// streams are /dev/null. Inside tmux it runs in a new window of the same
// session (with the caller's environment and folder), and the process
// handle is that of the tmux client that opened the window; elsewhere the
// host has no second console to give it.
constexpr DWORD CREATE_NEW_CONSOLE = 0x00000010;
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD STILL_ACTIVE = 259;

// lpCommandLine may be changed by the platform, hence LPSTR; it is only
// read here. lpEnvironment: null for the caller's, else an ANSI block of
// NUL-ended "name=value" strings ended by an empty one. FALSE with the
// last error when the program is not found or cannot be started.
BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, void* lpProcessAttributes,
                    void* lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                    void* lpEnvironment, LPCSTR lpCurrentDirectory, STARTUPINFOA* lpStartupInfo,
                    PROCESS_INFORMATION* lpProcessInformation);

// For a process handle: WAIT_OBJECT_0 once it has ended, WAIT_TIMEOUT.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
// The exit code, or STILL_ACTIVE while it runs.
BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode);

namespace win32 {

// The arguments of a command line by the platform's rules: blanks separate
// arguments outside double quotes; 2n backslashes before a quote give n and
// the quote opens or closes; 2n+1 give n and a literal quote; other
// backslashes are literal; "" inside quotes is a literal quote. The first
// argument (the program) ends at the next quote when it starts with one,
// else at the first blank, with no backslash rules.
std::vector<std::string> SplitCommandLine(std::string_view line);

// Where the program `name` (a desktop path or a bare name) is found by the
// search above; "" when it is not.
std::string FindProgram(const std::string& name, const std::string& currentFolder);

} // namespace win32
