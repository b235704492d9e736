// The notes program at scale: refilling the note list (the list view's
// OnUpdate) over 10,000 notes (or --notes=N) in each sort order, and loading
// a 64 KB note into the editor; beside each, the limits: a plain cursor walk
// reading every note in the same order, the same rows read straight from the
// store file with SQLite, and a plain read of the 64 KB note. The refill's
// two halves apart: its pass over the notes, and the list box's lines.
//
//   cmake -S . -B build-jotta-rel -DCMAKE_BUILD_TYPE=RelWithDebInfo
//   cmake --build build-jotta-rel --target jotta_bench -j2
//   build-jotta-rel/bench/jotta_bench --benchmark_repetitions=3
//   (100,000 notes: 'TMPDIR=/dev/shm ... --notes=100000 --benchmark_filter=Refill|Walk')
#include "device/app/jotta_app.h"
#include "device/app/jotta_doc.h"
#include "device/app/jotta_list_view.h"
#include "device/app/jotta_view.h"
#include "device/app/resource.h"
#include "platform/ce/machine.h"
#include "platform/ce/registry.h"
#include "platform/mfc/frame_wnd.h"

#include "bench/bench_notes.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

using bench::Notes;
using bench::NoteText;
constexpr std::size_t kLargeNote = 64 * 1024 / sizeof(char16_t); // 64 KB of text

// A handheld with Notes() notes and one large one, and the program running on it.
struct Program {
    std::string dir;
    CEOID largeNote = 0;
    std::unique_ptr<CJottaApp> app;
    CJottaDoc* doc = nullptr;
    CJottaListView* list = nullptr;
    CJottaView* editor = nullptr;

    Program() {
        dir = bench::MakeFolder("jotterwick-jotta-bench");
        ce::SetHandheldDirectory(dir + "/handheld");
        CEOID oidDb = 0;
        HANDLE cursor = OpenNoteDatabase(&oidDb);
        for (int i = 0; i < Notes(); ++i) {
            const CEOID oid = AddNewNote(cursor, i % 5, u"");
            WriteNote(cursor, oid, NoteText(i), i % 5, u"");
        }
        largeNote = AddNewNote(cursor, NoteYellow, u"");
        WriteNote(cursor, largeNote, u"Large\r\n" + std::u16string(kLargeNote - 7, u'L'),
                  NoteYellow, u"");
        CloseHandle(cursor);

        // No banner: the counter is past its showing.
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Jotterwick\\Quillmarks\\Common", 0, nullptr,
                        0, 0, nullptr, &key, nullptr);
        const DWORD count = 3;
        RegSetValueExW(key, u"BannerCount", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                       sizeof count);
        RegCloseKey(key);

        app = std::make_unique<CJottaApp>();
        app->InitInstance();
        doc =
            static_cast<CJottaDoc*>(static_cast<CFrameWnd*>(app->m_pMainWnd)->GetActiveDocument());
        list = doc->FindListView();
        editor = doc->FindEditorView();
    }
    ~Program() {
        app.reset();
        std::filesystem::remove_all(dir);
    }
    void Sort(NoteSortOrder sort) {
        app->m_pMainWnd->SendMessage(WM_COMMAND, ID_SORT_SUBJECT + sort, 0);
    }
};

Program& TheProgram() {
    static Program program;
    return program;
}

void BM_ListRefill(benchmark::State& state) {
    Program& p = TheProgram();
    p.Sort(static_cast<NoteSortOrder>(state.range(0)));
    for (auto _ : state)
        p.list->OnUpdate(nullptr, 0, nullptr);
    state.counters["lines"] = p.list->List().GetCount();
    state.SetItemsProcessed(state.iterations() * p.list->List().GetCount());
}
BENCHMARK(BM_ListRefill)->ArgName("sort")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The refill's pass over the notes alone, without the list box.
void BM_FillNoteList(benchmark::State& state) {
    Program& p = TheProgram();
    p.Sort(static_cast<NoteSortOrder>(state.range(0)));
    int lines = 0;
    for (auto _ : state) {
        NoteTitles titles;
        std::vector<CEOID> ids;
        lines = p.doc->FillNoteList(titles, ids);
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_FillNoteList)->ArgName("sort")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The refill's lines alone: the list box emptied and filled from titles read once.
void BM_ListLines(benchmark::State& state) {
    Program& p = TheProgram();
    p.Sort(static_cast<NoteSortOrder>(state.range(0)));
    NoteTitles titles;
    std::vector<CEOID> ids;
    p.doc->FillNoteList(titles, ids);
    for (auto _ : state) {
        p.list->List().ResetContent();
        p.list->AddLines(titles, ids, 0);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(titles.size()));
}
BENCHMARK(BM_ListLines)->ArgName("sort")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The limit: the display cursor's order, every record read once.
void BM_CursorWalk(benchmark::State& state) {
    TheProgram();
    CEOID oid = 0;
    HANDLE cursor = CeOpenDatabase(&oid, kNoteDatabaseName,
                                   SortPropertyOf(static_cast<NoteSortOrder>(state.range(0))),
                                   CEDB_AUTOINCREMENT, nullptr);
    NoteRecordProps record;
    int read = 0;
    for (auto _ : state) {
        read = 0;
        CeSeekDatabase(cursor, CEDB_SEEK_BEGINNING, 0, nullptr);
        while (record.ReadCurrent(cursor) != 0)
            ++read;
    }
    state.counters["records"] = read;
    state.SetItemsProcessed(state.iterations() * read);
    CloseHandle(cursor);
}
BENCHMARK(BM_CursorWalk)->ArgName("sort")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The limit below the platform: the same records, in the same order, read
// straight from the handheld's store file with one SQLite statement.
void BM_DirectWalk(benchmark::State& state) {
    const Program& p = TheProgram();
    sqlite3* db = nullptr;
    const std::string path = p.dir + "/handheld/objectstore.db";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        state.SkipWithError("cannot open the store");
        return;
    }
    // The sort-key column of the order: the slot the database gave its property.
    const CEPROPID sort = SortPropertyOf(static_cast<NoteSortOrder>(state.range(0)));
    std::string column = "oid";
    sqlite3_stmt* slots = nullptr;
    sqlite3_prepare_v2(db, "SELECT oid, p0, p1, p2, p3 FROM ce_databases", -1, &slots, nullptr);
    std::int64_t database = 0;
    while (sqlite3_step(slots) == SQLITE_ROW)
        for (int slot = 0; slot < 4; ++slot)
            if (sqlite3_column_int64(slots, 1 + slot) == sort) {
                database = sqlite3_column_int64(slots, 0);
                column = "k" + std::to_string(slot);
            }
    sqlite3_finalize(slots);
    const std::string sql =
        "SELECT oid, props FROM ce_records WHERE db=?1 ORDER BY " + column + ", oid";
    int read = 0;
    for (auto _ : state) {
        sqlite3_stmt* walk = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &walk, nullptr);
        sqlite3_bind_int64(walk, 1, database);
        std::size_t bytes = 0;
        read = 0;
        while (sqlite3_step(walk) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_int64(walk, 0));
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(walk, 1));
            ++read;
        }
        sqlite3_finalize(walk);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_close(db);
    if (read != Notes() + 1)
        state.SkipWithError("the walk missed records");
    state.counters["records"] = read;
    state.SetItemsProcessed(state.iterations() * read);
}
BENCHMARK(BM_DirectWalk)->ArgName("sort")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_EditorLoad64K(benchmark::State& state) {
    Program& p = TheProgram();
    p.doc->SeekNote(p.largeNote);
    for (auto _ : state) {
        p.doc->m_loadedNote = kNoLoadedNote;
        p.editor->OnUpdate(nullptr, 0, nullptr);
    }
    state.counters["chars"] = p.editor->GetWindowTextLength();
}
BENCHMARK(BM_EditorLoad64K)->Unit(benchmark::kMicrosecond);

// The limit: reading the same note from the database.
void BM_ReadNote64K(benchmark::State& state) {
    Program& p = TheProgram();
    NoteContents contents;
    for (auto _ : state)
        p.doc->ReadNote(p.largeNote, &contents);
    state.counters["chars"] = static_cast<double>(contents.text.size());
}
BENCHMARK(BM_ReadNote64K)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return bench::Run(argc, argv);
}
