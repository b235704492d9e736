// Test support: a fresh handheld (and desktop) directory per test, and child
// processes started with it.
#pragma once

#include "platform/base/windef.h"

#include <string>
#include <vector>

namespace testsupport {

// Creates fresh temporary machine directories, points this process (and
// processes it starts) at them, and removes them at the end.
class TempMachines {
public:
    TempMachines();
    ~TempMachines();
    TempMachines(const TempMachines&) = delete;
    TempMachines& operator=(const TempMachines&) = delete;

    const std::string& handheld() const { return m_handheld; }
    const std::string& desktop() const { return m_desktop; }

private:
    std::string m_root;
    std::string m_handheld;
    std::string m_desktop;
};

// A child process whose standard output goes to a file.
class ChildProcess {
public:
    // Starts `program` with `args`; its environment is this process's.
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool running() const { return m_pid > 0; }
    int pid() const { return m_pid; }
    // Sends SIGTERM and waits; returns the exit status (-1 when killed by a
    // signal other than SIGTERM).
    int Stop();
    // Waits for the process to end by itself; returns its exit status.
    int Wait();
    // What it wrote to standard output so far.
    std::string Output() const;

private:
    int m_pid = -1;
    std::string m_outputPath;
};

// Whether `path` is a key of the desktop's registry under `root`.
bool DesktopKeyExists(HKEY root, const char* path);

// Path of a built program, from $JOTTERWICK_BUILD_DIR (set by CTest).
std::string BuiltProgram(const std::string& relativePath);

// Waits up to `timeoutMs` until `condition` holds; returns whether it did.
template <typename Condition> bool WaitFor(Condition condition, int timeoutMs = 5000);

} // namespace testsupport

#include <chrono>
#include <thread>

template <typename Condition> bool testsupport::WaitFor(Condition condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
