// The notes program's peak memory: `jotta` run headless on a handheld of N
// notes (bench::NoteText), where it opens the database and fills its list at
// start, then is closed; its maximum resident set as wait4 reports it. The
// first line is the same program on a handheld without notes.
//
//   cmake --build build-release --target jotta_memory_bench -j2
//   TMPDIR=/dev/shm build-release/bench/jotta_memory_bench 1000 10000 100000
#include "bench/bench_notes.h"
#include "device/app/note_store.h"
#include "platform/ce/machine.h"
#include "platform/ce/registry.h"
#include "platform/ui/winuser.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRuns = 3;

void MakeHandheld(const std::string& dir, int notes) {
    ce::SetHandheldDirectory(dir);
    CEOID oidDb = 0;
    HANDLE cursor = OpenNoteDatabase(&oidDb);
    for (int i = 0; i < notes; ++i) {
        const CEOID oid = AddNewNote(cursor, i % 5, u"");
        WriteNote(cursor, oid, bench::NoteText(i), i % 5, u"");
    }
    CloseHandle(cursor);
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Jotterwick\\Quillmarks\\Common", 0, nullptr, 0,
                    0, nullptr, &key, nullptr);
    const DWORD count = 3; // no sponsor banner
    RegSetValueExW(key, u"BannerCount", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                   sizeof count);
    RegCloseKey(key);
}

// Runs the program on `dir` until its window shows, closes it, and returns
// its peak resident set in KiB (-1 when it did not run or end cleanly). The
// close is queued behind the start, which fills the list first.
long PeakOfOneRun(const std::string& dir) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("JOTTERWICK_HEADLESS", "1", 1);
        unsetenv("JOTTERWICK_SCRIPT");
        execl(JOTTA_PROGRAM, "jotta", "--handheld", dir.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0)
        return -1;
    HWND window = nullptr;
    for (int tries = 0; tries < 6000 && !(window = FindWindowW(nullptr, u"Jotterwick")); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (window)
        PostMessageW(window, WM_CLOSE, 0, 0);
    else
        kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !window || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> counts{0};
    for (int i = 1; i < argc; ++i) {
        const int notes = std::atoi(argv[i]);
        if (notes < 1 || notes > 1000000) {
            std::fprintf(stderr, "usage: jotta_memory_bench [NOTES]... (1 to 1000000 each)\n");
            return 2;
        }
        counts.push_back(notes);
    }
    if (counts.size() == 1)
        counts.push_back(bench::Notes());
    std::printf("%8s %4s %12s %12s %14s\n", "notes", "runs", "peak min", "median", "per note");
    long empty = 0;
    int failed = 0;
    for (int notes : counts) {
        const std::string root = bench::MakeFolder("jotterwick-memory-bench");
        MakeHandheld(root + "/handheld", notes);
        std::vector<long> peaks;
        for (int run = 0; run < kRuns; ++run)
            peaks.push_back(PeakOfOneRun(root + "/handheld"));
        std::filesystem::remove_all(root);
        std::sort(peaks.begin(), peaks.end());
        if (peaks.front() < 0) {
            std::fprintf(stderr, "jotta did not run on %d notes\n", notes);
            ++failed;
            continue;
        }
        const long median = peaks[peaks.size() / 2];
        if (notes == 0)
            empty = median;
        std::printf("%8d %4d %9ld KiB %9ld KiB", notes, kRuns, peaks.front(), median);
        if (notes > 0)
            std::printf(" %8.0f bytes", 1024.0 * static_cast<double>(median - empty) / notes);
        std::printf("\n");
        std::fflush(stdout);
    }
    return failed ? 1 : 0;
}
