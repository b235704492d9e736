#include "tools/ceutil/property_text.h"

#include "platform/base/unicode.h"

#include <charconv>
#include <cstdio>

namespace ceutil {

using platform::Result;
using platform::Status;

namespace {

struct TypeEntry {
    WORD type;
    const char* name;
};
constexpr TypeEntry kTypes[] = {
    {CEVT_I2, "i2"},     {CEVT_UI2, "ui2"},           {CEVT_I4, "i4"},         {CEVT_UI4, "ui4"},
    {CEVT_BOOL, "bool"}, {CEVT_FILETIME, "filetime"}, {CEVT_LPWSTR, "lpwstr"}, {CEVT_BLOB, "blob"},
};

Status Bad(const std::string& what) {
    return Status::Failure(ERROR_INVALID_PARAMETER, what);
}

// A whole-string integer in [min, max], decimal or with a 0x prefix.
std::optional<long long> ParseInteger(const std::string& text, long long min, long long max) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.data() + (hex ? 2 : 0);
    const char* end = text.data() + text.size();
    long long value = 0;
    auto [ptr, ec] = std::from_chars(begin, end, value, hex ? 16 : 10);
    if (ec != std::errc() || ptr != end || begin == end || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<std::string> Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i]) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

const char* TypeName(WORD type) {
    for (const auto& entry : kTypes)
        if (entry.type == type)
            return entry.name;
    return nullptr;
}

std::optional<WORD> TypeFromName(const std::string& name) {
    for (const auto& entry : kTypes)
        if (name == entry.name)
            return entry.type;
    return std::nullopt;
}

Result<ce::Property> ParseProperty(const std::string& text) {
    const auto colon = text.find(':');
    const auto equals = text.find('=');
    if (colon == std::string::npos || equals == std::string::npos || equals < colon)
        return Bad("a property is NUMBER:TYPE=VALUE: " + text);
    const auto number = ParseInteger(text.substr(0, colon), 0, 0xFFFF);
    if (!number)
        return Bad("bad property number in " + text);
    const auto type = TypeFromName(text.substr(colon + 1, equals - colon - 1));
    if (!type)
        return Bad("unknown property type in " + text);
    const std::string value = text.substr(equals + 1);
    ce::Property property;
    property.propid = MakePropId(static_cast<WORD>(*number), *type);
    std::optional<long long> parsed;
    switch (*type) {
    case CEVT_I2:
        parsed = ParseInteger(value, -32768, 32767);
        property.scalar = static_cast<std::uint16_t>(parsed.value_or(0));
        break;
    case CEVT_UI2:
        parsed = ParseInteger(value, 0, 0xFFFF);
        property.scalar = static_cast<std::uint64_t>(parsed.value_or(0));
        break;
    case CEVT_I4:
        parsed = ParseInteger(value, -2147483648ll, 2147483647ll);
        property.scalar = static_cast<std::uint32_t>(parsed.value_or(0));
        break;
    case CEVT_UI4:
        parsed = ParseInteger(value, 0, 0xFFFFFFFFll);
        property.scalar = static_cast<std::uint64_t>(parsed.value_or(0));
        break;
    case CEVT_BOOL:
        if (value == "true" || value == "1")
            parsed = 1;
        else if (value == "false" || value == "0")
            parsed = 0;
        property.scalar = static_cast<std::uint64_t>(parsed.value_or(0));
        break;
    case CEVT_FILETIME: {
        std::uint64_t ticks = 0;
        auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), ticks);
        if (ec == std::errc() && ptr == value.data() + value.size() && !value.empty())
            parsed = 0;
        property.scalar = ticks;
        break;
    }
    case CEVT_LPWSTR: {
        auto unescaped = Unescape(value);
        if (unescaped) {
            property.text = unicode::ToUtf16(*unescaped);
            if (property.text.find(u'\0') == std::u16string::npos)
                parsed = 0;
        }
        break;
    }
    case CEVT_BLOB:
        if (value.size() % 2 == 0) {
            parsed = 0;
            for (std::size_t i = 0; i < value.size() && parsed; i += 2) {
                const int hi = HexDigit(value[i]), lo = HexDigit(value[i + 1]);
                if (hi < 0 || lo < 0)
                    parsed.reset();
                else
                    property.bytes.push_back(static_cast<BYTE>(hi * 16 + lo));
            }
        }
        break;
    default:
        break;
    }
    if (!parsed)
        return Bad("bad " + std::string(TypeName(*type)) + " value in " + text);
    return property;
}

std::string EscapeText(const std::u16string& text) {
    std::u16string out;
    for (char16_t c : text) {
        switch (c) {
        case u'\r':
            out += u"\\r";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\t':
            out += u"\\t";
            break;
        case u'\\':
            out += u"\\\\";
            break;
        case u'"':
            out += u"\\\"";
            break;
        default:
            out += c;
        }
    }
    // Other control characters are shown escaped too, so that a value never
    // acts on the terminal it is shown on.
    return unicode::Printable(out);
}

std::string ValueText(const ce::Property& property) {
    switch (property.type()) {
    case CEVT_I2:
        return std::to_string(static_cast<std::int16_t>(property.scalar));
    case CEVT_I4:
        return std::to_string(static_cast<std::int32_t>(property.scalar));
    case CEVT_BOOL:
        return property.scalar ? "true" : "false";
    case CEVT_LPWSTR:
        return EscapeText(property.text);
    case CEVT_BLOB: {
        std::string hex;
        char digits[3];
        for (BYTE b : property.bytes) {
            std::snprintf(digits, sizeof digits, "%02x", b);
            hex += digits;
        }
        return hex;
    }
    default:
        return std::to_string(property.scalar);
    }
}

CEPROPVAL ToPropVal(ce::Property& property) {
    CEPROPVAL value{};
    value.propid = property.propid;
    switch (property.type()) {
    case CEVT_I2:
        value.val.iVal = static_cast<SHORT>(property.scalar);
        break;
    case CEVT_UI2:
        value.val.uiVal = static_cast<USHORT>(property.scalar);
        break;
    case CEVT_I4:
        value.val.lVal = static_cast<LONG>(property.scalar);
        break;
    case CEVT_UI4:
        value.val.ulVal = static_cast<ULONG>(property.scalar);
        break;
    case CEVT_BOOL:
        value.val.boolVal = static_cast<BOOL>(property.scalar);
        break;
    case CEVT_FILETIME:
        value.val.filetime = {static_cast<DWORD>(property.scalar),
                              static_cast<DWORD>(property.scalar >> 32)};
        break;
    case CEVT_LPWSTR:
        value.val.lpwstr = property.text.data();
        break;
    case CEVT_BLOB:
        value.val.blob = {static_cast<DWORD>(property.bytes.size()), property.bytes.data()};
        break;
    default:
        break;
    }
    return value;
}

} // namespace ceutil
