// Little-endian 32-bit numbers and UTF-16 text in byte blocks: the order
// every packet, handle and file of both machines stores them in. Callers
// check the bounds first.
#pragma once

#include "platform/base/windef.h"

#include <bit>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline DWORD LoadU32(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 |
           static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[3]) << 24;
}

inline void StoreU32(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
    p[3] = static_cast<BYTE>(v >> 24);
}

// The UTF-16 units of `bytes`, two bytes each in `order`; an odd last byte is
// not read (callers that must refuse it check the size first).
inline std::u16string LoadUtf16(std::span<const BYTE> bytes,
                                std::endian order = std::endian::little) {
    std::u16string text(bytes.size() / 2, u'\0');
    if (text.empty())
        return text; // an empty span may have no data to copy from
    if (order == std::endian::native) {
        std::memcpy(text.data(), bytes.data(), text.size() * 2);
        return text;
    }
    const int high = order == std::endian::little ? 1 : 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(bytes[2 * i + high] << 8 | bytes[2 * i + 1 - high]);
    return text;
}

// `text` as UTF-16LE bytes.
inline std::vector<BYTE> StoreUtf16Le(std::u16string_view text) {
    std::vector<BYTE> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<BYTE>(unit));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    return bytes;
}
