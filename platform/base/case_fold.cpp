#include "platform/base/case_fold.h"

#include "platform/base/unicode.h"

#include <langinfo.h>
#include <locale.h>
#include <wctype.h>

#include <cstring>

namespace platform {

char16_t FoldCase(char16_t c) {
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
    // Latin-1 capitals, except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<char16_t>(c + 0x20);
    // Latin Extended-A pairs capital/small, with the dotless i and the
    // odd-aligned runs handled apart.
    if (c >= 0x100 && c <= 0x137 && c != 0x130)
        return static_cast<char16_t>(c | 1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    if (c >= 0x14A && c <= 0x177)
        return static_cast<char16_t>(c | 1);
    if (c == 0x178)
        return 0xFF;
    // Greek capitals (0x3A2 is unassigned).
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return static_cast<char16_t>(c + 0x20);
    // Cyrillic.
    if (c >= 0x400 && c <= 0x40F)
        return static_cast<char16_t>(c + 0x50);
    if (c >= 0x410 && c <= 0x42F)
        return static_cast<char16_t>(c + 0x20);
    return c;
}

std::u16string FoldCase(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out)
        c = FoldCase(c);
    return out;
}

namespace {

locale_t UserCharacterTypes() {
    if (locale_t user = newlocale(LC_CTYPE_MASK, "", nullptr)) {
        if (std::strcmp(nl_langinfo_l(CODESET, user), "UTF-8") == 0)
            return user;
        freelocale(user);
    }
    if (locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr))
        return utf8;
    return newlocale(LC_CTYPE_MASK, "C", nullptr);
}

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c < 0xDC00;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c < 0xE000;
}

} // namespace

std::u16string LowerCase(std::u16string_view text) {
    // Made once and kept for the life of the process.
    static const locale_t types = UserCharacterTypes();
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = text[i];
        std::size_t units = 1;
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            units = 2;
        }
        char32_t lower = c;
        if (types != nullptr && !IsHighSurrogate(c) && !IsLowSurrogate(c))
            lower = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), types));
        if ((lower >= 0x10000 ? 2u : 1u) != units || IsHighSurrogate(lower) ||
            IsLowSurrogate(lower) || lower > 0x10FFFF)
            lower = c;
        if (lower >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((lower - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((lower - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(lower);
        }
        i += units;
    }
    return out;
}

std::string FoldCaseUtf8(std::string_view text) {
    return unicode::ToUtf8(FoldCase(unicode::ToUtf16(text)));
}

} // namespace platform
