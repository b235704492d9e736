// Ini files ([section] and key=value lines) as the INF engine's UpdateInis
// and Ini2Reg directives read and change them. A file is read whole with
// its size and line lengths checked, changed in memory, and written back
// through a temporary file renamed over it.
#pragma once

#include "platform/base/status.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace win32 {

constexpr std::size_t kMaxIniFileBytes = 1 << 20;
constexpr std::size_t kMaxIniLineChars = 4096;

class IniText {
public:
    // Reads host path `path`; a missing file reads as empty. Refuses a file
    // over the limits or holding NUL bytes.
    static platform::Result<IniText> Read(const std::string& path);
    platform::Status Write(const std::string& path) const;

    // The entries of `section` (names compare case-insensitively), in order.
    std::vector<std::pair<std::string, std::string>> Entries(const std::string& section) const;
    // Sets key to value (adding the section and key as needed); nullopt
    // removes the key.
    void Set(const std::string& section, const std::string& key,
             const std::optional<std::string>& value);

private:
    std::vector<std::string> m_lines;
};

} // namespace win32
