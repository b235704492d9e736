// The INF reader: Windows 95/NT 4 style INF text parsed into sections of
// lines, with the [Strings] substitutions made.
//
//   [Section]                 names are case-insensitive; a repeated section
//                             continues the first
//   key = field, "quoted, field" ; comment
//   field, field \            a '\' ending a line joins the next one to it
//     , continued
//
// A field in double quotes keeps its commas, semicolons and spaces; "" in
// quotes is one quote. %name% is replaced by the value of name in [Strings],
// %% by one %; %<number>% is left for the directory ids (inf_directories.h).
// Everything outside the limits below is refused with the line it was on.
#pragma once

#include "platform/base/status.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win32 {

constexpr std::size_t kMaxInfFileBytes = 1 << 20;
constexpr std::size_t kMaxInfLineChars = 4096; // after joining continued lines
constexpr std::size_t kMaxInfSectionName = 255;
constexpr std::size_t kMaxInfFields = 128;

struct InfLine {
    std::optional<std::string> key;
    std::vector<std::string> fields;
    unsigned number = 0; // the line in the file where it starts

    // Field `index`, or "" when the line has fewer.
    const std::string& Field(std::size_t index) const;
};

class InfFile {
public:
    // Parses INF text. On failure *errorLine (when given) is the line that
    // does not fit, and the status carries a Setup API error code.
    static platform::Result<InfFile> Parse(std::string_view text, unsigned* errorLine = nullptr);
    // Reads and parses the file at host path `path`.
    static platform::Result<InfFile> Read(const std::string& path, unsigned* errorLine = nullptr);

    // The lines of `name`, or null when the file has no such section.
    const std::vector<InfLine>* Section(std::string_view name) const;
    // The first line of `section` whose key is `key` (case-insensitive).
    const InfLine* Find(std::string_view section, std::string_view key) const;
    // Every line of `section` whose key is `key`: a directive may be repeated.
    std::vector<const InfLine*> FindAll(std::string_view section, std::string_view key) const;

private:
    std::map<std::string, std::vector<InfLine>> m_sections; // by lower-case name
};

// A number of an INF (a flag, a directory id, a byte): decimal, or
// hexadecimal after 0x (`base` 16: hexadecimal anyway); nullopt for
// anything else or a value over 32 bits.
std::optional<unsigned long> InfNumber(const std::string& text, int base = 10);

// Lower case for ASCII letters: INF and ini names compare case-insensitively.
std::string InfLower(std::string_view text);
// Without the spaces, tabs and carriage returns around it: the blanks an INF
// or ini line may carry around a name or a value.
std::string_view InfTrim(std::string_view text);

} // namespace win32
