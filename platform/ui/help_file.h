// Help files (.htc) as the platform's help viewer reads them: UTF-8 text
// whose first line is the signature "JOTTERWICK-HELP 1", then
//     = Title            a heading
//     == Title           a heading one level down
//     - text             an item of a list (the lines after it, up to an
//                        empty line or the next item, continue it)
//     <two spaces>text   a line shown as it stands (key tables, examples)
//     text               a paragraph: its lines are joined and wrapped to
//                        the viewer's width; an empty line ends it
// A file that does not fit (too large, no signature, not UTF-8, a control
// character, an empty heading, no heading at all) is refused whole, with the
// line at fault named.
#pragma once

#include "platform/base/status.h"

#include <string>
#include <string_view>
#include <vector>

namespace ui {

// The largest help file read; larger ones are refused.
constexpr std::size_t kMaxHelpFileBytes = 1 << 20;

struct HelpBlock {
    enum class Kind { Heading, Subheading, Paragraph, Item, Verbatim };
    Kind kind = Kind::Paragraph;
    std::u16string text;
    bool operator==(const HelpBlock&) const = default;
};

struct HelpDocument {
    std::vector<HelpBlock> blocks;
};

// Parses the bytes of a help file; `name` only names it in messages.
platform::Result<HelpDocument> ParseHelpFile(std::string_view bytes, const std::string& name);

// Finds `helpFile` as the help viewer does: a path with a '/' as it stands,
// a bare name beside the running program or in the share/jotterwick folder
// of the installation the program belongs to (../share/jotterwick from its
// folder). Reads and parses it; a file not found or unreadable is a failure
// naming the places looked in.
platform::Result<HelpDocument> LoadHelpFile(const std::u16string& helpFile);

} // namespace ui
