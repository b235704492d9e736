// jsync at scale, as a user runs it (a whole jsync process, both providers
// and the Outlook stand-in loaded), beside the direct-SQLite limits, at 1,000
// and 10,000 notes (and 100,000 with --large):
//   - first synchronization of N handheld notes to an empty desktop, and of
//     N desktop notes to an empty handheld, against committing N rows one
//     row per transaction (WAL, synchronous FULL);
//   - a synchronization of N notes on each side with nothing changed,
//     against one indexed scan of each store, and the same with 10 notes
//     changed (5 on each side): the cost per changed note.
// Each reports its limit, the ratio, the time per note, notes per second and
// jsync's peak memory (max RSS).
//
//   build/release/bench/jsync_bench [--large] [--build=DIR] --benchmark_repetitions=3
//       --benchmark_format=json | python3 bench/min_median.py
// --build names the build whose jsync, providers and setup are timed (by
// default the benchmark's own): a build without the test hooks, as
// scripts/install.sh makes it, is what a person runs.
#include "device/app/note_store.h"
#include "peers/outlook/message_store.h"
#include "platform/base/kernel.h"
#include "platform/base/sqlite.h"
#include "platform/ce/machine.h"
#include "platform/ce/object_store.h"
#include "platform/win32/machine.h"
#include "support/system_install.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kChanged = 10;

// 2026-12-01 00:00:00 UTC, moved on ten seconds at a time.
std::uint64_t g_clock = 134090208000000000ull;
void Tick() {
    g_clock += 100000000ull;
    platform::PinSystemTime(
        FILETIME{static_cast<DWORD>(g_clock), static_cast<DWORD>(g_clock >> 32)});
    // jsync runs on the same clock.
    setenv("JOTTERWICK_PINNED_TIME", std::to_string(g_clock).c_str(), 1);
}

std::u16string NoteText(const char16_t* side, int i) {
    return std::u16string(side) + u" note " +
           std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + u"\r\n" +
           std::u16string(200, u'b');
}

// The build whose programs are installed and timed.
std::string g_build = JOTTERWICK_BUILD;

std::string Root() {
    static const std::string root = [] {
        char pattern[] = "/tmp/jotterwick-jsync-bench-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return root;
}

struct MachinePair {
    std::string handheld, desktop;
};

MachinePair Machines(const std::string& name) {
    const MachinePair pair{Root() + "/" + name + "/handheld", Root() + "/" + name + "/desktop"};
    fs::create_directories(pair.handheld);
    fs::create_directories(pair.desktop);
    return pair;
}

// Folds the write-ahead log of every store under `dir` into its file, as
// SQLite does when the last program using a store ends (and then deletes the
// log). The benchmark keeps its own connections open, so without this each
// timed jsync, the last user of its copy, would pay for folding and deleting
// logs it did not write. The copies leave the folded logs out.
void FoldLogs(const std::string& dir) {
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string path = entry.path().string();
        if (entry.path().extension() != ".db" || !fs::exists(path + "-wal"))
            continue;
        sqlite3* db = nullptr;
        int frames = -1, folded = -1;
        // A connection learns that the store keeps a log only when it first
        // reads it; a checkpoint before that does nothing and says so with -1.
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            sqlite3_exec(db, "SELECT 1 FROM sqlite_master LIMIT 1", nullptr, nullptr, nullptr) !=
                SQLITE_OK ||
            sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, &frames, &folded) !=
                SQLITE_OK ||
            frames < 0 || frames != folded) {
            std::fprintf(stderr, "jsync_bench: cannot fold the log of %s\n", path.c_str());
            std::abort();
        }
        sqlite3_close(db);
    }
}

bool IsFoldedLog(const fs::path& file) {
    const std::string name = file.filename().string();
    return name.ends_with(".db-wal") || name.ends_with(".db-shm");
}

void CopyTree(const fs::path& from, const fs::path& to) {
    fs::remove_all(to);
    fs::create_directories(to);
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        const fs::path relative = fs::relative(entry.path(), from);
        if (*relative.begin() == "run")
            continue;
        if (entry.is_directory())
            fs::create_directories(to / relative);
        else if (entry.is_regular_file() && !IsFoldedLog(entry.path()))
            fs::copy_file(entry.path(), to / relative);
    }
}

MachinePair CopyOf(const MachinePair& from, const std::string& name) {
    const MachinePair to{Root() + "/" + name + "/handheld", Root() + "/" + name + "/desktop"};
    CopyTree(from.handheld, to.handheld);
    CopyTree(from.desktop, to.desktop);
    return to;
}

// The fills are the setting, not the measure: their commits wait for one
// flush at the end instead of a disk sync each.
void FillHandheld(const std::string& dir, int count) {
    ce::SetHandheldDirectory(dir);
    platform::sqlite::DeferredSync deferred(ce::StoreConnection().value());
    CEOID database = 0;
    HANDLE cursor = OpenNoteDatabase(&database);
    for (int i = 0; i < count; ++i) {
        const CEOID oid = AddNewNote(cursor, i % 5, u"");
        WriteNote(cursor, oid, NoteText(u"Handheld", i), i % 5, i % 3 ? u"Work\n" : u"");
    }
    CloseHandle(cursor);
}

void FillDesktop(const std::string& dir, int count) {
    win32::SetDesktopDirectory(dir);
    auto store = outlook::MessageStore::Open(dir + "/outlook.db");
    platform::sqlite::DeferredSync deferred(
        platform::sqlite::Connection::Shared(dir + "/outlook.db").value());
    for (int i = 0; i < count; ++i) {
        outlook::Note note;
        note.body = NoteText(u"Desktop", i);
        note.color = i % 5;
        note.categories = i % 3 ? u"Home" : u"";
        store.value()->Insert(note, 48, outlook::NowAsDate());
    }
}

struct JsyncRun {
    double seconds = -1; // negative when jsync failed
    double maxRssMiB = 0;
};

// The child's peak resident memory, read at its exit while its memory is
// still its own. (wait4's figure will not do: a forked child's peak counts
// the benchmark it was forked from, which grows to hundreds of MB.)
double PeakMiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024; // kB
    return 0;
}

// Runs jsync on the machines: its wall time and its peak memory. jsync is
// traced only to be stopped once at its exit, where its peak is read.
JsyncRun RunJsync(const MachinePair& machines) {
    const std::string jsync = g_build + "/peers/activesync/jsync";
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const char* null = "/dev/null";
        freopen(null, "w", stdout);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        execl(jsync.c_str(), jsync.c_str(), "--handheld", machines.handheld.c_str(), "--desktop",
              machines.desktop.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    JsyncRun run;
    int status = 0;
    // Stopped at its exec: from there on, stopped once more at its exit.
    if (waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
        ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT);
        ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    }
    while (waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
        int signal = WSTOPSIG(status);
        if (status >> 8 == (SIGTRAP | PTRACE_EVENT_EXIT << 8)) {
            run.maxRssMiB = PeakMiB(pid);
            signal = 0;
        }
        ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(signal)));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return run;
}

enum class Kind { HandheldOnly, DesktopOnly, InStep };

// The machines a benchmark starts from: made once per kind and size, here
// alone, so that how a machine is made can change in one place.
MachinePair PrepareMachines(Kind kind, int notes) {
    Tick();
    const std::string name = std::to_string(static_cast<int>(kind)) + "-" + std::to_string(notes);
    const MachinePair machines = Machines(name);
    // Half made on each side and synchronized for notes in step. Both
    // machines are made, empty or not: jsync makes none.
    const int half = notes / 2;
    FillHandheld(machines.handheld, kind == Kind::HandheldOnly ? notes
                                    : kind == Kind::InStep     ? half
                                                               : 0);
    FillDesktop(machines.desktop, kind == Kind::DesktopOnly ? notes
                                  : kind == Kind::InStep    ? notes - half
                                                            : 0);
    // The system installed by setup, as a person has it.
    if (const std::string problem =
            testsupport::InstallSystem(g_build, machines.handheld, machines.desktop);
        !problem.empty()) {
        std::fprintf(stderr, "jsync_bench: %s\n", problem.c_str());
        std::abort();
    }
    if (kind == Kind::InStep) {
        Tick();
        if (RunJsync(machines).seconds < 0)
            std::abort();
    }
    FoldLogs(fs::path(machines.handheld).parent_path());
    Tick();
    return machines;
}

const MachinePair& Prepared(Kind kind, int notes) {
    static std::map<std::pair<Kind, int>, MachinePair> made;
    auto [at, added] = made.try_emplace({kind, notes});
    if (added)
        at->second = PrepareMachines(kind, notes);
    return at->second;
}

// The limits: the same durable writes and reads straight on SQLite, measured
// right before each synchronization they are set against, so that both see
// the same machine (its disk is shared with other work).
double CommitLimit(int notes) {
    const std::string path = Root() + "/limit-commit.db";
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path + suffix);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                 "CREATE TABLE t(id INTEGER PRIMARY KEY, body BLOB)",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t(body) VALUES(?)", -1, &insert, nullptr);
    const std::u16string body = NoteText(u"Limit", 0);
    const auto start = Clock::now();
    for (int i = 0; i < notes; ++i) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_bind_blob(insert, 1, body.data(), static_cast<int>(body.size() * 2), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    sqlite3_finalize(insert);
    sqlite3_close(db);
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path + suffix);
    return elapsed;
}

// Reads every row of one query to its end; the bytes read.
std::size_t Scan(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &select, nullptr);
    std::size_t bytes = 0;
    while (sqlite3_step(select) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(select); ++c)
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(select, c));
    sqlite3_finalize(select);
    sqlite3_close(db);
    return bytes;
}

double ScanLimit(int notes) {
    const MachinePair& machines = Prepared(Kind::InStep, notes);
    const auto start = Clock::now();
    std::size_t bytes = Scan(machines.handheld + "/objectstore.db",
                             "SELECT r.oid, r.sequence, r.props FROM ce_records r "
                             "JOIN ce_databases d ON r.db = d.oid "
                             "WHERE d.name = 'Jotterwick Database' ORDER BY r.oid");
    bytes += Scan(machines.desktop + "/outlook.db",
                  "SELECT entry_id, modified, body, categories, color FROM notes "
                  "ORDER BY entry_id");
    benchmark::DoNotOptimize(bytes);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One timed jsync per iteration on a fresh copy of `from`, changed first by
// `prepare`. Reports the limit, the ratio of the synchronization's time to
// it, the time per note, notes per second and jsync's peak memory.
template <typename Prepare>
void TimeSynchronization(benchmark::State& state, Kind kind, double (*limit)(int),
                         Prepare prepare) {
    const int notes = static_cast<int>(state.range(0));
    const MachinePair& from = Prepared(kind, notes);
    int copy = 0;
    double limits = 0, times = 0, rss = 0;
    for (auto _ : state) {
        // A name never used before in this process: the benchmark's own
        // connections to an earlier copy's stores stay open, and a copy made
        // again under that name would take the changes of `prepare` into
        // the files removed with it.
        static int copies = 0;
        const MachinePair machines = CopyOf(from, "run-" + std::to_string(copies++));
        ++copy;
        prepare(machines);
        Tick();
        limits += limit(notes);
        const JsyncRun run = RunJsync(machines);
        fs::remove_all(fs::path(machines.handheld).parent_path());
        if (run.seconds < 0) {
            state.SkipWithError("jsync failed");
            return;
        }
        state.SetIterationTime(run.seconds);
        times += run.seconds;
        rss = std::max(rss, run.maxRssMiB);
    }
    state.counters["limit_ms"] = limits * 1000 / copy;
    state.counters["ratio"] = times / limits;
    state.counters["us_per_note"] = times * 1e6 / copy / notes;
    state.counters["notes_per_s"] = notes * copy / times;
    state.counters["jsync_max_rss_MiB"] = rss;
}

void FirstSyncHandheldToDesktop(benchmark::State& state) {
    TimeSynchronization(state, Kind::HandheldOnly, CommitLimit, [](const auto&) {});
}

void FirstSyncDesktopToHandheld(benchmark::State& state) {
    TimeSynchronization(state, Kind::DesktopOnly, CommitLimit, [](const auto&) {});
}

void InStepNothingChanged(benchmark::State& state) {
    TimeSynchronization(state, Kind::InStep, ScanLimit, [](const auto&) {});
}

void InStepTenChanged(benchmark::State& state) {
    TimeSynchronization(state, Kind::InStep, ScanLimit, [](const MachinePair& m) {
        ce::SetHandheldDirectory(m.handheld);
        CEOID database = 0;
        HANDLE cursor = OpenNoteDatabase(&database);
        int changed = 0;
        for (CEOID oid = CeSeekDatabase(cursor, CEDB_SEEK_BEGINNING, 0, nullptr);
             oid != 0 && changed < kChanged / 2;
             oid = CeSeekDatabase(cursor, CEDB_SEEK_CURRENT, 1, nullptr), ++changed)
            WriteNote(cursor, oid, u"Changed on the handheld " + std::u16string(1, u'0' + changed),
                      1, u"");
        CloseHandle(cursor);
        auto store = outlook::MessageStore::Open(m.desktop + "/outlook.db");
        for (std::size_t i = 0; i < kChanged / 2; ++i) {
            store.value()->Count();
            auto note = store.value()->CachedAt(i * 7);
            outlook::Note edited = *note.value();
            edited.body = u"Changed on the desktop " + std::u16string(1, u'0' + i);
            store.value()->Update(edited, outlook::NowAsDate());
        }
    });
}

} // namespace

int main(int argc, char** argv) {
    // The machines' folders are private, as jsync makes them.
    umask(077);
    // --large adds 100,000 notes to the first synchronization from the
    // handheld and to the pass with nothing changed (tens of minutes).
    bool large = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--large") == 0)
            large = true;
        else if (std::strncmp(argv[i], "--build=", 8) == 0)
            g_build = argv[i] + 8;
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    auto sizes = [&](benchmark::internal::Benchmark* b, bool grows) {
        b->Arg(1000)->Arg(10000);
        if (grows && large)
            b->Arg(100000);
        b->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
    };
    sizes(benchmark::RegisterBenchmark("FirstSyncHandheldToDesktop", FirstSyncHandheldToDesktop),
          true);
    sizes(benchmark::RegisterBenchmark("FirstSyncDesktopToHandheld", FirstSyncDesktopToHandheld),
          false);
    sizes(benchmark::RegisterBenchmark("InStepNothingChanged", InStepNothingChanged), true);
    sizes(benchmark::RegisterBenchmark("InStepTenChanged", InStepTenChanged), false);
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(Root());
    return 0;
}
