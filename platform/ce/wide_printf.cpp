// wvsprintfW: the platform's small wide formatter, bounded by the caller's buffer.
#include "platform/ce/wide_printf.h"

#include <string>

namespace {

// Appends to the output while there is room (one unit is kept for the NUL).
class BoundedOutput {
public:
    BoundedOutput(LPWSTR buffer, std::size_t capacity) : m_buffer(buffer), m_capacity(capacity) {}
    void Put(char16_t c) {
        if (m_length + 1 < m_capacity)
            m_buffer[m_length++] = c;
    }
    void Put(std::u16string_view text) {
        for (char16_t c : text)
            Put(c);
    }
    int Finish() {
        if (m_capacity > 0)
            m_buffer[m_length] = 0;
        return static_cast<int>(m_length);
    }

private:
    LPWSTR m_buffer;
    std::size_t m_capacity;
    std::size_t m_length = 0;
};

std::u16string Digits(unsigned long long value, unsigned base, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::u16string out;
    do {
        out.insert(out.begin(), static_cast<char16_t>(digits[value % base]));
        value /= base;
    } while (value);
    return out;
}

} // namespace

int wvsprintfW(LPWSTR buffer, std::size_t cchBuffer, LPCWSTR format, va_list args) {
    if (!buffer || cchBuffer == 0)
        return 0;
    BoundedOutput out(buffer, cchBuffer);
    if (!format)
        return out.Finish();
    for (const char16_t* p = format; *p; ++p) {
        if (*p != u'%') {
            out.Put(*p);
            continue;
        }
        ++p;
        bool leftAlign = false, zeroPad = false;
        for (; *p == u'-' || *p == u'0'; ++p)
            (*p == u'-' ? leftAlign : zeroPad) = true;
        std::size_t width = 0;
        for (; *p >= u'0' && *p <= u'9'; ++p)
            width = std::min<std::size_t>(width * 10 + (*p - u'0'), 4096);
        // Size prefixes change nothing: "long" is 32 bits on the platform, so
        // %lu and %ld take the same 32-bit arguments as %u and %d.
        if (*p == u'l' || *p == u'h')
            ++p;
        std::u16string field;
        switch (*p) {
        case u's': {
            const char16_t* s = va_arg(args, const char16_t*);
            field = s ? s : u"(null)";
            break;
        }
        case u'c':
            field = static_cast<char16_t>(va_arg(args, int));
            break;
        case u'd':
        case u'i': {
            const long long value = va_arg(args, int);
            field = value < 0 ? u"-" + Digits(static_cast<unsigned long long>(-value), 10, false)
                              : Digits(static_cast<unsigned long long>(value), 10, false);
            break;
        }
        case u'u':
        case u'x':
        case u'X': {
            field = Digits(va_arg(args, unsigned), *p == u'u' ? 10 : 16, *p == u'X');
            break;
        }
        case u'%':
            field = u"%";
            break;
        case 0:
            // A lone % at the end: nothing more to format.
            return out.Finish();
        default:
            // An unknown conversion writes its character, as the platform does.
            field = *p;
            break;
        }
        if (field.size() < width) {
            const std::size_t pad = width - field.size();
            if (leftAlign)
                field.append(pad, u' ');
            else if (zeroPad && (field[0] == u'-'))
                field.insert(1, pad, u'0');
            else
                field.insert(0, pad, zeroPad ? u'0' : u' ');
        }
        out.Put(field);
    }
    return out.Finish();
}

int wsprintfW(LPWSTR buffer, std::size_t cchBuffer, LPCWSTR format, ...) {
    va_list args;
    va_start(args, format);
    int written = wvsprintfW(buffer, cchBuffer, format, args);
    va_end(args);
    return written;
}
