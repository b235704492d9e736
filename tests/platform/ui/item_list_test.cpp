#include "platform/ui/item_list.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace {

using ui::detail::ItemList;

// A text of `n` units that tells its item apart from its neighbours.
std::u16string TextFor(int serial, std::size_t n) {
    std::u16string text(n, u'a');
    for (std::size_t i = 0; i < n; ++i)
        text[i] = static_cast<char16_t>(u'a' + (serial + static_cast<int>(i)) % 26);
    return text;
}

void ExpectSame(const std::vector<std::u16string>& expected, const ItemList& list) {
    ASSERT_EQ(static_cast<int>(expected.size()), list.Count());
    for (int i = 0; i < list.Count(); ++i)
        ASSERT_EQ(expected[static_cast<std::size_t>(i)], list.Text(i)) << "item " << i;
}

std::size_t LiveUnits(const std::vector<std::u16string>& texts) {
    std::size_t units = 0;
    for (const auto& t : texts)
        units += t.size();
    return units;
}

TEST(ItemListTest, EditsKeepEveryTextAndTheBlockNoLargerThanTwiceTheLiveTexts) {
    // Lengths the block can get wrong: empty texts, single units, and a text
    // longer than all the others together.
    const std::size_t lengths[] = {0, 1, 7, 0, 40, 3, 5000, 12};
    ItemList list;
    std::vector<std::u16string> expected;
    std::size_t longest = 0;
    for (int step = 0; step < 3000; ++step) {
        const std::size_t n = lengths[static_cast<std::size_t>(step) % std::size(lengths)];
        longest = std::max(longest, n);
        const int count = static_cast<int>(expected.size());
        // Two inserts for each delete in the first half, then mostly deletes:
        // the list grows, then shrinks to a few items.
        const bool growing = step < 1500 ? step % 3 != 2 : step % 5 == 0;
        if (growing || count == 0) {
            const int at = count == 0 ? 0 : (step * 7) % (count + 1);
            ASSERT_EQ(at, list.Insert(at, TextFor(step, n)));
            expected.insert(expected.begin() + at, TextFor(step, n));
        } else {
            const int at = (step * 13) % count;
            ASSERT_TRUE(list.Delete(at));
            expected.erase(expected.begin() + at);
        }
        ASSERT_LE(list.TextUnits(), 2 * LiveUnits(expected) + longest) << "step " << step;
    }
    ExpectSame(expected, list);
    while (list.Count() > 0)
        ASSERT_TRUE(list.Delete(0));
    EXPECT_EQ(0u, list.TextUnits());
}

TEST(ItemListTest, ItemDataAndSelectionStayWithTheirTextsWhenTheBlockIsPacked) {
    ItemList list;
    for (int i = 0; i < 100; ++i) {
        list.Add(TextFor(i, 10), ItemList::Order::AsAdded);
        list[i].data = i;
        list[i].selected = i % 2 == 0;
    }
    // Deleting every other item from the top packs the block several times.
    for (int i = 0; i < 80; ++i)
        ASSERT_TRUE(list.Delete(i % list.Count()));
    ASSERT_LE(list.TextUnits(), 2u * 10u * static_cast<std::size_t>(list.Count()) + 10u);
    for (int i = 0; i < list.Count(); ++i) {
        const int original = static_cast<int>(list[i].data);
        EXPECT_EQ(TextFor(original, 10), list.Text(i)) << "item " << i;
        EXPECT_EQ(original % 2 == 0, list[i].selected) << "item " << i;
    }
}

TEST(ItemListTest, SortedAddsAndSearchesReadTheTextsFromTheBlock) {
    ItemList list;
    for (const char16_t* t : {u"pears and more pears", u"", u"Apple", u"fig", u"apple", u"Fig"})
        list.Add(t, ItemList::Order::Sorted);
    ASSERT_TRUE(list.Delete(list.FindExact(-1, u"PEARS AND MORE PEARS")));
    EXPECT_EQ(16u, list.TextUnits()); // packed: more dead units than live ones
    ASSERT_TRUE(list.Delete(list.FindExact(-1, u"fig")));
    EXPECT_EQ(3, list.Add(u"Banana", ItemList::Order::Sorted));
    ExpectSame({u"", u"Apple", u"apple", u"Banana", u"Fig"}, list);
    EXPECT_EQ(0, list.FindExact(-1, u""));
    EXPECT_EQ(3, list.FindPrefix(-1, u"BAN"));
    EXPECT_EQ(1, list.FindPrefix(2, u"app")); // wraps round past the end
}

TEST(ItemListTest, RoomBeyondWhatOffsetsReachIsRefusedWithNothingChanged) {
    ItemList list;
    list.Add(u"kept", ItemList::Order::AsAdded);
    list[0].data = 9;
    std::size_t room = 0;
    EXPECT_FALSE(list.Reserve(1, ItemList::kMaxTextUnits, &room));
    EXPECT_FALSE(list.Reserve(1, static_cast<std::size_t>(-1), &room));
    EXPECT_EQ(0u, room);
    ExpectSame({u"kept"}, list);
    EXPECT_EQ(9, list[0].data);
    EXPECT_TRUE(list.Reserve(10, 100, &room));
    EXPECT_GE(room, 11u);
    EXPECT_EQ(1, list.Add(u"more", ItemList::Order::AsAdded));
    ExpectSame({u"kept", u"more"}, list);
}

TEST(ItemListTest, ClearFreesTheBlockAndTheListFillsAgain) {
    ItemList list;
    for (int i = 0; i < 50; ++i)
        list.Add(TextFor(i, 30), ItemList::Order::AsAdded);
    list.Delete(3);
    list.Clear();
    EXPECT_EQ(0, list.Count());
    EXPECT_EQ(0u, list.TextUnits());
    EXPECT_EQ(0, list.Add(u"again", ItemList::Order::AsAdded));
    ExpectSame({u"again"}, list);
}

} // namespace
