// The stored form of record properties: its exact bytes, and the decoder's
// refusal of anything that does not fit.
#include "platform/ce/property_blob.h"

#include <gtest/gtest.h>

namespace {

using ce::DecodeProperties;
using ce::EncodeProperties;
using ce::Property;
using ce::PropertyList;

PropertyList Sample() {
    Property number{MakePropId(80, CEVT_UI4), 3, {}, {}};
    Property text{MakePropId(30, CEVT_LPWSTR), 0, u"Hi", {}};
    Property blob{MakePropId(7, CEVT_BLOB), 0, {}, {0xAA}};
    Property time{MakePropId(20, CEVT_FILETIME), 0x0102030405060708ull, {}, {}};
    return {number, text, blob, time};
}

TEST(PropertyBlobTest, TheStoredFormByteForByte) {
    const std::vector<BYTE> expected = {
        1,    4, 0,                                    // version, count
        0x13, 0, 0x50, 0, 3, 0, 0, 0,                  // UI4 80 = 3
        0x1F, 0, 0x1E, 0, 2, 0, 0, 0, 'H',  0, 'i', 0, // LPWSTR 30 = "Hi"
        0x41, 0, 7,    0, 1, 0, 0, 0, 0xAA,            // BLOB 7 = AA
        0x40, 0, 0x14, 0, 8, 7, 6, 5, 4,    3, 2,   1, // FILETIME 20
    };
    EXPECT_EQ(expected, EncodeProperties(Sample()));
    auto decoded = DecodeProperties(expected);
    ASSERT_TRUE(decoded.ok()) << decoded.status().message();
    EXPECT_EQ(Sample(), decoded.value());
}

TEST(PropertyBlobTest, DamagedBlobsAreRefusedWithTheirPlace) {
    const std::vector<BYTE> good = EncodeProperties(Sample());
    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
        const char* message;
    } cases[] = {
        {"empty", {}, "unknown format version"},
        {"other version", {2, 0, 0}, "unknown format version"},
        {"count cut", {1, 0}, "property count cut short"},
        {"more properties than bytes", {1, 5, 0}, "property identifier cut short"},
        {"unknown type", {1, 1, 0, 0x99, 0, 1, 0, 0, 0, 0, 0}, "unknown value type 153"},
        {"scalar cut", {1, 1, 0, 0x13, 0, 1, 0, 3, 0}, "value cut short"},
        {"string longer than the rest",
         {1, 1, 0, 0x1F, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0},
         "value runs past the end"},
        {"odd string bytes", {1, 1, 0, 0x1F, 0, 1, 0, 1, 0, 0, 0, 'a'}, "value runs past the end"},
        {"NUL in a string", {1, 1, 0, 0x1F, 0, 1, 0, 1, 0, 0, 0, 0, 0}, "NUL inside a string"},
        {"blob longer than the rest",
         {1, 1, 0, 0x41, 0, 1, 0, 2, 0, 0, 0, 9},
         "value runs past the end"},
        {"same number twice",
         {1, 2, 0, 0x13, 0, 1, 0, 3, 0, 0, 0, 0x02, 0, 1, 0, 4, 0},
         "property 1 twice"},
        {"trailing bytes", {1, 0, 0, 0}, "bytes after the last property"},
    };
    for (const auto& c : cases) {
        auto decoded = DecodeProperties(c.bytes);
        ASSERT_FALSE(decoded.ok()) << c.what;
        EXPECT_EQ(ERROR_INVALID_DATA, decoded.status().code()) << c.what;
        EXPECT_NE(std::string::npos, decoded.status().message().find(c.message))
            << c.what << ": " << decoded.status().message();
    }
    // Every prefix of a good blob is refused.
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(DecodeProperties(std::span(good.data(), n)).ok()) << n;
}

TEST(PropertyBlobTest, AskedPropertiesAreKeptAndTheOthersStillChecked) {
    const std::vector<BYTE> good = EncodeProperties(Sample());
    const CEPROPID wanted[] = {MakePropId(20, CEVT_FILETIME), MakePropId(30, CEVT_LPWSTR),
                               MakePropId(99, CEVT_I2)};
    auto decoded = DecodeProperties(good, wanted);
    ASSERT_TRUE(decoded.ok()) << decoded.status().message();
    const PropertyList expected = {Sample()[1], Sample()[3]}; // in the stored order
    EXPECT_EQ(expected, decoded.value());

    const CEPROPID onlyFirst[] = {MakePropId(1, CEVT_UI4)};
    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
        const char* message;
    } cases[] = {
        {"NUL in a string not asked for",
         {1, 2, 0, 0x13, 0, 1, 0, 3, 0, 0, 0, 0x1F, 0, 2, 0, 2, 0, 0, 0, 'a', 0, 0, 0},
         "NUL inside a string"},
        {"a number not asked for twice",
         {1, 3, 0, 0x13, 0, 1, 0, 3, 0, 0, 0, 0x02, 0, 2, 0, 4, 0, 0x02, 0, 2, 0, 4, 0},
         "property 2 twice"},
        {"a string not asked for, too long",
         {1, 2, 0, 0x13, 0, 1, 0, 3, 0, 0, 0, 0x1F, 0, 2, 0, 9, 0, 0, 0, 'a', 0},
         "value runs past the end"},
    };
    for (const auto& c : cases) {
        auto refused = DecodeProperties(c.bytes, onlyFirst);
        ASSERT_FALSE(refused.ok()) << c.what;
        EXPECT_NE(std::string::npos, refused.status().message().find(c.message))
            << c.what << ": " << refused.status().message();
    }
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(DecodeProperties(std::span(good.data(), n), wanted).ok()) << n;
}

TEST(PropertyBlobTest, ANulUnitIsFoundWhereverItIsAndOnlyThere) {
    // Units with one zero byte, or the top bit set, are no NUL.
    const std::u16string kinds = u"\u0100\u0001\u8000\u0080\uFFFF\u7FFF";
    for (std::size_t length = 1; length <= 40; ++length) {
        std::u16string text;
        for (std::size_t i = 0; i < length; ++i)
            text += kinds[i % kinds.size()];
        // A number first, so that the string starts at every offset mod 8 in turn.
        Property lead{MakePropId(1, CEVT_BLOB), 0, {}, std::vector<BYTE>(length % 8, 0x11)};
        Property string{MakePropId(2, CEVT_LPWSTR), 0, text, {}};
        auto decoded = DecodeProperties(EncodeProperties({lead, string}));
        ASSERT_TRUE(decoded.ok()) << length << ": " << decoded.status().message();
        EXPECT_EQ(text, decoded.value()[1].text) << length;
        for (std::size_t at = 0; at < length; ++at) {
            string.text = text;
            string.text[at] = u'\0';
            auto refused = DecodeProperties(EncodeProperties({lead, string}));
            ASSERT_FALSE(refused.ok()) << length << " " << at;
            EXPECT_NE(std::string::npos, refused.status().message().find("NUL inside a string"))
                << length << " " << at << ": " << refused.status().message();
        }
    }
}

} // namespace
