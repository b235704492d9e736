// The notes program's longer commands at scale, each beside the work it
// cannot do without:
//   Find Next of a text that no note holds, over 10,000 notes of about 300
//     characters (the walk through every note to "Not Found"), beside the
//     same texts read from a plain SQLite table in the same order and
//     lower-cased;
//   Print of a note of 1 MB of text to a PDF file, beside cairo drawing the
//     same characters in lines of the same length on pages of the same size
//     in the same font, with no layout of ours;
//   Import and Export of a 1 MB text file (code page 1252), beside the
//     code-page conversion of the same text alone; and the refresh of the
//     note list that Import does whatever the file's size.
// The commands run as the person gives them; the scripted user answers the
// file and print dialogs and the "Not Found" box.
//
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=RelWithDebInfo
//   cmake --build build-release --target jotta_commands_bench -j2
//   build-release/bench/jotta_commands_bench --benchmark_repetitions=5
//       --benchmark_format=json | python3 bench/min_median.py   (one line)
#include "device/app/jotta_app.h"
#include "device/app/jotta_doc.h"
#include "device/app/jotta_view.h"
#include "device/app/resource.h"
#include "platform/base/case_fold.h"
#include "platform/base/unicode.h"
#include "platform/ce/code_page.h"
#include "platform/ce/machine.h"
#include "platform/ce/registry.h"
#include "platform/mfc/frame_wnd.h"
#include "platform/ui/headless/scripted_user.h"

#include <benchmark/benchmark.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <sqlite3.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kNotes = 10000;
constexpr std::size_t kLargeText = 1 << 20; // 1 MB: characters, and bytes in code page 1252
constexpr char16_t kCaption[] = u"Quillmarks";
constexpr char16_t kMissing[] = u"zebra crossing";

const char16_t* const kWords[] = {u"notes", u"Café", u"meeting",   u"résumé", u"tomorrow",
                                  u"the",   u"list", u"Übersicht", u"of",     u"and",
                                  u"call",  u"Bob",  u"naïve",     u"plan",   u"garden"};

// Words of the list from `seed` on, as prose of `length` characters in lines
// of about 70 (CR LF between lines).
std::u16string Prose(std::size_t length, std::size_t seed) {
    std::u16string text;
    std::size_t line = 0;
    for (std::size_t w = seed; text.size() < length; w = w * 7 + 3) {
        const std::u16string word = kWords[w % std::size(kWords)];
        if (line + word.size() > 70) {
            text += u"\r\n";
            line = 0;
        } else if (line > 0) {
            text += u' ';
            ++line;
        }
        text += word;
        line += word.size();
    }
    text.resize(length);
    return text;
}

std::u16string NoteText(int i) {
    return u"Note " + unicode::ToUtf16(std::to_string(i)) + u"\r\n" +
           Prose(290, static_cast<std::size_t>(i));
}

// A handheld with kNotes notes (one large note is added for printing), and
// the program running on it.
struct Program {
    std::string dir;
    CEOID largeNote = 0;
    std::unique_ptr<CJottaApp> app;
    CJottaDoc* doc = nullptr;

    Program() {
        char pattern[] = "/tmp/jotterwick-commands-bench-XXXXXX";
        dir = mkdtemp(pattern);
        ce::SetHandheldDirectory(dir + "/handheld");
        CEOID oidDb = 0;
        HANDLE cursor = OpenNoteDatabase(&oidDb);
        for (int i = 0; i < kNotes; ++i) {
            const CEOID oid = AddNewNote(cursor, i % 5, u"");
            WriteNote(cursor, oid, NoteText(i), i % 5, u"");
        }
        CloseHandle(cursor);
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Jotterwick\\Quillmarks\\Common", 0, nullptr,
                        0, 0, nullptr, &key, nullptr);
        const DWORD count = 3; // no sponsor banner
        RegSetValueExW(key, u"BannerCount", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                       sizeof count);
        RegCloseKey(key);
        app = std::make_unique<CJottaApp>();
        app->InitInstance();
        doc =
            static_cast<CJottaDoc*>(static_cast<CFrameWnd*>(app->m_pMainWnd)->GetActiveDocument());
    }
    ~Program() {
        app.reset();
        std::filesystem::remove_all(dir);
    }
    void Command(UINT id) { app->m_pMainWnd->SendMessage(WM_COMMAND, id, 0); }
    // The large note, made current (added at the first call).
    void ShowLargeNote() {
        if (largeNote == 0) {
            CEOID oidDb = 0;
            HANDLE cursor = OpenNoteDatabase(&oidDb);
            largeNote = AddNewNote(cursor, NoteYellow, u"");
            WriteNote(cursor, largeNote, u"Large\r\n" + Prose(kLargeText - 7, 1), NoteYellow, u"");
            CloseHandle(cursor);
        }
        doc->SeekNote(largeNote);
        doc->m_loadedNote = kNoLoadedNote;
        doc->UpdateAllViews(nullptr);
    }
};

Program& TheProgram() {
    static Program program;
    return program;
}

ui::ScriptedUser& User() {
    auto& user = ui::ScriptedUser::Instance();
    user.SetProblemHandler([](const std::string& problem) {
        std::fprintf(stderr, "scripted user: %s\n", problem.c_str());
        std::abort(); // a figure of a command that went another way is no figure
    });
    return user;
}

void BM_FindNextNotFound(benchmark::State& state) {
    Program& p = TheProgram();
    p.app->m_strLastFind = kMissing;
    auto& user = User();
    for (auto _ : state) {
        user.ExpectMessageBox(kCaption, u"Not Found", IDOK);
        p.Command(ID_EXTRAS_FINDNEXT);
    }
    state.counters["notes"] = kNotes;
}
BENCHMARK(BM_FindNextNotFound)->Unit(benchmark::kMillisecond);

// The limit: the same texts in a plain table, read in title order and
// lower-cased, each searched.
void BM_DirectLowerCaseScan(benchmark::State& state) {
    const Program& p = TheProgram();
    const std::string path = p.dir + "/plain.db";
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "DROP TABLE IF EXISTS notes; CREATE TABLE notes(title TEXT, body BLOB);"
                 "CREATE INDEX by_title ON notes(title); BEGIN",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO notes VALUES(?1, ?2)", -1, &insert, nullptr);
    for (int i = 0; i < kNotes; ++i) {
        const std::u16string text = NoteText(i);
        const std::string title = unicode::ToUtf8(text.substr(0, text.find(u'\r')));
        sqlite3_bind_text(insert, 1, title.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert, 2, text.data(), static_cast<int>(text.size() * 2),
                          SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const std::u16string needle = platform::LowerCase(kMissing);
    int read = 0;
    for (auto _ : state) {
        sqlite3_stmt* walk = nullptr;
        sqlite3_prepare_v2(db, "SELECT body FROM notes ORDER BY title", -1, &walk, nullptr);
        read = 0;
        bool found = false;
        while (sqlite3_step(walk) == SQLITE_ROW) {
            const auto* body = static_cast<const char16_t*>(sqlite3_column_blob(walk, 0));
            const auto units = static_cast<std::size_t>(sqlite3_column_bytes(walk, 0)) / 2;
            found |= platform::LowerCase(std::u16string_view(body, units)).find(needle) !=
                     std::u16string::npos;
            ++read;
        }
        sqlite3_finalize(walk);
        benchmark::DoNotOptimize(found);
    }
    sqlite3_close(db);
    if (read != kNotes)
        state.SkipWithError("the scan missed notes");
    state.counters["notes"] = read;
}
BENCHMARK(BM_DirectLowerCaseScan)->Unit(benchmark::kMillisecond);

std::size_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::size_t>(size);
}

void BM_PrintLargeNote(benchmark::State& state) {
    Program& p = TheProgram();
    p.ShowLargeNote();
    const std::u16string pdf = unicode::ToUtf16(p.dir + "/large.pdf");
    auto& user = User();
    for (auto _ : state) {
        user.ExpectDialog(u"Print", {{1001, pdf}}, IDOK);
        p.Command(ID_NOTE_PRINT);
    }
    state.counters["pdf_bytes"] = static_cast<double>(FileSize(unicode::ToUtf8(pdf)));
}
BENCHMARK(BM_PrintLargeNote)->Unit(benchmark::kMillisecond)->Iterations(1);

// The limit: cairo alone drawing the note's characters on A4 pages in the
// printer's geometry (300 dots an inch, a quarter inch margin) and font
// ("Courier" at the height the program asks for), cut into lines of as many
// characters as fit the width and as many lines as fit a page.
void BM_CairoDrawsTheSameLines(benchmark::State& state) {
    Program& p = TheProgram();
    constexpr double kPointsPerDot = 72.0 / 300;
    constexpr int kWide = 2480 - 150, kHigh = 3508 - 150; // printable dots of A4
    const double cellHeight = kWide * 12 / 600;           // the program's font height
    cairo_surface_t* probe = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* measure = cairo_create(probe);
    cairo_select_font_face(measure, "Courier", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(measure, 1000);
    cairo_font_extents_t unit{};
    cairo_font_extents(measure, &unit);
    const double size = cellHeight / ((unit.ascent + unit.descent) / 1000);
    cairo_set_font_size(measure, size);
    cairo_font_extents_t fe{};
    cairo_font_extents(measure, &fe);
    cairo_text_extents_t x{};
    cairo_text_extents(measure, "x", &x);
    cairo_destroy(measure);
    cairo_surface_destroy(probe);
    const auto perLine = static_cast<std::size_t>(kWide / x.x_advance);
    const double lineHeight = std::max(std::round(fe.ascent) + std::round(fe.descent), fe.height);
    const auto perPage = static_cast<std::size_t>(kHigh / lineHeight);
    // The note's text cut into lines, each line break a new line, outside the timing.
    std::vector<std::string> lines;
    const std::u16string text = u"Large\r\n" + Prose(kLargeText - 7, 1);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(u'\n', at);
        if (end == std::u16string::npos)
            end = text.size();
        for (std::size_t from = at; from < end; from += perLine)
            lines.push_back(unicode::ToUtf8(text.substr(from, std::min(perLine, end - from))));
        at = end + 1;
    }
    const std::string pdf = p.dir + "/cairo.pdf";
    for (auto _ : state) {
        cairo_surface_t* surface =
            cairo_pdf_surface_create(pdf.c_str(), 2480 * kPointsPerDot, 3508 * kPointsPerDot);
        cairo_t* page = cairo_create(surface);
        cairo_scale(page, kPointsPerDot, kPointsPerDot);
        cairo_translate(page, 75, 75);
        cairo_select_font_face(page, "Courier", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(page, size);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i > 0 && i % perPage == 0)
                cairo_show_page(page);
            cairo_move_to(page, 0, static_cast<double>(i % perPage) * lineHeight + fe.ascent);
            cairo_show_text(page, lines[i].c_str());
        }
        cairo_show_page(page);
        cairo_destroy(page);
        cairo_surface_finish(surface);
        cairo_surface_destroy(surface);
    }
    state.counters["lines"] = static_cast<double>(lines.size());
    state.counters["pages"] = static_cast<double>((lines.size() + perPage - 1) / perPage);
    state.counters["pdf_bytes"] = static_cast<double>(FileSize(pdf));
}
BENCHMARK(BM_CairoDrawsTheSameLines)->Unit(benchmark::kMillisecond)->Iterations(1);

// The 1 MB text file in code page 1252 (made once).
const std::string& TextFile() {
    static const std::string path = [] {
        const std::string file = TheProgram().dir + "/large.txt";
        std::ofstream(file, std::ios::binary) << ce::WideToAnsi(Prose(kLargeText, 2));
        return file;
    }();
    return path;
}

void BM_Import(benchmark::State& state) {
    Program& p = TheProgram();
    p.ShowLargeNote();
    auto& user = User();
    for (auto _ : state) {
        // Each import starts on a note as stored, so no "Save changes?" comes first.
        state.PauseTiming();
        p.doc->SetModifiedFlag(FALSE);
        state.ResumeTiming();
        user.ExpectOpenFile(u"Open", unicode::ToUtf16(TextFile()));
        p.Command(ID_EXTRAS_IMPORT);
    }
    state.counters["chars"] = p.doc->FindEditorView()->GetWindowTextLength();
}
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);

// The part of Import that grows with the notes, not with the file: the
// note list filled again, as Import refreshes every view but the editor.
void BM_ImportListRefresh(benchmark::State& state) {
    Program& p = TheProgram();
    for (auto _ : state)
        p.doc->UpdateAllViews(p.doc->FindEditorView());
    state.counters["notes"] = kNotes + 1;
}
BENCHMARK(BM_ImportListRefresh)->Unit(benchmark::kMillisecond);

void BM_CodePageToText(benchmark::State& state) {
    std::ifstream in(TextFile(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (auto _ : state)
        benchmark::DoNotOptimize(ce::AnsiToWide(bytes));
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_CodePageToText)->Unit(benchmark::kMillisecond);

void BM_Export(benchmark::State& state) {
    Program& p = TheProgram();
    auto& user = User();
    const std::string out = p.dir + "/export.txt";
    for (auto _ : state) {
        user.ExpectSaveFile(u"Save As", unicode::ToUtf16(out));
        p.Command(ID_EXTRAS_EXPORT);
        state.PauseTiming();
        std::filesystem::remove(out); // so that no replace question comes
        state.ResumeTiming();
    }
    state.counters["chars"] = p.doc->FindEditorView()->GetWindowTextLength();
}
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);

void BM_TextToCodePage(benchmark::State& state) {
    const std::u16string text = TheProgram().doc->FindEditorView()->GetWindowText();
    for (auto _ : state)
        benchmark::DoNotOptimize(ce::WideToAnsi(text));
    state.counters["chars"] = static_cast<double>(text.size());
}
BENCHMARK(BM_TextToCodePage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
