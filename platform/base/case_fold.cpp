#include "platform/base/case_fold.h"

#include "platform/base/unicode.h"

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

std::string FoldCaseUtf8(std::string_view text) {
    return unicode::ToUtf8(FoldCase(unicode::ToUtf16(text)));
}

} // namespace platform
