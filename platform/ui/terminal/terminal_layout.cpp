#include "platform/ui/terminal/terminal_layout.h"

#include "platform/ui/cell_width.h"
#include "platform/ui/text_layout.h"

#include <algorithm>

namespace ui::terminal {

namespace {

// The first cell whose centre is at or after `pixels`.
int FirstCellFrom(LONG pixels, int cell) {
    const LONG shifted = pixels - cell / 2;
    return static_cast<int>(shifted <= 0 ? -(-shifted / cell) : (shifted + cell - 1) / cell);
}

bool IsShown(char16_t c) {
    return c >= 0x20 && c != 0x7F;
}

} // namespace

CellRect CellsOf(const RECT& pixels) {
    const int left = FirstCellFrom(pixels.left, kCharWidth);
    const int top = FirstCellFrom(pixels.top, kLineHeight);
    const int right = FirstCellFrom(pixels.right, kCharWidth);
    const int bottom = FirstCellFrom(pixels.bottom, kLineHeight);
    return {top, left, std::max(0, bottom - top), std::max(0, right - left)};
}

SIZE PixelsForCells(int cols, int rows) {
    return {std::max(0, cols) * kCharWidth, std::max(0, rows) * kLineHeight};
}

TermColor NearestTermColor(COLORREF color) {
    const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    const int low = std::min({r, g, b});
    const int high = std::max({r, g, b});
    constexpr int kGreyChroma = 48;
    if (high - low < kGreyChroma)
        return (r + g + b) / 3 >= 128 ? TermColor::White : TermColor::Black;
    // A channel counts when it reaches at least half the way from grey to the strongest.
    const int half = (high - low) / 2;
    const int bits = (r - low > half ? 1 : 0) | (g - low > half ? 2 : 0) | (b - low > half ? 4 : 0);
    static constexpr TermColor kByChannels[] = {
        TermColor::White, TermColor::Red,     TermColor::Green, TermColor::Yellow,
        TermColor::Blue,  TermColor::Magenta, TermColor::Cyan,  TermColor::White};
    return kByChannels[bits];
}

TermColor TextColorOn(TermColor background) {
    switch (background) {
    case TermColor::Black:
    case TermColor::Red:
    case TermColor::Blue:
    case TermColor::Magenta:
        return TermColor::White;
    default:
        return TermColor::Black;
    }
}

std::vector<RowPiece> EditRowPieces(std::u16string_view text, const EditLine& line, int firstColumn,
                                    int cols) {
    std::vector<RowPiece> pieces;
    if (cols <= 0 || firstColumn < 0 || line.start > text.size())
        return pieces;
    const std::size_t end = std::min(text.size(), line.start + line.length);
    int x = -firstColumn; // the cell of the next character in the row
    for (std::size_t i = line.start; i < end;) {
        const auto [code, units] = detail::CodePointAt(text, i);
        const int width = CellWidth(code);
        if (width > 0 && x >= cols)
            break;
        const std::u16string_view unit = text.substr(i, units);
        if (width == 0) {
            // Drawn onto the character before it, if that one is shown.
            if (!pieces.empty() && pieces.back().pos + pieces.back().shown.size() == i)
                pieces.back().shown += unit;
        } else if (x + width > 0) {
            const bool whole = x >= 0 && x + width <= cols;
            const int from = std::max(x, 0);
            const int to = std::min(x + width, cols);
            pieces.push_back({i, from,
                              whole && IsShown(text[i])
                                  ? std::u16string(unit)
                                  : std::u16string(static_cast<std::size_t>(to - from), u' ')});
        }
        x += width;
        i += units;
    }
    return pieces;
}

std::optional<POINT> CaretCell(std::u16string_view text, const std::vector<EditLine>& lines,
                               std::size_t caret, POINT scroll, int rows, int cols) {
    // The caret at a line's end belongs to that line, unless the next line starts there.
    for (std::size_t i = lines.size(); i-- > 0;) {
        const EditLine& line = lines[i];
        if (caret < line.start || caret > line.start + line.length)
            continue;
        const LONG row = static_cast<LONG>(i) - scroll.y;
        const LONG col = static_cast<LONG>(TextCells(text, line.start, caret)) - scroll.x;
        if (row < 0 || row >= rows || col < 0 || col >= cols)
            return std::nullopt;
        return POINT{col, row};
    }
    return std::nullopt;
}

std::vector<std::u16string> WrapText(std::u16string_view text, int width) {
    std::vector<std::u16string> out;
    if (width <= 0)
        return out;
    const auto w = static_cast<std::size_t>(width);
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(u'\n', pos);
        if (end == std::u16string_view::npos)
            end = text.size();
        std::u16string_view paragraph = text.substr(pos, end - pos);
        if (!paragraph.empty() && paragraph.back() == u'\r')
            paragraph.remove_suffix(1);
        do {
            const std::size_t fits = PositionAtCell(paragraph, 0, paragraph.size(), w);
            if (fits >= paragraph.size()) {
                out.emplace_back(paragraph);
                break;
            }
            std::size_t cut = paragraph.rfind(u' ', fits);
            const bool atSpace = cut != std::u16string_view::npos && cut > 0;
            if (!atSpace)
                cut = std::max(fits, detail::CodePointAt(paragraph, 0).second);
            out.emplace_back(paragraph.substr(0, cut));
            paragraph.remove_prefix(atSpace ? cut + 1 : cut);
        } while (!paragraph.empty());
        pos = end + 1;
    }
    return out;
}

LONG CentredStart(LONG screen, LONG size, LONG margin) {
    const LONG room = std::max<LONG>(0, screen - size);
    return std::clamp<LONG>(room / 2, std::min(margin, room), room);
}

void PasteBytes::Take(std::string_view bytes) {
    static constexpr std::string_view kEnd = "\x1b[201~";
    if (m_ended)
        return;
    m_text += bytes;
    const std::size_t from = m_searched >= kEnd.size() ? m_searched - kEnd.size() + 1 : 0;
    if (const std::size_t end = m_text.find(kEnd, from); end != std::string::npos) {
        m_after = m_text.substr(end + kEnd.size());
        m_text.resize(end);
        m_ended = true;
        return;
    }
    if (m_text.size() > m_limit + kEnd.size()) {
        // Only the marker is looked for now, in what could still be its start.
        m_tooLarge = true;
        m_text.erase(0, m_text.size() - (kEnd.size() - 1));
    }
    m_searched = m_text.size();
}

std::u16string PastedLines(std::u16string_view raw) {
    std::u16string text;
    text.reserve(raw.size() + raw.size() / 16);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char16_t c = raw[i];
        if (c == u'\r' || c == u'\n') {
            text += u"\r\n";
            if (c == u'\r' && i + 1 < raw.size() && raw[i + 1] == u'\n')
                ++i;
        } else if (c == u'\t' || IsShown(c)) {
            text += c;
        }
    }
    return text;
}

MenuLabel ParseMenuLabel(std::u16string_view label) {
    MenuLabel parsed;
    for (std::size_t i = 0; i < label.size(); ++i) {
        if (label[i] != u'&' || i + 1 == label.size()) {
            parsed.text += label[i];
            continue;
        }
        ++i;
        if (label[i] != u'&' && !parsed.mnemonic) {
            const char16_t c = label[i];
            parsed.mnemonic = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
            parsed.mnemonicAt = parsed.text.size();
        }
        parsed.text += label[i];
    }
    return parsed;
}

} // namespace ui::terminal
