// The one measure of text on a fixed-pitch screen: cells per character, cells
// of a text, and the caret position for a cell.
#include "platform/ui/cell_width.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CellWidth, CharactersTakeTheirRealWidth) {
    struct Case {
        const char* name;
        char32_t c;
        int cells;
    } cases[] = {
        {"letter", U'a', 1},
        {"accented letter", U'\u00E9', 1},
        {"CJK ideograph", U'\u6F22', 2},
        {"hiragana", U'\u304B', 2},
        {"fullwidth letter", U'\uFF21', 2},
        {"hangul syllable", U'\uAC00', 2},
        {"emoji beyond 16 bits", U'\U0001F600', 2},
        {"CJK beyond 16 bits", U'\U00020000', 2},
        {"combining acute accent", U'\u0301', 0},
        {"zero-width space", U'\u200B', 0},
        {"box drawing", U'\u2502', 1},
        {"tab is one mark", U'\t', 1},
        {"escape is one mark", U'\x1b', 1},
        {"delete is one mark", U'\x7f', 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.cells, ui::CellWidth(c.c)) << c.name;
}

TEST(CellWidth, TextCellsCountPairsOnceAndMarksNever) {
    EXPECT_EQ(0u, ui::TextCells(u""));
    EXPECT_EQ(3u, ui::TextCells(u"abc"));
    EXPECT_EQ(6u, ui::TextCells(u"日本語"));
    EXPECT_EQ(5u, ui::TextCells(u"a\U0001F600e\u0301b")); // a, 😀 (2), e with its accent, b
    // A part of a text, and an end beyond it.
    EXPECT_EQ(4u, ui::TextCells(u"a日本b", 1, 3));
    EXPECT_EQ(3u, ui::TextCells(u"a日", 0, 99));
    // A lone half of a pair is one mark.
    EXPECT_EQ(2u, ui::TextCells(std::u16string{u'\xD83D', u'x'}));
}

TEST(CellWidth, PositionAtCellNeverLandsInsideACharacter) {
    const std::u16string text = u"a日\U0001F600e\u0301z"; // cells: a 0, 日 1-2, 😀 3-4, é 5, z 6
    struct Case {
        std::size_t cell;
        std::size_t pos;
    } cases[] = {
        {0, 0}, {1, 1},  {2, 1}, // inside 日: before it
        {3, 2}, {4, 2},          // inside the pair: before it, never between its halves
        {5, 4}, {6, 6},          // after é comes after its accent too
        {7, 7}, {99, 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pos, ui::PositionAtCell(text, 0, text.size(), c.cell)) << "cell " << c.cell;
    // Counted from the start of a part of the text, and never past its end.
    EXPECT_EQ(4u, ui::PositionAtCell(text, 2, text.size(), 2));
    EXPECT_EQ(2u, ui::PositionAtCell(text, 0, 2, 9));
}

} // namespace
