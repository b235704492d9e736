// Lines of text as the platform's DrawText breaks them.
#include "platform/ui/text_layout.h"

#include <cmath>
#include <tuple>

namespace ui::detail {

std::pair<char32_t, std::size_t> CodePointAt(std::u16string_view text, std::size_t i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
        return {0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00), 2};
    return {c, 1};
}

std::vector<TextLine> LayoutText(std::u16string_view text, double width, UINT format,
                                 double tabStop, const std::function<double(char32_t)>& advanceOf) {
    const bool wordBreak = format & DT_WORDBREAK;
    std::vector<TextLine> lines;
    std::size_t i = 0;
    do {
        const std::size_t begin = i;
        double x = 0;
        // The last run of blanks: where it starts, the width before it and
        // where the next line would start.
        std::size_t blanksAt = 0, resumeAt = std::u16string_view::npos;
        double widthBefore = 0;
        TextLine line{begin, text.size(), 0};
        bool ended = false;
        while (i < text.size() && !ended) {
            const char16_t c = text[i];
            if (c == u'\r' || c == u'\n') {
                line = {begin, i, x};
                i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
                ended = true;
                break;
            }
            const bool blank = c == u' ' || c == u'\t';
            double advance;
            std::size_t units = 1;
            if (c == u'\t')
                advance =
                    (format & DT_EXPANDTABS) ? tabStop - std::fmod(x, tabStop) : advanceOf(U' ');
            else {
                char32_t code;
                std::tie(code, units) = CodePointAt(text, i);
                advance = advanceOf(code);
            }
            if (wordBreak && !blank && x + advance > width && i > begin) {
                if (resumeAt != std::u16string_view::npos) {
                    line = {begin, blanksAt, widthBefore};
                    i = resumeAt;
                } else {
                    line = {begin, i, x};
                }
                ended = true;
                break;
            }
            if (blank) {
                if (resumeAt != i) {
                    blanksAt = i;
                    widthBefore = x;
                }
                resumeAt = i + 1;
            }
            x += advance;
            i += units;
        }
        if (!ended)
            line = {begin, text.size(), x};
        lines.push_back(line);
    } while (i < text.size());
    return lines;
}

} // namespace ui::detail
