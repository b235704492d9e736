#include "shared/notes/note_packet.h"

#include <gtest/gtest.h>

#include <vector>

using notepacket::ReadResult;

namespace {

std::vector<BYTE> DevicePacket(DWORD color, std::u16string_view cat, std::u16string_view text) {
    std::vector<BYTE> block(notepacket::DeviceNotePacketSize(cat.size(), text.size()));
    notepacket::WriteDeviceNotePacket(block.data(), color, cat, text);
    return block;
}

std::vector<BYTE> Utf16Bytes(std::u16string_view text) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

void Append(std::vector<BYTE>& to, const std::vector<BYTE>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

} // namespace

TEST(DeviceNotePacket, EmptyNoteIsSixteenBytes) {
    const std::vector<BYTE> expected = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(expected, DevicePacket(2, u"", u""));
}

TEST(DeviceNotePacket, LayoutByteForByte) {
    const std::u16string cat = u"Home\n";
    const std::u16string text = u"Shopping\r\nmilk";
    std::vector<BYTE> expected = {3, 0, 0, 0, 5, 0, 0, 0, 14, 0, 0, 0};
    Append(expected, Utf16Bytes(cat));
    Append(expected, {0, 0});
    Append(expected, Utf16Bytes(text));
    Append(expected, {0, 0});
    ASSERT_EQ(54u, expected.size());
    EXPECT_EQ(expected, DevicePacket(3, cat, text));

    notepacket::DeviceNote note;
    ASSERT_EQ(ReadResult::Ok, notepacket::ReadDeviceNotePacket(expected.data(), 54, &note));
    EXPECT_EQ(3u, note.color);
    EXPECT_EQ(cat, note.categories);
    EXPECT_EQ(text, note.text);
}

TEST(DeviceNotePacket, ColourTravelsUnchecked) {
    auto block = DevicePacket(7, u"", u"x");
    notepacket::DeviceNote note;
    ASSERT_EQ(ReadResult::Ok, notepacket::ReadDeviceNotePacket(block.data(), block.size(), &note));
    EXPECT_EQ(7u, note.color);
}

TEST(DeviceNotePacket, RefusesLengthsThatDoNotFit) {
    auto block = DevicePacket(1, u"A\n", u"text");
    notepacket::DeviceNote note;
    EXPECT_EQ(ReadResult::TooShort, notepacket::ReadDeviceNotePacket(block.data(), 11, &note));
    EXPECT_EQ(ReadResult::LengthsDontFit,
              notepacket::ReadDeviceNotePacket(block.data(), block.size() - 1, &note));
    StoreU32(block.data() + 8, 0xFFFFFFFF); // a length that would wrap 32 bits
    EXPECT_EQ(ReadResult::LengthsDontFit,
              notepacket::ReadDeviceNotePacket(block.data(), block.size(), &note));
    EXPECT_EQ(ReadResult::TooShort, notepacket::ReadDeviceNotePacket(nullptr, 100, &note));
}

TEST(DeviceNotePacket, StringWithoutNulStopsAtItsRegion) {
    // The categories region holds no NUL: the text ends at the region's end,
    // and the note text is still found from the length field alone.
    auto block = DevicePacket(0, u"AB", u"CD");
    block[16] = 'X'; // overwrite the categories NUL
    notepacket::DeviceNote note;
    ASSERT_EQ(ReadResult::Ok, notepacket::ReadDeviceNotePacket(block.data(), block.size(), &note));
    EXPECT_EQ(u"ABX", note.categories);
    EXPECT_EQ(u"CD", note.text);
}

TEST(DesktopNotePacket, LayoutByteForByte) {
    const FILETIME created{0x11223344, 0x01D5AABB};
    std::vector<BYTE> block(notepacket::DesktopNotePacketSize(4, 2));
    ASSERT_EQ(36u, block.size());
    notepacket::WriteDesktopNotePacket(block.data(), 4, created, 4, u"a\nb\n", 2, u"hi");
    std::vector<BYTE> expected = {4,    0,    0, 0, 0x44, 0x33, 0x22, 0x11, 0xBB, 0xAA,
                                  0xD5, 0x01, 4, 0, 0,    0,    2,    0,    0,    0};
    Append(expected, Utf16Bytes(u"a\nb\n"));
    Append(expected, {0, 0});
    Append(expected, Utf16Bytes(u"hi"));
    Append(expected, {0, 0});
    EXPECT_EQ(expected, block);

    notepacket::DesktopNote note;
    ASSERT_EQ(ReadResult::Ok, notepacket::ReadDesktopNotePacket(block.data(), 36, &note));
    EXPECT_EQ(4u, note.color);
    EXPECT_EQ(created.dwLowDateTime, note.created.dwLowDateTime);
    EXPECT_EQ(created.dwHighDateTime, note.created.dwHighDateTime);
    EXPECT_EQ(u"a\nb\n", note.categories);
    EXPECT_EQ(u"hi", note.text);
}

TEST(DesktopNotePacket, DoubleByteRegionIsZeroFilled) {
    // Six ANSI bytes that convert to three UTF-16 units: the region still
    // spans 14 bytes and the note text starts at 34.
    std::vector<BYTE> block(notepacket::DesktopNotePacketSize(6, 1));
    notepacket::WriteDesktopNotePacket(block.data(), 0, FILETIME{}, 6, u"\u65E5\u672C\n", 1, u"x");
    EXPECT_EQ(6u, LoadU32(block.data() + 12));
    for (int offset = 26; offset < 34; ++offset)
        EXPECT_EQ(0, block[offset]) << "offset " << offset;
    EXPECT_EQ('x', block[34]);

    notepacket::DesktopNote note;
    ASSERT_EQ(ReadResult::Ok, notepacket::ReadDesktopNotePacket(block.data(), block.size(), &note));
    EXPECT_EQ(u"\u65E5\u672C\n", note.categories);
    EXPECT_EQ(u"x", note.text);
}

TEST(DesktopNotePacket, RefusesLengthsThatDoNotFit) {
    std::vector<BYTE> block(notepacket::DesktopNotePacketSize(2, 3));
    notepacket::WriteDesktopNotePacket(block.data(), 0, FILETIME{}, 2, u"a\n", 3, u"abc");
    notepacket::DesktopNote note;
    EXPECT_EQ(ReadResult::TooShort, notepacket::ReadDesktopNotePacket(block.data(), 19, &note));
    EXPECT_EQ(ReadResult::LengthsDontFit,
              notepacket::ReadDesktopNotePacket(block.data(), block.size() - 2, &note));
    StoreU32(block.data() + 12, 0x80000000);
    EXPECT_EQ(ReadResult::LengthsDontFit,
              notepacket::ReadDesktopNotePacket(block.data(), block.size(), &note));
}
