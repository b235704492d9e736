// Character widths in cells from the C library's wcwidth under a UTF-8 locale
// of its own, so the answer does not depend on the locale the program runs in
// (files and numbers keep the "C" rules).
#include "platform/ui/cell_width.h"

#include "platform/ui/text_layout.h"

#include <algorithm>
#include <array>
#include <clocale>
#include <cstdint>
#include <cwchar>
#include <locale.h>
#include <mutex>

namespace ui {

namespace {

// wcwidth under a UTF-8 locale; -1 when the character has no width there.
int LibraryWidth(char32_t c) {
    static const locale_t utf8 = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (locale_t l = newlocale(LC_CTYPE_MASK, name, nullptr))
                return l;
        return locale_t{};
    }();
    const locale_t previous = utf8 ? uselocale(utf8) : locale_t{};
    const int width = wcwidth(static_cast<wchar_t>(c));
    if (utf8)
        uselocale(previous);
    return width;
}

int Measure(char32_t c) {
    const int width = LibraryWidth(c);
    if (width >= 0)
        return width > 2 ? 2 : width;
    // No width: control characters and unassigned code points, shown as one mark.
    return 1;
}

// The widths of the 16-bit characters, measured once: layouts measure every
// character of a note on every change.
const std::array<std::int8_t, 0x10000>& BasicPlaneWidths() {
    static std::array<std::int8_t, 0x10000> widths;
    static std::once_flag filled;
    std::call_once(filled, [] {
        for (char32_t c = 0; c < 0x10000; ++c)
            widths[c] = static_cast<std::int8_t>(Measure(c));
    });
    return widths;
}

// One cell and one code unit: most text is made of these, and a layout
// measures every character, so they skip the decoding.
bool IsNarrowUnit(char32_t c) {
    return c >= 0x20 && c < 0x300 && c != 0x7F;
}

} // namespace

int CellWidth(char32_t c) {
    if (IsNarrowUnit(c))
        return 1;
    if (c < 0x10000)
        return BasicPlaneWidths()[c];
    return Measure(c);
}

std::size_t TextCells(std::u16string_view text, std::size_t begin, std::size_t end) {
    std::size_t cells = 0;
    end = std::min(end, text.size());
    for (std::size_t i = begin; i < end;) {
        if (IsNarrowUnit(text[i])) {
            ++cells;
            ++i;
            continue;
        }
        const auto [code, units] = detail::CodePointAt(text, i);
        cells += static_cast<std::size_t>(CellWidth(code));
        i += units;
    }
    return cells;
}

std::size_t PositionAtCell(std::u16string_view text, std::size_t begin, std::size_t end,
                           std::size_t cell) {
    end = std::min(end, text.size());
    std::size_t x = 0;
    std::size_t i = begin;
    while (i < end) {
        // A run of narrow characters takes one cell each, as many as fit.
        const std::size_t fits = std::min(end, i + (cell - x));
        const std::size_t run = i;
        while (i < fits && IsNarrowUnit(text[i]))
            ++i;
        x += i - run;
        if (i == end || IsNarrowUnit(text[i]))
            break;
        const auto [code, units] = detail::CodePointAt(text, i);
        const auto width = static_cast<std::size_t>(CellWidth(code));
        if (width > 0 && x + width > cell)
            break;
        x += width;
        i += units;
    }
    return i;
}

} // namespace ui
