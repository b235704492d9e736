// The three forms of a note's categories and the conversions among them.
#include "desktop/sync/CategoryText.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

TEST(CategoryText, SplitOutlookText) {
    struct Case {
        const char* text;
        const char* separators;
        Names names;
    } cases[] = {
        {"", ",", {}},
        {"Work", ",", {"Work"}},
        {"Business, Personal", ",", {"Business", "Personal"}},
        {"A,,B", ",", {"A", "", "B"}},
        {"A, ", ",", {"A", ""}}, // a rest of white space alone is one empty name
        {"A,", ",", {"A"}},
        {" \tA \r\n,\vB\f ", ",", {"A", "B"}},
        {"A;B,C", ";,", {"A", "B", "C"}}, // any separator character cuts
        {"Personal Stuff", ",", {"Personal Stuff"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.names, SplitCategoryText(c.text, c.separators)) << '"' << c.text << '"';
}

TEST(CategoryText, PacketListFromOutlookText) {
    EXPECT_EQ("", CategoryListFromText("", ","));
    EXPECT_EQ("A\nB\n", CategoryListFromText("A, B", ","));
    EXPECT_EQ("A\n\nB\n", CategoryListFromText("A,,B", ","));
}

TEST(CategoryText, OutlookTextFromPacketList) {
    struct Case {
        const char* list;
        char separator;
        const char* text;
    } cases[] = {
        {"", ',', ""},           {"A\nB\n", ',', "A, B"},
        {"A\nB", ',', "A"}, // text after the last line feed is dropped
        {"A", ',', ""},          {"A\n\nB\n", ';', "A; ; B"},
        {"Work\n", ',', "Work"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, CategoryTextFromList(c.list, c.separator)) << '"' << c.list << '"';
}

TEST(CategoryText, FilterText) {
    EXPECT_EQ(Names{}, SplitFilterText(""));
    EXPECT_EQ(Names{"Work"}, SplitFilterText("Work\tPrivate"));
    EXPECT_EQ((Names{"Work", "", "Private"}), SplitFilterText("Work\t\tPrivate\t"));
    EXPECT_EQ("A\tB\t", JoinFilterText({"A", "B"}));
    EXPECT_EQ((Names{"A", "B"}), SplitFilterText(JoinFilterText({"A", "B"})));
}

} // namespace
