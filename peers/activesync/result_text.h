// A result code as people read it in messages: 0x8000FFFF.
#pragma once

#include "platform/base/windef.h"

#include <cstdio>
#include <string>

namespace jsync {

inline std::string ResultText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

} // namespace jsync
