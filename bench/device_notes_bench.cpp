// The note database at scale: 10,000 notes (or --notes=N) walked in each sort order, sought
// by identifier, turned into packets, and asked about by ObjectNotify; each
// beside the same work done directly with SQLite, which is the limit.
//
//   build/release/bench/device_notes_bench --benchmark_min_time=1
//   (100,000 notes: 'TMPDIR=/dev/shm ... --notes=100000 --benchmark_filter=Walk|Seek|Packets')
#include "device/app/note_store.h"
#include "device/sync/jottadev.h"
#include "platform/ce/machine.h"
#include "shared/notes/note_packet.h"

#include "bench/bench_notes.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using bench::Notes;
using bench::NoteText;

// The object store, filled once with Notes() notes.
struct Store {
    std::string dir;
    CEOID oidDb = 0;
    std::vector<CEOID> oids;

    Store() {
        dir = bench::MakeFolder("jotterwick-bench");
        ce::SetHandheldDirectory(dir + "/handheld");
        HANDLE cursor = OpenNoteDatabase(&oidDb);
        for (int i = 0; i < Notes(); ++i) {
            const CEOID oid = AddNewNote(cursor, i % 5, i % 3 ? u"Work\n" : u"");
            WriteNote(cursor, oid, NoteText(i), i % 5, i % 3 ? u"Work\n" : u"");
            oids.push_back(oid);
        }
        CloseHandle(cursor);
    }
    ~Store() { std::filesystem::remove_all(dir); }
};

Store& TheStore() {
    static Store store;
    return store;
}

// The same notes in a plain SQLite table with one index per sort order.
struct DirectTable {
    sqlite3* db = nullptr;
    std::string path;

    DirectTable() {
        path = TheStore().dir + "/direct.db";
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                     "CREATE TABLE notes(oid INTEGER PRIMARY KEY, title TEXT, created INTEGER,"
                     " modified INTEGER, props BLOB);"
                     "CREATE INDEX by_title ON notes(title, oid);"
                     "CREATE INDEX by_created ON notes(created DESC, oid);"
                     "CREATE INDEX by_modified ON notes(modified DESC, oid);",
                     nullptr, nullptr, nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO notes VALUES(?,?,?,?,?)", -1, &insert, nullptr);
        for (int i = 0; i < Notes(); ++i) {
            const std::u16string text = NoteText(i);
            const std::u16string title = NoteTitleOf(text);
            sqlite3_bind_int(insert, 1, i + 1);
            sqlite3_bind_text16(insert, 2, title.data(), title.size() * 2, SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert, 3, 1000000 + i);
            sqlite3_bind_int64(insert, 4, 2000000 + i);
            sqlite3_bind_blob(insert, 5, text.data(), text.size() * 2 + 60, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    ~DirectTable() { sqlite3_close(db); }
};

DirectTable& TheTable() {
    static DirectTable table;
    return table;
}

const CEPROPID kSorts[] = {PROPID_NOTE_TITLE, PROPID_NOTE_MODIFIED, PROPID_NOTE_CREATED};
const char* kOrderBy[] = {"title, oid", "modified DESC, oid", "created DESC, oid"};

void WalkSorted(benchmark::State& state) {
    TheStore();
    const CEPROPID sort = kSorts[state.range(0)];
    for (auto _ : state) {
        CEOID oid = 0;
        HANDLE h = CeOpenDatabase(&oid, kNoteDatabaseName, sort, 0, nullptr);
        NoteRecordProps record;
        int read = 0;
        for (CEOID at = CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr); at != 0;
             at = CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr))
            read += record.ReadCurrent(h) != 0;
        CloseHandle(h);
        if (read != Notes())
            state.SkipWithError("walk missed notes");
    }
    state.SetItemsProcessed(state.iterations() * Notes());
}
BENCHMARK(WalkSorted)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void DirectWalkSorted(benchmark::State& state) {
    sqlite3* db = TheTable().db;
    const std::string sql = std::string("SELECT oid, title, created, modified, props FROM notes "
                                        "ORDER BY ") +
                            kOrderBy[state.range(0)];
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
        size_t bytes = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            bytes += sqlite3_column_bytes(stmt, 4);
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * Notes());
}
BENCHMARK(DirectWalkSorted)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void SeekRandom(benchmark::State& state) {
    const auto& oids = TheStore().oids;
    std::mt19937 random(7);
    CEOID oid = 0;
    HANDLE h = CeOpenDatabase(&oid, kNoteDatabaseName, 0, 0, nullptr);
    for (auto _ : state) {
        for (int i = 0; i < Notes(); ++i)
            benchmark::DoNotOptimize(
                CeSeekDatabase(h, CEDB_SEEK_CEOID, oids[random() % oids.size()], nullptr));
    }
    CloseHandle(h);
    state.SetItemsProcessed(state.iterations() * Notes());
}
BENCHMARK(SeekRandom)->Unit(benchmark::kMillisecond);

void DirectSeekRandom(benchmark::State& state) {
    sqlite3* db = TheTable().db;
    std::mt19937 random(7);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT oid FROM notes WHERE oid = ?", -1, &stmt, nullptr);
    for (auto _ : state) {
        for (int i = 0; i < Notes(); ++i) {
            sqlite3_bind_int(stmt, 1, static_cast<int>(random() % Notes()) + 1);
            benchmark::DoNotOptimize(sqlite3_step(stmt));
            sqlite3_reset(stmt);
        }
    }
    sqlite3_finalize(stmt);
    state.SetItemsProcessed(state.iterations() * Notes());
}
BENCHMARK(DirectSeekRandom)->Unit(benchmark::kMillisecond);

// A DeviceNotePacket for every note, through the handler as the manager asks.
void BuildPackets(benchmark::State& state) {
    const auto& oids = TheStore().oids;
    IReplObjHandler* handler = nullptr;
    InitObjType(const_cast<LPWSTR>(u"Jotterwick"), &handler, 1);
    REPLSETUP setup{};
    setup.fRead = TRUE;
    handler->Setup(&setup);
    for (auto _ : state) {
        for (CEOID oid : oids) {
            setup.oid = oid;
            LPBYTE data = nullptr;
            DWORD size = 0;
            if (handler->GetPacket(&data, &size, 0) != RWRN_LAST_PACKET)
                state.SkipWithError("no packet");
        }
    }
    handler->Release();
    InitObjType(nullptr, nullptr, 0);
    state.SetItemsProcessed(state.iterations() * Notes());
}
BENCHMARK(BuildPackets)->Unit(benchmark::kMillisecond);

// The limit of a packet: the row read by identifier and its text copied into
// a DeviceNotePacket of its size.
void DirectBuildPackets(benchmark::State& state) {
    sqlite3* db = TheTable().db;
    sqlite3_stmt* read = nullptr;
    sqlite3_prepare_v2(db, "SELECT props FROM notes WHERE oid = ?", -1, &read, nullptr);
    std::vector<BYTE> block;
    for (auto _ : state) {
        for (int oid = 1; oid <= Notes(); ++oid) {
            sqlite3_bind_int(read, 1, oid);
            sqlite3_step(read);
            const auto* text = static_cast<const char16_t*>(sqlite3_column_blob(read, 0));
            const std::u16string_view note(text, sqlite3_column_bytes(read, 0) / 2);
            block.assign(notepacket::DeviceNotePacketSize(5, note.size()), 0);
            notepacket::WriteDeviceNotePacket(block.data(), 3, u"Work\n", note);
            sqlite3_reset(read);
        }
    }
    sqlite3_finalize(read);
    state.SetItemsProcessed(state.iterations() * Notes());
}
BENCHMARK(DirectBuildPackets)->Unit(benchmark::kMillisecond);

// ObjectNotify for every note, one notification each, as a synchronization asks.
void NotifyEveryNote(benchmark::State& state) {
    Store& store = TheStore();
    IReplObjHandler* handler = nullptr;
    InitObjType(const_cast<LPWSTR>(u"Jotterwick"), &handler, 1);
    for (auto _ : state) {
        for (CEOID oid : store.oids) {
            OBJNOTIFY n{};
            n.cbStruct = sizeof n;
            n.uFlags = ONF_RECORD | ONF_CHANGED;
            n.oidObject = oid;
            n.oidInfo.infRecord.oidParent = store.oidDb;
            if (!ObjectNotify(&n))
                state.SkipWithError("note not of interest");
        }
    }
    handler->Release();
    InitObjType(nullptr, nullptr, 0);
    state.SetItemsProcessed(state.iterations() * Notes());
}
BENCHMARK(NotifyEveryNote)->Unit(benchmark::kMillisecond)->Iterations(1);

// The limit of a notification: read the row and rewrite it, one durable
// transaction per note. The rewrite changes a column, as the store's own
// rewrite stamps a change sequence, so every commit really reaches the disk.
void DirectReadRewrite(benchmark::State& state) {
    sqlite3* db = TheTable().db;
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* write = nullptr;
    sqlite3_prepare_v2(db, "SELECT props FROM notes WHERE oid = ?", -1, &read, nullptr);
    sqlite3_prepare_v2(db, "UPDATE notes SET props = ?, modified = modified + 1 WHERE oid = ?", -1,
                       &write, nullptr);
    for (auto _ : state) {
        for (int oid = 1; oid <= Notes(); ++oid) {
            sqlite3_bind_int(read, 1, oid);
            sqlite3_step(read);
            const std::string props(static_cast<const char*>(sqlite3_column_blob(read, 0)),
                                    sqlite3_column_bytes(read, 0));
            sqlite3_reset(read);
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            sqlite3_bind_blob(write, 1, props.data(), props.size(), SQLITE_STATIC);
            sqlite3_bind_int(write, 2, oid);
            sqlite3_step(write);
            sqlite3_reset(write);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }
    }
    sqlite3_finalize(read);
    sqlite3_finalize(write);
    state.SetItemsProcessed(state.iterations() * Notes());
}
BENCHMARK(DirectReadRewrite)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return bench::Run(argc, argv);
}
