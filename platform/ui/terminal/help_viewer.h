// The help viewer of the terminal back end: a help file (help_file.h) shown
// over the whole screen as scrolling text with its headings.
#pragma once

#include "platform/ui/help_file.h"
#include "platform/ui/winuser.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui::terminal {

// One screen line of the viewer.
struct HelpLine {
    HelpBlock::Kind kind = HelpBlock::Kind::Paragraph;
    std::u16string text;
    bool operator==(const HelpLine&) const = default;
};

// `document` laid out at `width` columns: paragraphs and list items wrapped
// (an item's later lines indented under its text), verbatim lines indented
// and cut at the width, an empty line between blocks (none between the
// verbatim lines or the items of one run).
std::vector<HelpLine> LayOutHelp(const HelpDocument& document, int width);

// The first line shown after `key` moves the view of `total` lines, `page`
// of them at a time, from `top`; nullopt when the key does not scroll.
std::optional<int> ScrolledTop(UINT virtualKey, int top, int total, int page);

// Shows `document` titled `title` until the user closes it (Escape or q);
// `redraw` draws the windows beneath first.
void RunHelpViewer(const HelpDocument& document, const std::u16string& title,
                   const std::function<void()>& redraw);

} // namespace ui::terminal
