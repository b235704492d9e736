// The Outlook stand-in at scale: walking 10,000 notes through automation
// (Items.Count, Item(i), EntryID and LastModificationTime of each), beside
// the direct outlook.db read of the same rows.
//
//   build-com-release/bench/outlook_bench
#include "peers/outlook/automation_client.h"
#include "peers/outlook/dispatch_ids.h"
#include "peers/outlook/message_store.h"
#include "peers/outlook/registration.h"
#include "platform/win32/machine.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kNotes = 10000;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "outlook_bench: %s failed\n", what);
        std::exit(1);
    }
}

// A desktop with kNotes notes, made once per run and removed at its end.
struct TemporaryDesktop {
    std::string directory;
    TemporaryDesktop() {
        char pattern[] = "/tmp/outlook-bench-XXXXXX";
        Check(mkdtemp(pattern) != nullptr, "mkdtemp");
        directory = pattern;
        win32::SetDesktopDirectory(directory);
        Check(outlook::RegisterServer(OUTLOOK_LIBRARY), "RegisterServer");
        auto store = outlook::MessageStore::ForCurrentDesktop();
        Check(store.ok(), "opening outlook.db");
        for (int i = 0; i < kNotes; ++i) {
            outlook::Note note;
            note.body = u"Note " + std::u16string(1, char16_t(u'A' + i % 26));
            Check(store.value()->Insert(note, 48, 36526.0 + i / 86400.0).ok(), "Insert");
        }
    }
    ~TemporaryDesktop() { std::filesystem::remove_all(directory); }
};

const std::string& Desktop() {
    static const TemporaryDesktop desktop;
    return desktop.directory;
}

void AutomationWalk(benchmark::State& state) {
    Desktop();
    outlook::AutomationObject application, nameSpace, folder, items;
    outlook::CallError error;
    Check(SUCCEEDED(outlook::CreateOutlookApplication(&application)), "CreateOutlookApplication");
    Check(SUCCEEDED(application.InvokeObject(outlook::kGetNamespace, DISPATCH_METHOD,
                                             {outlook::TextArgument(u"MAPI")}, &nameSpace, &error)),
          "GetNamespace");
    Check(SUCCEEDED(nameSpace.InvokeObject(outlook::kGetDefaultFolder, DISPATCH_METHOD,
                                           {outlook::LongArgument(12)}, &folder, &error)),
          "GetDefaultFolder");
    Check(SUCCEEDED(folder.InvokeObject(outlook::kItems, DISPATCH_PROPERTYGET, {}, &items, &error)),
          "Items");
    for (auto _ : state) {
        LONG count = 0;
        Check(SUCCEEDED(items.GetLong(outlook::kCount, &count, &error)), "Count");
        std::size_t characters = 0;
        for (LONG i = 1; i <= count; ++i) {
            outlook::AutomationObject item;
            items.InvokeObject(outlook::kItem, DISPATCH_METHOD, {outlook::LongArgument(i)}, &item,
                               &error);
            std::u16string entryId;
            DATE modified = 0;
            item.GetText(outlook::kEntryID, &entryId, &error);
            item.GetDate(outlook::kLastModificationTime, &modified, &error);
            characters += entryId.size();
        }
        Check(count == kNotes && characters == 48u * kNotes, "the walk");
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}

void DirectRead(benchmark::State& state) {
    const std::string path = Desktop() + "/outlook.db";
    sqlite3* db = nullptr;
    Check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK, "open");
    for (auto _ : state) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT entry_id, modified FROM notes ORDER BY sequence", -1,
                           &statement, nullptr);
        int rows = 0;
        std::size_t characters = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            std::u16string entryId(text, text + sqlite3_column_bytes(statement, 0));
            benchmark::DoNotOptimize(sqlite3_column_int64(statement, 1));
            characters += entryId.size();
            ++rows;
        }
        sqlite3_finalize(statement);
        Check(rows == kNotes && characters == 48u * kNotes, "the read");
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kNotes);
}

BENCHMARK(AutomationWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(DirectRead)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
