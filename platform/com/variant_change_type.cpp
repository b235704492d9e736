// VariantChangeType for the value types the desktop uses.
#include "platform/com/oleauto.h"
#include "platform/com/variant_types.h"

#include "platform/base/unicode.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

constexpr double kMinDate = -657434.0;      // 1 January 100
constexpr double kMaxDateLimit = 2958466.0; // the day after 31 December 9999

std::string Narrow(BSTR text) {
    return unicode::ToUtf8(std::u16string_view(text ? text : u"", SysStringLen(text)));
}

BSTR MakeBstr(const std::string& text) {
    const std::u16string wide = unicode::ToUtf16(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool EqualsNoCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

// Numbers print with up to 15 significant digits, as the platform does.
std::string FormatNumber(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    return buffer;
}

std::optional<double> ParseNumber(const std::string& text) {
    const std::string t = Trim(text);
    if (t.empty())
        return std::nullopt;
    for (char c : t)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.' &&
            c != 'e' && c != 'E')
            return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "M/d/yyyy h:mm:ss AM", the date left out on day 0, the time left out at midnight.
std::string FormatDate(DATE date) {
    SYSTEMTIME st;
    if (!VariantTimeToSystemTime(date, &st))
        return {};
    char buffer[64];
    std::string text;
    const bool hasDate = std::trunc(date) != 0.0;
    const bool hasTime = st.wHour || st.wMinute || st.wSecond;
    if (hasDate || !hasTime) {
        std::snprintf(buffer, sizeof buffer, "%u/%u/%u", st.wMonth, st.wDay, st.wYear);
        text = buffer;
    }
    if (hasTime) {
        const unsigned hour12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
        std::snprintf(buffer, sizeof buffer, "%s%u:%02u:%02u %s", text.empty() ? "" : " ", hour12,
                      st.wMinute, st.wSecond, st.wHour < 12 ? "AM" : "PM");
        text += buffer;
    }
    return text;
}

// Reads unsigned decimal digits at `pos`; nullopt when there are none.
std::optional<unsigned> ReadNumber(const std::string& s, std::size_t& pos) {
    std::size_t start = pos;
    unsigned value = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])) && pos - start < 6)
        value = value * 10 + static_cast<unsigned>(s[pos++] - '0');
    if (pos == start)
        return std::nullopt;
    return value;
}

// Accepts "M/d/yyyy", "yyyy-MM-dd", either followed by a time, or a time
// alone: "h:mm[:ss][ AM|PM]" (also "hh:mm:ss" after a 'T').
std::optional<DATE> ParseDate(const std::string& text) {
    const std::string s = Trim(text);
    std::size_t pos = 0;
    SYSTEMTIME st{};
    st.wYear = 1899, st.wMonth = 12, st.wDay = 30;
    bool hasDate = false;
    const std::size_t firstColon = s.find(':');
    const std::size_t firstSeparator = s.find_first_of("/-");
    if (firstSeparator != std::string::npos &&
        (firstColon == std::string::npos || firstSeparator < firstColon)) {
        auto a = ReadNumber(s, pos);
        if (!a || pos >= s.size())
            return std::nullopt;
        const char separator = s[pos++];
        auto b = ReadNumber(s, pos);
        if (!b || pos >= s.size() || s[pos++] != separator)
            return std::nullopt;
        auto c = ReadNumber(s, pos);
        if (!c)
            return std::nullopt;
        if (separator == '-')
            st.wYear = static_cast<WORD>(*a), st.wMonth = static_cast<WORD>(*b),
            st.wDay = static_cast<WORD>(*c);
        else
            st.wMonth = static_cast<WORD>(*a), st.wDay = static_cast<WORD>(*b),
            st.wYear = static_cast<WORD>(*c);
        hasDate = true;
        if (pos < s.size() && (s[pos] == 'T' || s[pos] == ' '))
            ++pos;
        while (pos < s.size() && s[pos] == ' ')
            ++pos;
    }
    if (pos < s.size()) {
        auto h = ReadNumber(s, pos);
        if (!h || pos >= s.size() || s[pos++] != ':')
            return std::nullopt;
        auto m = ReadNumber(s, pos);
        if (!m)
            return std::nullopt;
        unsigned sec = 0;
        if (pos < s.size() && s[pos] == ':') {
            ++pos;
            auto v = ReadNumber(s, pos);
            if (!v)
                return std::nullopt;
            sec = *v;
        }
        while (pos < s.size() && s[pos] == ' ')
            ++pos;
        unsigned hour = *h;
        if (pos < s.size()) {
            const std::string suffix = s.substr(pos);
            const bool am = EqualsNoCase(suffix, "AM"), pm = EqualsNoCase(suffix, "PM");
            if ((!am && !pm) || hour < 1 || hour > 12)
                return std::nullopt;
            hour = hour % 12 + (pm ? 12 : 0);
            pos = s.size();
        }
        st.wHour = static_cast<WORD>(hour), st.wMinute = static_cast<WORD>(*m),
        st.wSecond = static_cast<WORD>(sec);
        if (*h > 99 || *m > 99 || sec > 99)
            return std::nullopt;
    } else if (!hasDate) {
        return std::nullopt;
    }
    DATE date;
    if (!SystemTimeToVariantTime(&st, &date))
        return std::nullopt;
    return date;
}

// A value reduced to a double, for the numeric targets.
HRESULT ToDouble(const VARIANT& v, double& out) {
    switch (v.vt) {
    case VT_EMPTY:
        out = 0;
        return S_OK;
    case VT_I2:
        out = v.iVal;
        return S_OK;
    case VT_I4:
        out = v.lVal;
        return S_OK;
    case VT_R8:
        out = v.dblVal;
        return S_OK;
    case VT_DATE:
        out = v.date;
        return S_OK;
    case VT_BOOL:
        out = v.boolVal ? -1 : 0;
        return S_OK;
    case VT_BSTR: {
        const std::string text = Narrow(v.bstrVal);
        if (auto number = ParseNumber(text)) {
            out = *number;
            return S_OK;
        }
        return DISP_E_TYPEMISMATCH;
    }
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// Rounds half to even, as the platform does for integer targets.
HRESULT ToInteger(double value, double low, double high, LONG& out) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= low && rounded <= high))
        return DISP_E_OVERFLOW;
    out = static_cast<LONG>(rounded);
    return S_OK;
}

// Converts a value that is not an object into `vt`; `result` is fresh.
HRESULT ConvertPlain(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT& result) {
    VariantInit(&result);
    if (src.vt == VT_NULL || src.vt == VT_ERROR || vt == VT_ERROR)
        return DISP_E_TYPEMISMATCH;
    switch (vt) {
    case VT_EMPTY:
        return src.vt == VT_EMPTY ? S_OK : DISP_E_TYPEMISMATCH;
    case VT_NULL:
        if (src.vt != VT_EMPTY)
            return DISP_E_TYPEMISMATCH;
        result.vt = VT_NULL;
        return S_OK;
    case VT_I2:
    case VT_I4: {
        double value;
        if (HRESULT hr = ToDouble(src, value); FAILED(hr))
            return hr;
        LONG integer;
        if (HRESULT hr = vt == VT_I2 ? ToInteger(value, -32768, 32767, integer)
                                     : ToInteger(value, -2147483648.0, 2147483647.0, integer);
            FAILED(hr))
            return hr;
        result.vt = vt;
        if (vt == VT_I2)
            result.iVal = static_cast<SHORT>(integer);
        else
            result.lVal = integer;
        return S_OK;
    }
    case VT_R8:
    case VT_DATE: {
        double value;
        if (src.vt == VT_BSTR && vt == VT_DATE) {
            auto date = ParseDate(Narrow(src.bstrVal));
            if (!date) {
                // A number in text is a date too.
                if (HRESULT hr = ToDouble(src, value); FAILED(hr))
                    return hr;
            } else {
                value = *date;
            }
        } else if (HRESULT hr = ToDouble(src, value); FAILED(hr)) {
            return hr;
        }
        if (vt == VT_DATE && !(value >= kMinDate && value < kMaxDateLimit))
            return DISP_E_OVERFLOW;
        result.vt = vt;
        result.dblVal = value;
        return S_OK;
    }
    case VT_BOOL: {
        double value;
        if (src.vt == VT_BSTR) {
            const std::string text = Trim(Narrow(src.bstrVal));
            if (EqualsNoCase(text, "True") || EqualsNoCase(text, "#TRUE#")) {
                value = 1;
            } else if (EqualsNoCase(text, "False") || EqualsNoCase(text, "#FALSE#")) {
                value = 0;
            } else if (HRESULT hr = ToDouble(src, value); FAILED(hr)) {
                return hr;
            }
        } else if (HRESULT hr = ToDouble(src, value); FAILED(hr)) {
            return hr;
        }
        result.vt = VT_BOOL;
        result.boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    case VT_BSTR: {
        std::string text;
        switch (src.vt) {
        case VT_EMPTY:
            break;
        case VT_I2:
            text = std::to_string(src.iVal);
            break;
        case VT_I4:
            text = std::to_string(src.lVal);
            break;
        case VT_R8:
            text = FormatNumber(src.dblVal);
            break;
        case VT_DATE:
            text = FormatDate(src.date);
            if (text.empty())
                return DISP_E_OVERFLOW;
            break;
        case VT_BOOL:
            text = (flags & VARIANT_ALPHABOOL) ? (src.boolVal ? "True" : "False")
                                               : (src.boolVal ? "-1" : "0");
            break;
        default:
            return DISP_E_TYPEMISMATCH;
        }
        result.bstrVal = MakeBstr(text);
        if (!result.bstrVal)
            return E_OUTOFMEMORY;
        result.vt = VT_BSTR;
        return S_OK;
    }
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// The value of an object's default member (a property get of DISPID_VALUE).
HRESULT DefaultValue(IUnknown* object, VARIANT& value) {
    VariantInit(&value);
    if (!object)
        return DISP_E_TYPEMISMATCH;
    IDispatch* dispatch = nullptr;
    if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) ||
        !dispatch)
        return DISP_E_TYPEMISMATCH;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXCEPINFO exception{};
    HRESULT hr = dispatch->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value,
                                  &exception, nullptr);
    dispatch->Release();
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr)) {
        VariantClear(&value);
        return hr == DISP_E_MEMBERNOTFOUND ? DISP_E_TYPEMISMATCH : hr;
    }
    return S_OK;
}

} // namespace

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                          VARTYPE vt) {
    if (!pvargDest || !pvarSrc)
        return E_INVALIDARG;
    if (!com::IsSupportedVariantType(vt) || !com::IsSupportedVariantType(pvarSrc->vt))
        return (vt & VT_BYREF) || (pvarSrc->vt & VT_BYREF) ? DISP_E_TYPEMISMATCH
                                                           : DISP_E_BADVARTYPE;
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = S_OK;
    const bool srcIsObject = pvarSrc->vt == VT_DISPATCH || pvarSrc->vt == VT_UNKNOWN;
    if (pvarSrc->vt == vt) {
        hr = VariantCopy(&result, pvarSrc);
    } else if (srcIsObject && (vt == VT_DISPATCH || vt == VT_UNKNOWN)) {
        if (!pvarSrc->punkVal) {
            result.vt = vt;
        } else {
            void* converted = nullptr;
            hr = pvarSrc->punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
                                                  &converted);
            if (SUCCEEDED(hr)) {
                result.vt = vt;
                result.punkVal = static_cast<IUnknown*>(converted);
            } else {
                hr = DISP_E_TYPEMISMATCH;
            }
        }
    } else if (srcIsObject) {
        if (wFlags & VARIANT_NOVALUEPROP) {
            hr = DISP_E_TYPEMISMATCH;
        } else {
            VARIANT value;
            hr = DefaultValue(pvarSrc->punkVal, value);
            // An object whose default value is another object is not followed further.
            if (SUCCEEDED(hr) && (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN))
                hr = vt == value.vt ? VariantCopy(&result, &value) : DISP_E_TYPEMISMATCH;
            else if (SUCCEEDED(hr))
                hr = value.vt == vt ? VariantCopy(&result, &value)
                                    : ConvertPlain(value, wFlags, vt, result);
            VariantClear(&value);
        }
    } else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        hr = DISP_E_TYPEMISMATCH;
    } else {
        hr = ConvertPlain(*pvarSrc, wFlags, vt, result);
    }
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    // The source may be the destination: it is cleared only now.
    if (HRESULT cleared = VariantClear(pvargDest); FAILED(cleared)) {
        VariantClear(&result);
        return cleared;
    }
    *pvargDest = result;
    return S_OK;
}
