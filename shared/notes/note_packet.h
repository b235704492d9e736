// The note packets that carry one note between handheld and desktop.
//
// DeviceNotePacket (handheld to desktop), 2 * (uLenCat + uLenNote + 8) bytes:
//   0 uColor, 4 uLenCat, 8 uLenNote (UTF-16 units), 12 sCat + NUL,
//   14 + 2 * uLenCat sNote + NUL.
// DesktopNotePacket (desktop to handheld), 24 + 2 * (uLenCat + uLenNote) bytes:
//   0 uColor, 4 ftCreated (low, high), 12 uLenCat, 16 uLenNote (bytes of the
//   texts' ANSI forms), 20 region of sCat, 22 + 2 * uLenCat region of sNote;
//   each region holds its UTF-16 text, a NUL and zero bytes up to its end.
// Integers are 32-bit little-endian, read and written byte by byte: a block
// need not be aligned. No magic, version or checksum. Both halves of the
// system include this header; it depends on nothing but the base types.
#pragma once

#include "platform/base/byte_order.h"
#include "platform/base/windef.h"

#include <cstring>
#include <string>
#include <string_view>

namespace notepacket {

constexpr std::size_t kDeviceHeaderSize = 12;
constexpr std::size_t kDesktopHeaderSize = 20;

// A packet's decoded contents.
struct DeviceNote {
    DWORD color = 0;
    std::u16string categories;
    std::u16string text;
};

struct DesktopNote {
    DWORD color = 0;
    FILETIME created{};
    std::u16string categories;
    std::u16string text;
};

enum class ReadResult {
    Ok,
    TooShort,       // smaller than the header
    LengthsDontFit, // declared lengths run past the received size
};

// Sizes in 64 bits so that no declared length can wrap them.
inline unsigned long long DeviceNotePacketSize(unsigned long long lenCat,
                                               unsigned long long lenNote) {
    return 2 * (lenCat + lenNote + 8);
}

inline unsigned long long DesktopNotePacketSize(unsigned long long lenCat,
                                                unsigned long long lenNote) {
    return 24 + 2 * (lenCat + lenNote);
}

// Copies UTF-16 text with its NUL into the block (little-endian units).
inline void StoreText(BYTE* p, std::u16string_view text) {
    for (char16_t c : text) {
        *p++ = static_cast<BYTE>(c);
        *p++ = static_cast<BYTE>(c >> 8);
    }
    p[0] = 0;
    p[1] = 0;
}

// The text of a region of `units` code units, up to its first NUL; never
// beyond the region.
inline std::u16string LoadText(const BYTE* p, std::size_t units) {
    std::u16string text;
    for (std::size_t i = 0; i < units; ++i) {
        char16_t c = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
        if (c == 0)
            break;
        text.push_back(c);
    }
    return text;
}

// Writes a DeviceNotePacket into `block`, which holds exactly
// DeviceNotePacketSize(categories.size(), text.size()) zeroed bytes.
inline void WriteDeviceNotePacket(BYTE* block, DWORD color, std::u16string_view categories,
                                  std::u16string_view text) {
    const auto lenCat = static_cast<DWORD>(categories.size());
    StoreU32(block + 0, color);
    StoreU32(block + 4, lenCat);
    StoreU32(block + 8, static_cast<DWORD>(text.size()));
    StoreText(block + 12, categories);
    StoreText(block + 14 + 2 * std::size_t{lenCat}, text);
}

inline ReadResult ReadDeviceNotePacket(const BYTE* block, std::size_t size, DeviceNote* note) {
    if (block == nullptr || size < kDeviceHeaderSize)
        return ReadResult::TooShort;
    const DWORD lenCat = LoadU32(block + 4);
    const DWORD lenNote = LoadU32(block + 8);
    if (DeviceNotePacketSize(lenCat, lenNote) > size)
        return ReadResult::LengthsDontFit;
    note->color = LoadU32(block + 0);
    note->categories = LoadText(block + 12, std::size_t{lenCat} + 1);
    note->text = LoadText(block + 14 + 2 * std::size_t{lenCat}, std::size_t{lenNote} + 1);
    return ReadResult::Ok;
}

// Writes a DesktopNotePacket into `block`, which holds exactly
// DesktopNotePacketSize(ansiLenCat, ansiLenNote) zeroed bytes. The UTF-16
// texts are the conversions of the ANSI texts, so each has at most as many
// units as its ANSI form has bytes; a longer one is cut to its region.
inline void WriteDesktopNotePacket(BYTE* block, DWORD color, FILETIME created, DWORD ansiLenCat,
                                   std::u16string_view categories, DWORD ansiLenNote,
                                   std::u16string_view text) {
    StoreU32(block + 0, color);
    StoreU32(block + 4, created.dwLowDateTime);
    StoreU32(block + 8, created.dwHighDateTime);
    StoreU32(block + 12, ansiLenCat);
    StoreU32(block + 16, ansiLenNote);
    StoreText(block + 20, categories.substr(0, ansiLenCat));
    StoreText(block + 22 + 2 * std::size_t{ansiLenCat}, text.substr(0, ansiLenNote));
}

inline ReadResult ReadDesktopNotePacket(const BYTE* block, std::size_t size, DesktopNote* note) {
    if (block == nullptr || size < kDesktopHeaderSize)
        return ReadResult::TooShort;
    const DWORD lenCat = LoadU32(block + 12);
    const DWORD lenNote = LoadU32(block + 16);
    if (DesktopNotePacketSize(lenCat, lenNote) > size)
        return ReadResult::LengthsDontFit;
    note->color = LoadU32(block + 0);
    note->created.dwLowDateTime = LoadU32(block + 4);
    note->created.dwHighDateTime = LoadU32(block + 8);
    note->categories = LoadText(block + 20, std::size_t{lenCat} + 1);
    note->text = LoadText(block + 22 + 2 * std::size_t{lenCat}, std::size_t{lenNote} + 1);
    return ReadResult::Ok;
}

} // namespace notepacket
