// The code-page conversions of both machines: 1252, 932 and UTF-8.
//
// The mapping tables are built once per process from glibc's iconv (CP1252,
// CP932); the conversions then follow Windows' rules on top of them.
#include "platform/base/code_pages.h"

#include "platform/base/kernel.h"

#include "platform/base/unicode.h"

#include <array>
#include <iconv.h>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

constexpr char16_t kNoChar = 0xFFFF; // table entry: no character here
// What 932 gives for bytes that name no character: its default Unicode
// character, KATAKANA MIDDLE DOT, as Windows' code-page tables define it.
constexpr char16_t kDefaultUnicode932 = 0x30FB;

struct CodePageTable {
    std::array<char16_t, 256> single{};      // byte -> character, kNoChar where none
    std::array<bool, 256> lead{};            // 932 lead bytes
    std::unordered_map<WORD, char16_t> pair; // lead << 8 | trail -> character
    std::unordered_map<char16_t, WORD> back; // character -> byte or pair
};

// One character through iconv; kNoChar when iconv has no mapping for it.
char16_t DecodeWithIconv(iconv_t cd, const char* bytes, std::size_t length) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[2] = {bytes[0], length > 1 ? bytes[1] : '\0'};
    char16_t out[4] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = length, outLeft = sizeof(out);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0 || outLeft != sizeof(out) - 2)
        return kNoChar;
    return out[0];
}

CodePageTable Build1252() {
    CodePageTable table;
    iconv_t cd = iconv_open("UTF-16LE", "CP1252");
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        char16_t c = cd != reinterpret_cast<iconv_t>(-1) ? DecodeWithIconv(cd, &byte, 1) : kNoChar;
        // 0x81, 0x8D, 0x8F, 0x90 and 0x9D are unassigned; Windows maps them to
        // the C1 control characters of the same value (and back).
        if (c == kNoChar)
            c = static_cast<char16_t>(b);
        table.single[b] = c;
        table.back.emplace(c, static_cast<WORD>(b));
    }
    if (cd != reinterpret_cast<iconv_t>(-1))
        iconv_close(cd);
    return table;
}

bool IsTrail932(unsigned b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

CodePageTable Build932() {
    CodePageTable table;
    table.single.fill(kNoChar);
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return table;
    for (unsigned b = 0; b < 256; ++b) {
        table.lead[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (table.lead[b])
            continue;
        const char byte = static_cast<char>(b);
        const char16_t c = DecodeWithIconv(cd, &byte, 1);
        table.single[b] = c;
        if (c != kNoChar)
            table.back.emplace(c, static_cast<WORD>(b));
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!table.lead[lead])
            continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (!IsTrail932(trail))
                continue;
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            const char16_t c = DecodeWithIconv(cd, pair, 2);
            if (c == kNoChar)
                continue;
            const auto code = static_cast<WORD>(lead << 8 | trail);
            table.pair.emplace(code, c);
            // Several pairs may name one character (NEC and IBM duplicates);
            // Windows encodes it with the first.
            table.back.emplace(c, code);
        }
    }
    iconv_close(cd);
    return table;
}

const CodePageTable* TableFor(UINT codePage) {
    static std::once_flag once1252, once932;
    static CodePageTable t1252, t932;
    if (codePage == 1252) {
        std::call_once(once1252, [] { t1252 = Build1252(); });
        return &t1252;
    }
    if (codePage == 932) {
        std::call_once(once932, [] { t932 = Build932(); });
        return &t932;
    }
    return nullptr;
}

// The machine's ANSI code page is a registry read: asked only for CP_ACP and
// CP_OEMCP.
UINT Resolve(UINT (*machineCodePage)(), UINT codePage) {
    return codePage == CP_ACP || codePage == CP_OEMCP ? machineCodePage() : codePage;
}

// Copies `converted` out under the shared buffer rules; returns the count or 0.
template <class Char>
int Deliver(const std::basic_string<Char>& converted, Char* out, int outSize) {
    const auto needed = static_cast<int>(converted.size());
    if (outSize == 0)
        return needed;
    if (needed > outSize) {
        // Nothing is written, so no half of a double-byte character reaches the caller.
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    converted.copy(out, converted.size());
    return needed;
}

} // namespace

namespace platform {

int ToWideChar(UINT (*machineCodePage)(), UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
               int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar) {
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (dwFlags & ~(MB_PRECOMPOSED | MB_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const std::size_t length = cbMultiByte == -1
                                   ? std::char_traits<char>::length(lpMultiByteStr) + 1
                                   : static_cast<std::size_t>(cbMultiByte);
    const bool strict = dwFlags & MB_ERR_INVALID_CHARS;
    const UINT codePage = Resolve(machineCodePage, CodePage);
    std::u16string out;
    out.reserve(length);
    if (codePage == CP_UTF8) {
        out = unicode::ToUtf16(std::string_view(lpMultiByteStr, length));
        if (strict && out.find(u'\uFFFD') != std::u16string::npos &&
            unicode::ToUtf8(out) != std::string_view(lpMultiByteStr, length)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        return Deliver(out, lpWideCharStr, cchWideChar);
    }
    const CodePageTable* table = TableFor(codePage);
    if (!table) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(lpMultiByteStr[i]);
        char16_t c;
        if (table->lead[b]) {
            // A lead byte takes the next byte as its trail when it can be one;
            // an orphan lead byte stands alone and the next byte is read afresh.
            if (i + 1 < length && IsTrail932(static_cast<unsigned char>(lpMultiByteStr[i + 1]))) {
                const auto code =
                    static_cast<WORD>(b << 8 | static_cast<unsigned char>(lpMultiByteStr[i + 1]));
                auto found = table->pair.find(code);
                c = found != table->pair.end() ? found->second : kNoChar;
                ++i;
            } else {
                c = kNoChar;
            }
        } else {
            c = table->single[b];
        }
        if (c == kNoChar) {
            if (strict) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return 0;
            }
            c = kDefaultUnicode932;
        }
        out += c;
    }
    return Deliver(out, lpWideCharStr, cchWideChar);
}

int ToMultiByte(UINT (*machineCodePage)(), UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr,
                int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                BOOL* lpUsedDefaultChar) {
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (dwFlags & ~WC_NO_BEST_FIT_CHARS) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const std::size_t length = cchWideChar == -1
                                   ? std::char_traits<char16_t>::length(lpWideCharStr) + 1
                                   : static_cast<std::size_t>(cchWideChar);
    const UINT codePage = Resolve(machineCodePage, CodePage);
    if (codePage == CP_UTF8) {
        if (lpDefaultChar || lpUsedDefaultChar) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        const std::u16string_view text(lpWideCharStr, length);
        // Room for the most the text can take: written in place, not copied.
        if (static_cast<std::size_t>(cbMultiByte) >= 3 * length)
            return static_cast<int>(unicode::EncodeUtf8(text, lpMultiByteStr) - lpMultiByteStr);
        return Deliver(unicode::ToUtf8(text), lpMultiByteStr, cbMultiByte);
    }
    const CodePageTable* table = TableFor(codePage);
    if (!table) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // The default character is one byte or, in 932, one double-byte character.
    std::string defaultChar = "?";
    if (lpDefaultChar && *lpDefaultChar) {
        defaultChar.assign(1, lpDefaultChar[0]);
        if (table->lead[static_cast<unsigned char>(lpDefaultChar[0])] && lpDefaultChar[1])
            defaultChar += lpDefaultChar[1];
    }
    bool usedDefault = false;
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t c = lpWideCharStr[i];
        // A surrogate pair is one character that neither code page has: one default character.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && lpWideCharStr[i + 1] >= 0xDC00 &&
            lpWideCharStr[i + 1] <= 0xDFFF)
            ++i;
        auto found = (c >= 0xD800 && c <= 0xDFFF) ? table->back.end() : table->back.find(c);
        if (found == table->back.end()) {
            out += defaultChar;
            usedDefault = true;
        } else if (found->second > 0xFF) {
            out += static_cast<char>(found->second >> 8);
            out += static_cast<char>(found->second & 0xFF);
        } else {
            out += static_cast<char>(found->second);
        }
    }
    const int result = Deliver(out, lpMultiByteStr, cbMultiByte);
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    return result;
}

std::u16string AnsiToWide(UINT (*machineCodePage)(), std::string_view ansi) {
    if (ansi.empty())
        return {};
    const int length = static_cast<int>(ansi.size());
    std::u16string wide(static_cast<std::size_t>(length), u'\0');
    const int written =
        ToWideChar(machineCodePage, CP_ACP, 0, ansi.data(), length, wide.data(), length);
    wide.resize(static_cast<std::size_t>(written));
    return wide;
}

std::string WideToAnsi(UINT (*machineCodePage)(), std::u16string_view wide) {
    if (wide.empty())
        return {};
    const int length = static_cast<int>(wide.size());
    // The code page is read once: a second read could differ from the first.
    const UINT codePage = machineCodePage();
    const int needed = ToMultiByte(machineCodePage, codePage, 0, wide.data(), length, nullptr, 0,
                                   nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(needed), '\0');
    const int written = ToMultiByte(machineCodePage, codePage, 0, wide.data(), length, ansi.data(),
                                    needed, nullptr, nullptr);
    ansi.resize(static_cast<std::size_t>(written));
    return ansi;
}

} // namespace platform
