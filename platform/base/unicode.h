// UTF-8 <-> UTF-16 for the edges where text meets a Linux terminal or file
// name. Invalid input becomes U+FFFD; nothing is read past the input.
#pragma once

#include <string>
#include <string_view>

namespace unicode {

// Writes `in` as UTF-8 at `at`, which has room for three bytes a unit (a
// pair's four come from two units); returns the end of what it wrote. No
// check of the room per byte, which cost most of the conversion of every
// EntryID. A lone surrogate becomes U+FFFD.
inline char* EncodeUtf8(std::u16string_view in, char* at) {
    for (std::size_t i = 0; i < in.size(); ++i) {
        char32_t c = in[i];
        if (c < 0x80) {
            *at++ = static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
            in[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x800) {
            *at++ = static_cast<char>(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *at++ = static_cast<char>(0xE0 | (c >> 12));
            *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        } else {
            *at++ = static_cast<char>(0xF0 | (c >> 18));
            *at++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        *at++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return at;
}

inline std::string ToUtf8(std::u16string_view in) {
    std::string out(3 * in.size(), '\0');
    out.resize(static_cast<std::size_t>(EncodeUtf8(in, out.data()) - out.data()));
    return out;
}

inline std::u16string ToUtf16(std::string_view in) {
    std::u16string out;
    out.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        const auto b = static_cast<unsigned char>(in[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        char32_t c = extra == 0 ? b : extra == 1 ? b & 0x1F : extra == 2 ? b & 0x0F : b & 0x07;
        bool valid = extra >= 0 && i + extra < in.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto cb = static_cast<unsigned char>(in[i + k]);
            valid = (cb & 0xC0) == 0x80;
            c = (c << 6) | (cb & 0x3F);
        }
        const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (!valid || c < minimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += extra + 1;
    }
    return out;
}

// Text for a person's terminal, in UTF-8: a control character (C0 but the
// ones in `kept`, DEL, C1) shows as \xNN or \u00NN instead of acting on the
// terminal, and text past `limit` characters (0: none) is cut with "...".
inline std::string Printable(std::u16string_view text, std::size_t limit = 0,
                             std::u16string_view kept = u"") {
    std::u16string shown;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (limit != 0 && characters == limit) {
            shown += u"...";
            break;
        }
        ++characters;
        const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        if (control && kept.find(c) == std::u16string_view::npos) {
            static constexpr char16_t kDigits[] = u"0123456789abcdef";
            shown += c < 0x80 ? u"\\x" : u"\\u00";
            shown += kDigits[c >> 4];
            shown += kDigits[c & 0xF];
            continue;
        }
        shown += c;
        // A surrogate pair is one character.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size())
            shown += text[++i];
    }
    return ToUtf8(shown);
}

inline std::string Printable(std::string_view utf8, std::size_t limit = 0,
                             std::u16string_view kept = u"") {
    return Printable(ToUtf16(utf8), limit, kept);
}

} // namespace unicode
