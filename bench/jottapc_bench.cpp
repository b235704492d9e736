// The desktop store at scale: enumeration (FindFirstItem/FindNextItem) of
// 10,000 Outlook notes, and RemoveDuplicates over 10,000 notes of which 1,000
// repeat another, each beside the direct outlook.db read of the same rows.
//
//   build-pc-release/bench/jottapc_bench
//
// The store is made as the desktop service manager makes it: CoCreateInstance
// of the registered class, the library and the Outlook stand-in loaded with
// dlopen from a fresh desktop directory.
#include "desktop/sync/jottapc.h"
#include "peers/outlook/registration.h"
#include "platform/activesync/replstore.h"
#include "platform/base/kernel.h"
#include "platform/com/objbase.h"
#include "platform/win32/machine.h"
#include "platform/win32/registry.h"
#include "platform/win32/variant_time.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kNotes = 10000;
constexpr int kDuplicates = 1000;

class BenchNotify final : public IReplNotify {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT SetStatusText(LPSTR) override { return S_OK; }
    HWND GetWindow(UINT) override { return nullptr; }
    HRESULT OnItemNotify(UINT, LPSTR, LPSTR, HREPLITEM, ULONG) override { return S_OK; }
    HRESULT QueryDevice(UINT, void** ppvData) override {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\JotterwickBench\\Device", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return E_FAIL;
        *ppvData = key;
        return S_OK;
    }
};

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "jottapc_bench: %s failed\n", what);
        std::exit(1);
    }
}

void SetText(HKEY root, const std::string& path, const std::string& text) {
    HKEY key = nullptr;
    Check(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) == ERROR_SUCCESS,
          "registry");
    RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "jottapc_bench: %s: %s\n", sql, error);
        std::exit(1);
    }
}

std::vector<unsigned char> Utf16(const std::string& text) {
    std::vector<unsigned char> bytes;
    for (char c : text) {
        bytes.push_back(static_cast<unsigned char>(c));
        bytes.push_back(0);
    }
    return bytes;
}

// A desktop with both servers registered, a store initialized on it, and
// direct access to outlook.db for seeding and for the limit.
class Desktop {
public:
    Desktop() {
        m_directory =
            (std::filesystem::temp_directory_path() / ("jottapc-bench-" + std::to_string(getpid())))
                .string();
        std::filesystem::remove_all(m_directory);
        win32::SetDesktopDirectory(m_directory);
        SetText(HKEY_CLASSES_ROOT, "Jotterwick.WinCE.Jotterwick\\CLSID",
                "{6A1F3C52-8E4B-4D7A-9B21-5C0E7D3F9A14}");
        SetText(HKEY_CLASSES_ROOT, "CLSID\\{6A1F3C52-8E4B-4D7A-9B21-5C0E7D3F9A14}\\InprocServer32",
                JOTTAPC_LIBRARY);
        Check(outlook::RegisterServer(OUTLOOK_LIBRARY), "Outlook registration");
        CLSID clsid{};
        Check(SUCCEEDED(CLSIDFromProgID(u"Jotterwick.WinCE.Jotterwick", &clsid)), "ProgID");
        Check(SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IReplStore,
                                         reinterpret_cast<void**>(&store))),
              "CoCreateInstance");
        // Outlook makes its store here.
        Check(store->Initialize(&m_notify, ISF_SELECTED_DEVICE) == S_OK, "Initialize");
        Check(sqlite3_open((m_directory + "/outlook.db").c_str(), &db) == SQLITE_OK, "outlook.db");
        sqlite3_busy_timeout(db, 10000);
        Seed(kNotes - kDuplicates, "unique");
        Seed(kDuplicates, "unique"); // the same bodies again: 1,000 duplicates
    }
    ~Desktop() {
        sqlite3_close(db);
        store->Release();
        std::filesystem::remove_all(m_directory);
    }

    // Appends `count` notes whose bodies repeat from "prefix 0" on.
    void Seed(int count, const std::string& prefix) {
        Exec(db, "BEGIN IMMEDIATE");
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO notes(entry_id, body, categories, color, created, "
                           "modified) VALUES (?1, ?2, ?3, ?4, ?5, ?5)",
                           -1, &insert, nullptr);
        const double date = 46000.5;
        std::int64_t bits = 0;
        std::memcpy(&bits, &date, sizeof bits);
        for (int i = 0; i < count; ++i) {
            char id[49];
            for (int d = 0; d < 48; ++d)
                id[d] = "0123456789ABCDEF"[m_random() & 0xF];
            id[48] = '\0';
            const auto body = Utf16(prefix + " note " + std::to_string(i) + "\r\nsecond line");
            const auto categories = Utf16(i % 3 == 0 ? "Work, Home" : "Work");
            sqlite3_bind_text(insert, 1, id, 48, SQLITE_TRANSIENT);
            sqlite3_bind_blob(insert, 2, body.data(), static_cast<int>(body.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_blob(insert, 3, categories.data(), static_cast<int>(categories.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 4, i % 5);
            sqlite3_bind_int64(insert, 5, bits);
            Check(sqlite3_step(insert) == SQLITE_DONE, "seeding");
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        Exec(db, "COMMIT");
    }

    // Puts back the 1,000 duplicates a removal took, so that every case,
    // in whatever order the cases run, starts from the same 10,000 notes.
    void Refill() {
        if (Count() < kNotes)
            Seed(kDuplicates, "unique");
        Check(Count() == kNotes, "10,000 notes before the case");
    }

    int Count() {
        sqlite3_stmt* count = nullptr;
        sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM notes", -1, &count, nullptr);
        sqlite3_step(count);
        const int n = sqlite3_column_int(count, 0);
        sqlite3_finalize(count);
        return n;
    }

    IReplStore* store = nullptr;
    sqlite3* db = nullptr;

private:
    std::string m_directory;
    BenchNotify m_notify;
    std::mt19937_64 m_random{20261207};
};

Desktop& TheDesktop() {
    static Desktop desktop;
    return desktop;
}

void BM_Enumerate(benchmark::State& state) {
    TheDesktop().Refill();
    IReplStore* store = TheDesktop().store;
    int handed = 0;
    for (auto _ : state) {
        handed = 0;
        HREPLITEM item = nullptr;
        BOOL exists = FALSE;
        store->FindFirstItem(nullptr, &item, &exists);
        while (exists) {
            ++handed;
            store->FreeObject(item);
            store->FindNextItem(nullptr, &item, &exists);
        }
        store->FindItemClose(nullptr);
    }
    Check(handed == kNotes, "enumeration of every note");
    state.counters["notes"] = handed;
}
BENCHMARK(BM_Enumerate)->Unit(benchmark::kMillisecond)->Iterations(5);

// The limit: the same rows straight from outlook.db, each EntryID and time
// turned into what a handle holds, in EntryID order.
void BM_EnumerateDirectRead(benchmark::State& state) {
    TheDesktop().Refill();
    sqlite3* db = TheDesktop().db;
    for (auto _ : state) {
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "SELECT entry_id, modified FROM notes ORDER BY entry_id", -1,
                           &select, nullptr);
        int rows = 0;
        while (sqlite3_step(select) == SQLITE_ROW) {
            char key[141] = {};
            std::strncpy(key, reinterpret_cast<const char*>(sqlite3_column_text(select, 0)), 140);
            const std::int64_t bits = sqlite3_column_int64(select, 1);
            double date = 0;
            std::memcpy(&date, &bits, sizeof date);
            SYSTEMTIME systemTime;
            FILETIME fileTime;
            VariantTimeToSystemTime(date, &systemTime);
            SystemTimeToFileTime(&systemTime, &fileTime);
            benchmark::DoNotOptimize(key);
            benchmark::DoNotOptimize(fileTime);
            ++rows;
        }
        sqlite3_finalize(select);
        Check(rows == kNotes, "direct read of every note");
    }
}
BENCHMARK(BM_EnumerateDirectRead)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RemoveDuplicates(benchmark::State& state) {
    Desktop& desktop = TheDesktop();
    for (auto _ : state) {
        state.PauseTiming();
        desktop.Refill();
        state.ResumeTiming();
        desktop.store->RemoveDuplicates(nullptr, 0);
    }
    Check(desktop.Count() == kNotes - kDuplicates, "1,000 duplicates removed");
}
BENCHMARK(BM_RemoveDuplicates)->Unit(benchmark::kMillisecond)->Iterations(3);

// The limit: the three compared properties of every row, straight from outlook.db.
void BM_RemoveDuplicatesDirectRead(benchmark::State& state) {
    TheDesktop().Refill();
    sqlite3* db = TheDesktop().db;
    for (auto _ : state) {
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "SELECT body, categories, color FROM notes ORDER BY sequence", -1,
                           &select, nullptr);
        std::size_t bytes = 0;
        while (sqlite3_step(select) == SQLITE_ROW)
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(select, 0) +
                                              sqlite3_column_bytes(select, 1));
        benchmark::DoNotOptimize(bytes);
        sqlite3_finalize(select);
    }
}
BENCHMARK(BM_RemoveDuplicatesDirectRead)->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor of the deletions: 1,000 rows deleted straight from outlook.db,
// one durable transaction each, as Outlook deletes one note per call.
void BM_RemoveDuplicatesDirectDelete(benchmark::State& state) {
    Desktop& desktop = TheDesktop();
    Exec(desktop.db, "PRAGMA synchronous=FULL");
    for (auto _ : state) {
        state.PauseTiming();
        desktop.Refill();
        state.ResumeTiming();
        sqlite3_stmt* remove = nullptr;
        sqlite3_prepare_v2(desktop.db,
                           "DELETE FROM notes WHERE sequence = (SELECT MAX(sequence) FROM notes)",
                           -1, &remove, nullptr);
        for (int i = 0; i < kDuplicates; ++i) {
            Check(sqlite3_step(remove) == SQLITE_DONE, "direct delete");
            sqlite3_reset(remove);
        }
        sqlite3_finalize(remove);
    }
}
BENCHMARK(BM_RemoveDuplicatesDirectDelete)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
