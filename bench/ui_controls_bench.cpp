// The controls the notes program leans on, at its sizes: the note list filled
// with 10,000 lines (as the list view refills it) and a 64 KB note put into the
// editor, with the limits beside them (the same texts copied into plain
// containers); and a 1 MB line without blanks laid out with word wrap, beside
// the same line without it.
//
//   cmake -S . -B build-ui-release -DCMAKE_BUILD_TYPE=RelWithDebInfo
//   cmake --build build-ui-release --target ui_controls_bench -j2
//   build-ui-release/bench/ui_controls_bench
#include "platform/ui/controls.h"
#include "platform/ui/winuser.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int kNotes = 10000;

std::vector<std::u16string> Titles() {
    std::vector<std::u16string> titles;
    for (int i = 0; i < kNotes; ++i) {
        const std::string t = "Note " + std::to_string((i * 7919) % kNotes) + " shopping list";
        titles.emplace_back(t.begin(), t.end());
    }
    return titles;
}

std::u16string BigNote() {
    std::u16string text;
    while (text.size() < 32 * 1024) // 64 KB of UTF-16
        text += u"The quick brown fox jumps over the lazy dog, line after line.\r\n";
    return text;
}

HWND Parent() {
    static HWND parent = [] {
        WNDCLASSW cls{};
        cls.lpfnWndProc = DefWindowProcW;
        cls.lpszClassName = u"BenchParent";
        RegisterClassW(&cls);
        return CreateWindowExW(0, u"BenchParent", u"", WS_OVERLAPPED, 0, 0, 640, 240, nullptr,
                               nullptr, nullptr, nullptr);
    }();
    return parent;
}

void ListFill(benchmark::State& state, DWORD style) {
    const auto titles = Titles();
    HWND list = CreateWindowExW(0, u"listbox", nullptr, WS_CHILD | WS_VSCROLL | LBS_NOTIFY | style,
                                0, 0, 150, 200, Parent(), nullptr, nullptr, nullptr);
    for (auto _ : state) {
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (int i = 0; i < kNotes; ++i) {
            const auto at =
                SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(titles[i].c_str()));
            SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(at), i + 1);
            if (i == kNotes / 2)
                SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
        }
        benchmark::DoNotOptimize(SendMessageW(list, LB_GETCURSEL, 0, 0));
    }
    DestroyWindow(list);
}

void ListFillUnsorted(benchmark::State& state) {
    ListFill(state, 0);
}
void ListFillSorted(benchmark::State& state) {
    ListFill(state, LBS_SORT);
}

void ListLimit(benchmark::State& state) {
    const auto titles = Titles();
    for (auto _ : state) {
        std::vector<std::pair<std::u16string, LPARAM>> lines;
        for (int i = 0; i < kNotes; ++i)
            lines.emplace_back(titles[i], i + 1);
        benchmark::DoNotOptimize(lines.data());
    }
}

void EditLoad(benchmark::State& state) {
    const auto text = BigNote();
    HWND edit = CreateWindowExW(0, u"edit", nullptr, 0x503000C4, 0, 0, 300, 200, Parent(), nullptr,
                                nullptr, nullptr);
    SendMessageW(edit, EM_LIMITTEXT, 1024 * 1024 - 1, 0);
    for (auto _ : state) {
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(edit, EM_SETMODIFY, FALSE, 0);
        UpdateWindow(edit);
    }
    DestroyWindow(edit);
}

void EditTypeAtEnd(benchmark::State& state) {
    const auto text = BigNote();
    HWND edit = CreateWindowExW(0, u"edit", nullptr, 0x50200044, 0, 0, 300, 200, Parent(), nullptr,
                                nullptr, nullptr);
    SendMessageW(edit, EM_LIMITTEXT, 1024 * 1024 - 1, 0);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(edit, EM_SETSEL, text.size(), text.size());
    for (auto _ : state) {
        SendMessageW(edit, WM_CHAR, u'x', 0); // word wrap on: the layout is worked out again
        SendMessageW(edit, WM_CHAR, VK_BACK, 0);
    }
    DestroyWindow(edit);
}

// A megabyte on one line without a blank, put into the editor and laid out
// (its line count asked), with word wrap on and, as the limit, off.
void EditLongLine(benchmark::State& state, DWORD style) {
    const std::u16string text(1024 * 1024, u'w');
    HWND edit = CreateWindowExW(0, u"edit", nullptr, style, 0, 0, 300, 200, Parent(), nullptr,
                                nullptr, nullptr);
    SendMessageW(edit, EM_LIMITTEXT, text.size(), 0);
    LRESULT lines = 0;
    for (auto _ : state) {
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        lines = SendMessageW(edit, EM_GETLINECOUNT, 0, 0);
        UpdateWindow(edit);
    }
    state.counters["lines"] = static_cast<double>(lines);
    DestroyWindow(edit);
}

void EditLongLineWrapped(benchmark::State& state) {
    EditLongLine(state, 0x50200044);
}
void EditLongLineUnwrapped(benchmark::State& state) {
    EditLongLine(state, 0x50200044 | WS_HSCROLL | ES_AUTOHSCROLL);
}

void EditLimit(benchmark::State& state) {
    const auto text = BigNote();
    for (auto _ : state) {
        std::u16string copy = text;
        benchmark::DoNotOptimize(copy.data());
    }
}

BENCHMARK(ListFillUnsorted)->Unit(benchmark::kMillisecond);
BENCHMARK(ListFillSorted)->Unit(benchmark::kMillisecond);
BENCHMARK(ListLimit)->Unit(benchmark::kMillisecond);
BENCHMARK(EditLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(EditTypeAtEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(EditLimit)->Unit(benchmark::kMicrosecond);
BENCHMARK(EditLongLineWrapped)->Unit(benchmark::kMillisecond);
BENCHMARK(EditLongLineUnwrapped)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
