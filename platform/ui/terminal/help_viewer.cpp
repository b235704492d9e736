// The terminal's help viewer: lays a help file out at the screen's width and
// scrolls it with the arrows, PgUp/PgDn (or Space) and Home/End.
#include "platform/ui/terminal/help_viewer.h"

#include "platform/base/unicode.h"
#include "platform/ui/terminal/terminal_screen.h"

#include <algorithm>

namespace ui::terminal {

namespace {

using Kind = HelpBlock::Kind;

// Whether no empty line goes between blocks of these kinds.
bool RunsOn(Kind previous, Kind next) {
    return previous == next && (next == Kind::Verbatim || next == Kind::Item);
}

} // namespace

std::vector<HelpLine> LayOutHelp(const HelpDocument& document, int width) {
    std::vector<HelpLine> lines;
    width = std::max(width, 8);
    for (std::size_t i = 0; i < document.blocks.size(); ++i) {
        const HelpBlock& block = document.blocks[i];
        if (i > 0 && !RunsOn(document.blocks[i - 1].kind, block.kind))
            lines.push_back({Kind::Paragraph, u""});
        switch (block.kind) {
        case Kind::Heading:
        case Kind::Subheading:
        case Kind::Paragraph:
            for (auto& line : WrapText(block.text, width))
                lines.push_back({block.kind, std::move(line)});
            break;
        case Kind::Item: {
            bool first = true;
            for (auto& line : WrapText(block.text, width - 2)) {
                lines.push_back({Kind::Item, (first ? u"- " : u"  ") + line});
                first = false;
            }
            break;
        }
        case Kind::Verbatim:
            lines.push_back({Kind::Verbatim,
                             u"  " + block.text.substr(0, static_cast<std::size_t>(width - 2))});
            break;
        }
    }
    return lines;
}

std::optional<int> ScrolledTop(UINT virtualKey, int top, int total, int page) {
    const int last = std::max(0, total - page);
    switch (virtualKey) {
    case VK_UP:
        return std::max(0, top - 1);
    case VK_DOWN:
        return std::min(last, top + 1);
    case VK_PRIOR:
        return std::max(0, top - std::max(1, page - 1));
    case VK_NEXT:
    case VK_SPACE:
        return std::min(last, top + std::max(1, page - 1));
    case VK_HOME:
        return 0;
    case VK_END:
        return last;
    default:
        return std::nullopt;
    }
}

void RunHelpViewer(const HelpDocument& document, const std::u16string& title,
                   const std::function<void()>& redraw) {
    int top = 0;
    int laidOutWidth = -1;
    std::vector<HelpLine> lines;
    for (;;) {
        redraw();
        // The whole screen but the status line, laid out again after a resize.
        const CellRect box{0, 0, std::max(3, ScreenRows() - 1), ScreenCols()};
        const int width = box.cols - 4;
        if (width != laidOutWidth) {
            lines = LayOutHelp(document, width);
            laidOutWidth = width;
        }
        const int page = box.rows - 2;
        const int total = static_cast<int>(lines.size());
        top = std::clamp(top, 0, std::max(0, total - page));
        DrawBox(box, title, NormalAttr());
        for (int row = 0; row < page && top + row < total; ++row) {
            const HelpLine& line = lines[static_cast<std::size_t>(top + row)];
            const Attr attr = line.kind == Kind::Heading      ? BoldAttr() | UnderlineAttr()
                              : line.kind == Kind::Subheading ? BoldAttr()
                                                              : NormalAttr();
            PutText(box.row + 1 + row, box.col + 2, line.text, width, attr);
        }
        const int shownTo = std::min(total, top + page);
        const std::string place = "lines " + std::to_string(total ? top + 1 : 0) + "-" +
                                  std::to_string(shownTo) + " of " + std::to_string(total);
        PutText(ScreenRows() - 1, 0,
                u" Up/Down PgUp/PgDn Home/End scroll   Esc or q close   " + unicode::ToUtf16(place),
                ScreenCols(), ReverseAttr(), true);
        Present();
        const auto input = ReadInput(-1);
        if (!input || input->kind != Input::Kind::Key)
            continue;
        const KeyStroke& key = input->key;
        if (key.virtualKey == VK_ESCAPE || key.character == u'q' || key.character == u'Q')
            return;
        if (const auto moved = ScrolledTop(key.virtualKey, top, total, page))
            top = *moved;
    }
}

} // namespace ui::terminal
