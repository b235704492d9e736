// Lines of text as the platform's DrawText breaks them, in any font: the
// caller measures the characters.
#pragma once

#include "platform/ui/gdi.h"

#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace ui::detail {

// Units [begin, end) of the text, `width` wide; no line break in it.
struct TextLine {
    std::size_t begin, end;
    double width;
};

// The code point at text[i] and how many units it takes; a lone surrogate
// stands for itself.
std::pair<char32_t, std::size_t> CodePointAt(std::u16string_view text, std::size_t i);

// The lines of `text` in a rectangle `width` wide under DrawText's `format`
// (DT_WORDBREAK, DT_EXPANDTABS), tab stops `tabStop` apart, `advance` the
// width of a code point. A line break at the very end adds no empty line; an
// empty text is one empty line.
std::vector<TextLine> LayoutText(std::u16string_view text, double width, UINT format,
                                 double tabStop, const std::function<double(char32_t)>& advance);

} // namespace ui::detail
