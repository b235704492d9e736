// BSTR: a 4-byte byte count, the UTF-16 text, and a terminating 0.
//
// Blocks come from the C heap, so a string made by an in-process server is
// freed by its client.
#include "platform/com/oleauto.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

BSTR AllocateBytes(const void* source, std::size_t bytes) {
    if (bytes > std::numeric_limits<std::uint32_t>::max() - kPrefix - sizeof(OLECHAR))
        return nullptr;
    // Room for the text, a terminating OLECHAR, and one more byte so that an
    // odd byte length still ends with a whole zero character.
    auto* block = static_cast<unsigned char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR) + 1));
    if (!block)
        return nullptr;
    const auto length = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &length, kPrefix);
    if (source)
        std::memcpy(block + kPrefix, source, bytes);
    else
        std::memset(block + kPrefix, 0, bytes);
    std::memset(block + kPrefix + bytes, 0, sizeof(OLECHAR) + 1);
    return reinterpret_cast<BSTR>(block + kPrefix);
}

} // namespace

BSTR SysAllocString(const OLECHAR* psz) {
    if (!psz)
        return nullptr;
    return AllocateBytes(psz, std::char_traits<OLECHAR>::length(psz) * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    if (ui > std::numeric_limits<std::uint32_t>::max() / sizeof(OLECHAR))
        return nullptr;
    return AllocateBytes(strIn, std::size_t{ui} * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* psz, UINT len) {
    return AllocateBytes(psz, len);
}

void SysFreeString(BSTR bstrString) {
    if (bstrString)
        std::free(reinterpret_cast<unsigned char*>(bstrString) - kPrefix);
}

UINT SysStringByteLen(BSTR bstr) {
    if (!bstr)
        return 0;
    std::uint32_t length;
    std::memcpy(&length, reinterpret_cast<unsigned char*>(bstr) - kPrefix, kPrefix);
    return length;
}

UINT SysStringLen(BSTR pbstr) {
    return SysStringByteLen(pbstr) / sizeof(OLECHAR);
}
