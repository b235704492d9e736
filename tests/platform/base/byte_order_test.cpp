#include "platform/base/byte_order.h"

#include <gtest/gtest.h>

namespace {

TEST(ByteOrder, Utf16ReadsEitherOrderAndLeavesAnOddByte) {
    const BYTE bytes[] = {0x41, 0x00, 0x3D, 0xD8, 0x00, 0xDE, 0xFF};
    EXPECT_EQ(u"A\U0001F600", LoadUtf16(bytes));
    EXPECT_EQ(u"\u4100\u3DD8\u00DE", LoadUtf16(bytes, std::endian::big));
    EXPECT_EQ(u"", LoadUtf16(std::span<const BYTE>(bytes, 1)));
    EXPECT_EQ(u"", LoadUtf16(std::span<const BYTE>()));
}

TEST(ByteOrder, Utf16RoundTripsEveryUnit) {
    std::u16string all;
    for (char32_t unit = 0; unit <= 0xFFFF; unit += 0x101)
        all += static_cast<char16_t>(unit);
    const std::vector<BYTE> bytes = StoreUtf16Le(all);
    ASSERT_EQ(all.size() * 2, bytes.size());
    EXPECT_EQ(0x01, bytes[2]);
    EXPECT_EQ(0x01, bytes[3]);
    EXPECT_EQ(all, LoadUtf16(bytes));
}

TEST(ByteOrder, U32IsLittleEndian) {
    BYTE bytes[4];
    StoreU32(bytes, 0x12345678);
    EXPECT_EQ(0x78, bytes[0]);
    EXPECT_EQ(0x12, bytes[3]);
    EXPECT_EQ(0x12345678u, LoadU32(bytes));
}

} // namespace
