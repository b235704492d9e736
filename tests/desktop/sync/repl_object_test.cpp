// Item and folder handles and their persisted bytes.
#include "desktop/sync/repl_folder.h"
#include "desktop/sync/repl_item.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<CReplObject> FromBytes(const std::vector<BYTE>& bytes) {
    return std::unique_ptr<CReplObject>(
        CReplObject::FromBytes(bytes.data(), static_cast<UINT>(bytes.size())));
}

std::vector<BYTE> ItemBytes(const std::string& key, FILETIME modified) {
    CReplItem item;
    EXPECT_TRUE(item.SetKey(key));
    item.SetModified(modified);
    std::vector<BYTE> bytes(CReplObject::ToBytes(item, nullptr));
    EXPECT_EQ(CReplObject::kItemBytes, CReplObject::ToBytes(item, bytes.data()));
    return bytes;
}

TEST(ReplObject, ItemBytesHaveTheirFixedLayout) {
    const std::vector<BYTE> bytes = ItemBytes("ABC", FILETIME{0x04030201, 0x08070605});
    ASSERT_EQ(154u, bytes.size());
    std::vector<BYTE> expected(154, 0);
    expected[0] = 1;
    expected[1] = 1;
    expected[5] = 'A';
    expected[6] = 'B';
    expected[7] = 'C';
    for (int i = 0; i < 8; ++i)
        expected[146 + i] = static_cast<BYTE>(i + 1);
    EXPECT_EQ(expected, bytes);
}

TEST(ReplObject, FolderBytesAreFive) {
    CReplFolder folder;
    EXPECT_EQ(5u, CReplObject::ToBytes(folder, nullptr));
    BYTE bytes[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(5u, CReplObject::ToBytes(folder, bytes));
    const BYTE expected[8] = {1, 2, 0, 0, 0, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(0, std::memcmp(expected, bytes, sizeof bytes)) << "nothing past byte 5 written";
}

TEST(ReplObject, ItemRoundTripsThroughItsBytes) {
    const std::string key(140, 'k');
    auto object = FromBytes(ItemBytes(key, FILETIME{7, 9}));
    ASSERT_NE(nullptr, object);
    auto* item = CReplItem::FromHandle(object->Handle());
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(key, item->Key());
    EXPECT_EQ(7u, item->Modified().dwLowDateTime);
    EXPECT_EQ(9u, item->Modified().dwHighDateTime);
}

TEST(ReplObject, BytesThatDoNotFitAreRefused) {
    std::vector<BYTE> item = ItemBytes("KEY", FILETIME{1, 2});
    std::vector<BYTE> unterminated = item;
    std::fill(unterminated.begin() + 5, unterminated.begin() + 146, 'x');
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
    } cases[] = {
        {"empty", {}},
        {"four bytes", {1, 2, 0, 0}},
        {"item cut to 153 bytes", std::vector<BYTE>(item.begin(), item.end() - 1)},
        {"item cut to 5 bytes", std::vector<BYTE>(item.begin(), item.begin() + 5)},
        {"type tag 3", {1, 3, 0, 0, 0}},
        {"type tag 0", {1, 0, 0, 0, 0}},
        {"type tag with high bytes", {1, 2, 0, 0, 1}},
        {"key without its zero", unterminated},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nullptr, FromBytes(c.bytes)) << c.name;
    EXPECT_EQ(nullptr, CReplObject::FromBytes(nullptr, 154));
}

TEST(ReplObject, FolderFromItsFiveBytes) {
    auto object = FromBytes({1, 2, 0, 0, 0});
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(CReplObject::kFolderTag, object->Type());
    EXPECT_EQ(nullptr, CReplItem::FromHandle(object->Handle()));
}

TEST(ReplObject, KeyBytesAfterItsZeroAreDropped) {
    std::vector<BYTE> bytes = ItemBytes("AB", FILETIME{});
    bytes[9] = 'z'; // after the zero at 7
    auto object = FromBytes(bytes);
    ASSERT_NE(nullptr, object);
    std::vector<BYTE> again(154);
    CReplObject::ToBytes(*object, again.data());
    EXPECT_EQ(ItemBytes("AB", FILETIME{}), again);
}

TEST(ReplItem, KeyLongerThan140IsRefusedWhole) {
    CReplItem item;
    ASSERT_TRUE(item.SetKey("first"));
    EXPECT_FALSE(item.SetKey(std::string(141, 'x')));
    EXPECT_EQ("first", item.Key());
    EXPECT_TRUE(item.SetKey(std::string(140, 'x')));
    EXPECT_EQ(140u, item.Key().size());
}

TEST(ReplItem, KeysCompareAsUnsignedBytes) {
    CReplItem a, b;
    struct Case {
        std::string a, b;
        int order;
    } cases[] = {
        {"A", "B", -1},
        {"B", "A", 1},
        {"AB", "AB", 0},
        {"A", "AB", -1},
        {"\x7f", "\x80", -1},
        {"\xff", "a", 1},
        {"", "", 0},
        // Keys of the greatest length differ in their last byte, or not at all.
        {std::string(139, 'x') + "a", std::string(139, 'x') + "b", -1},
        {std::string(140, 'x'), std::string(140, 'x'), 0},
        {std::string(140, 'x'), std::string(139, 'x'), 1},
    };
    for (const Case& c : cases) {
        a.SetKey(c.a);
        b.SetKey(c.b);
        EXPECT_EQ(c.order, CReplItem::CompareKeys(a, b)) << c.a << " vs " << c.b;
    }
}

} // namespace
