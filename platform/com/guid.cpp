// GUIDs as text: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
#include "platform/com/objbase.h"

#include <cstdio>
#include <string>

namespace {

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (!lpsz || !pclsid)
        return E_INVALIDARG;
    static constexpr char16_t kPattern[] = u"{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    constexpr std::size_t kLength = sizeof(kPattern) / sizeof(char16_t) - 1;
    std::uint8_t bytes[16];
    std::size_t nibble = 0;
    for (std::size_t i = 0; i <= kLength; ++i) {
        const char16_t c = lpsz[i];
        if (i == kLength) {
            if (c != 0)
                return CO_E_CLASSSTRING;
            break;
        }
        if (kPattern[i] != u'x') {
            if (c != kPattern[i])
                return CO_E_CLASSSTRING;
            continue;
        }
        const int v = HexValue(c);
        if (v < 0)
            return CO_E_CLASSSTRING;
        if (nibble % 2 == 0)
            bytes[nibble / 2] = static_cast<std::uint8_t>(v << 4);
        else
            bytes[nibble / 2] |= static_cast<std::uint8_t>(v);
        ++nibble;
    }
    // The text reads the first three fields as numbers, the last eight bytes in order.
    GUID g;
    g.Data1 = static_cast<DWORD>(bytes[0]) << 24 | static_cast<DWORD>(bytes[1]) << 16 |
              static_cast<DWORD>(bytes[2]) << 8 | bytes[3];
    g.Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
    g.Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = bytes[8 + i];
    *pclsid = g;
    return S_OK;
}

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    constexpr int kNeeded = 39;
    if (!lpsz || cchMax < kNeeded)
        return 0;
    char text[kNeeded + 1];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  rguid.Data1, rguid.Data2, rguid.Data3, rguid.Data4[0], rguid.Data4[1],
                  rguid.Data4[2], rguid.Data4[3], rguid.Data4[4], rguid.Data4[5], rguid.Data4[6],
                  rguid.Data4[7]);
    for (int i = 0; i < kNeeded; ++i)
        lpsz[i] = static_cast<char16_t>(text[i]);
    return kNeeded;
}
