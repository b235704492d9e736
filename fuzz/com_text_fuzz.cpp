// Texts from outside through the desktop's conversions: bytes of code pages
// 1252 and 932 to UTF-16 and back, and automation text to numbers, dates and
// booleans. Nothing may read past its input or write past its buffer, and a
// 932 round trip of what decoded without replacement must give the bytes back.
#include "platform/com/oleauto.h"
#include "platform/win32/codepage.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void RoundTrip(UINT codePage, const char* bytes, int length) {
    const int wide = MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
    if (wide <= 0)
        return;
    std::vector<char16_t> text(static_cast<std::size_t>(wide));
    if (MultiByteToWideChar(codePage, 0, bytes, length, text.data(), wide) != wide)
        std::abort();
    const int narrow =
        WideCharToMultiByte(codePage, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::vector<char> back(static_cast<std::size_t>(narrow));
    BOOL usedDefault = FALSE;
    if (WideCharToMultiByte(codePage, 0, text.data(), wide, back.data(), narrow, nullptr,
                            &usedDefault) != narrow)
        std::abort();
    // Every byte of 1252 names a character: its bytes come back unchanged.
    if (codePage == 1252 && (narrow != length || std::memcmp(back.data(), bytes, length) != 0))
        std::abort();
}

void Convert(const char16_t* text, std::size_t length) {
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(text, static_cast<UINT>(length));
    for (VARTYPE target : {VT_I2, VT_I4, VT_R8, VT_DATE, VT_BOOL}) {
        VARIANT result;
        VariantInit(&result);
        if (SUCCEEDED(VariantChangeType(&result, &source, 0, target))) {
            VARIANT text2;
            VariantInit(&text2);
            VariantChangeType(&text2, &result, 0, VT_BSTR);
            VariantClear(&text2);
        }
        VariantClear(&result);
    }
    VariantClear(&source);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 4096)
        return 0;
    // Exact-size copies, so that any read past the input is caught.
    std::vector<char> bytes(data + 1, data + size);
    const int length = static_cast<int>(bytes.size());
    if (length > 0) {
        RoundTrip(data[0] & 1 ? 932 : 1252, bytes.data(), length);
    }
    std::vector<char16_t> text(bytes.size() / 2);
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    Convert(text.data(), text.size());
    return 0;
}
