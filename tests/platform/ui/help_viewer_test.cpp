// The terminal help viewer's layout and scrolling, apart from the screen.
#include "platform/ui/terminal/help_viewer.h"

#include "platform/base/unicode.h"

#include <gtest/gtest.h>

namespace {

using ui::terminal::HelpLine;
using Kind = ui::HelpBlock::Kind;

std::string Dump(const std::vector<HelpLine>& lines) {
    std::string out;
    for (const auto& line : lines)
        out += (line.kind == Kind::Heading      ? "H|"
                : line.kind == Kind::Subheading ? "h|"
                                                : "|") +
               unicode::ToUtf8(line.text) + "\n";
    return out;
}

TEST(HelpViewer, LaysBlocksOutAtTheWidth) {
    ui::HelpDocument document{{
        {Kind::Heading, u"Keys of the editor"},
        {Kind::Paragraph, u"Arrows move the caret around."},
        {Kind::Verbatim, u"Ctrl+Home   start of the text"},
        {Kind::Verbatim, u"Ctrl+End"},
        {Kind::Item, u"one two three four"},
        {Kind::Item, u"five"},
        {Kind::Subheading, u"Boxes"},
    }};
    EXPECT_EQ("H|Keys of the\n"
              "H|editor\n"
              "|\n"
              "|Arrows move\n"
              "|the caret\n"
              "|around.\n"
              "|\n"
              "|  Ctrl+Home \n" // verbatim lines are cut, not wrapped
              "|  Ctrl+End\n"
              "|\n"
              "|- one two\n" // an item's later lines stand under its text
              "|  three four\n"
              "|- five\n"
              "|\n"
              "h|Boxes\n",
              Dump(ui::terminal::LayOutHelp(document, 12)));
}

TEST(HelpViewer, ScrollingKeysStayInsideTheText) {
    using ui::terminal::ScrolledTop;
    // 50 lines, 10 a page: the last page starts at line 40.
    EXPECT_EQ(1, ScrolledTop(VK_DOWN, 0, 50, 10));
    EXPECT_EQ(40, ScrolledTop(VK_DOWN, 40, 50, 10));
    EXPECT_EQ(0, ScrolledTop(VK_UP, 0, 50, 10));
    EXPECT_EQ(9, ScrolledTop(VK_NEXT, 0, 50, 10)); // a page keeps one line in sight
    EXPECT_EQ(9, ScrolledTop(VK_SPACE, 0, 50, 10));
    EXPECT_EQ(40, ScrolledTop(VK_NEXT, 35, 50, 10));
    EXPECT_EQ(0, ScrolledTop(VK_PRIOR, 5, 50, 10));
    EXPECT_EQ(40, ScrolledTop(VK_END, 0, 50, 10));
    EXPECT_EQ(0, ScrolledTop(VK_HOME, 40, 50, 10));
    // A text shorter than the page does not move.
    EXPECT_EQ(0, ScrolledTop(VK_END, 0, 5, 10));
    EXPECT_EQ(0, ScrolledTop(VK_DOWN, 0, 5, 10));
    EXPECT_FALSE(ScrolledTop(VK_LEFT, 0, 50, 10));
}

} // namespace
