// The INF reader: physical lines -> logical lines -> sections of fields.
#include "platform/win32/inf_file.h"

#include "platform/base/whole_file.h"
#include "platform/win32/setupapi.h"

#include <cctype>
#include <iterator>

namespace win32 {

using platform::Result;
using platform::Status;

namespace {

Status SyntaxError(DWORD code, unsigned line, const std::string& what) {
    return Status::Failure(code, "line " + std::to_string(line) + ": " + what);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The physical line without its comment, and whether it ends inside quotes.
std::string_view WithoutComment(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ';' && !quoted)
            return line.substr(0, i);
    }
    return line;
}

// Splits a logical line into its key and comma-separated fields.
Result<InfLine> SplitLine(std::string_view text, unsigned number) {
    InfLine line;
    line.number = number;
    std::string field;
    std::size_t keep = 0; // field length up to its last quoted or non-blank char
    bool started = false; // a quoted or non-blank char was seen in this field
    bool quoted = false;
    bool keyAllowed = true;
    auto finish = [&] {
        field.resize(keep);
        line.fields.push_back(std::move(field));
        field.clear();
        keep = 0;
        started = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
            keep = field.size();
            continue;
        }
        if (c == '"') {
            quoted = true;
            started = true;
            keep = field.size();
        } else if (c == ',') {
            finish();
            keyAllowed = false;
        } else if (c == '=' && keyAllowed) {
            field.resize(keep);
            line.key = std::move(field);
            field.clear();
            keep = 0;
            started = false;
            keyAllowed = false;
        } else if (IsBlank(c) && !started) {
            // blanks before a field
        } else {
            field += c;
            started = true;
            if (!IsBlank(c))
                keep = field.size();
        }
        if (line.fields.size() > kMaxInfFields)
            return SyntaxError(ERROR_GENERAL_SYNTAX, number,
                               "more than " + std::to_string(kMaxInfFields) + " fields");
    }
    if (quoted)
        return SyntaxError(ERROR_GENERAL_SYNTAX, number, "a quoted field is not closed");
    finish();
    return line;
}

// Replaces %name% from `strings` and %% by %; leaves %<digits>%.
Result<std::string> Substitute(const std::string& text, unsigned number,
                               const std::map<std::string, std::string>& strings) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const std::size_t end = text.find('%', i + 1);
        if (end == std::string::npos)
            return SyntaxError(ERROR_GENERAL_SYNTAX, number, "a % has no closing %");
        const std::string name = text.substr(i + 1, end - i - 1);
        if (name.empty()) {
            out += '%';
        } else if (name.find_first_not_of("0123456789") == std::string::npos) {
            out += text.substr(i, end - i + 1);
        } else {
            const auto found = strings.find(InfLower(name));
            if (found == strings.end())
                return SyntaxError(ERROR_GENERAL_SYNTAX, number,
                                   "%" + name + "% is not defined in [Strings]");
            out += found->second;
        }
        if (out.size() > kMaxInfLineChars)
            return SyntaxError(ERROR_GENERAL_SYNTAX, number,
                               "the line is too long once its "
                               "strings are substituted");
        i = end;
    }
    return out;
}

} // namespace

const std::string& InfLine::Field(std::size_t index) const {
    static const std::string empty;
    return index < fields.size() ? fields[index] : empty;
}

std::optional<unsigned long> InfNumber(const std::string& text, int base) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits = digits.substr(2);
        base = 16;
    }
    if (digits.empty() || digits.size() > 10)
        return std::nullopt;
    unsigned long value = 0;
    for (char c : digits) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : 99;
        if (digit >= base)
            return std::nullopt;
        value = value * static_cast<unsigned long>(base) + static_cast<unsigned long>(digit);
    }
    if (value > 0xFFFFFFFFul)
        return std::nullopt;
    return value;
}

std::string InfLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string_view InfTrim(std::string_view text) {
    while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

Result<InfFile> InfFile::Parse(std::string_view text, unsigned* errorLine) {
    auto fail = [&](Status status, unsigned line) -> Result<InfFile> {
        if (errorLine)
            *errorLine = line;
        return status;
    };
    if (text.size() > kMaxInfFileBytes)
        return fail(Status::Failure(ERROR_GENERAL_SYNTAX, "the file is larger than " +
                                                              std::to_string(kMaxInfFileBytes) +
                                                              " bytes"),
                    0);
    if (text.find('\0') != std::string_view::npos)
        return fail(Status::Failure(ERROR_GENERAL_SYNTAX, "the file holds a NUL byte: not text"),
                    0);

    InfFile inf;
    std::vector<InfLine>* current = nullptr;
    std::string logical;
    unsigned number = 0, startedAt = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        ++number;
        std::string_view physical = InfTrim(WithoutComment(text.substr(pos, end - pos)));
        pos = end + 1;
        if (logical.empty())
            startedAt = number;
        const bool continued = !physical.empty() && physical.back() == '\\';
        if (continued)
            physical.remove_suffix(1);
        logical += physical;
        if (logical.size() > kMaxInfLineChars)
            return fail(SyntaxError(ERROR_GENERAL_SYNTAX, startedAt,
                                    "the line is longer than " + std::to_string(kMaxInfLineChars) +
                                        " characters"),
                        startedAt);
        if (continued && pos < text.size())
            continue;
        const std::string_view line = InfTrim(logical);
        if (line.empty()) {
            logical.clear();
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                return fail(SyntaxError(ERROR_BAD_SECTION_NAME_LINE, startedAt,
                                        "a section name line must be [name]"),
                            startedAt);
            const std::string name(InfTrim(line.substr(1, line.size() - 2)));
            if (name.size() > kMaxInfSectionName)
                return fail(SyntaxError(ERROR_SECTION_NAME_TOO_LONG, startedAt,
                                        "the section name is too long"),
                            startedAt);
            current = &inf.m_sections[InfLower(name)];
        } else {
            if (!current)
                return fail(SyntaxError(ERROR_EXPECTED_SECTION_NAME, startedAt,
                                        "a line comes before the first section name"),
                            startedAt);
            auto split = SplitLine(line, startedAt);
            if (!split.ok())
                return fail(split.status(), startedAt);
            current->push_back(std::move(*split));
        }
        logical.clear();
    }

    std::map<std::string, std::string> strings;
    if (const auto* section = inf.Section("Strings"))
        for (const InfLine& line : *section)
            if (line.key)
                strings.emplace(InfLower(*line.key), line.Field(0));
    for (auto& [name, lines] : inf.m_sections) {
        if (name == "strings")
            continue;
        for (InfLine& line : lines) {
            if (line.key) {
                auto key = Substitute(*line.key, line.number, strings);
                if (!key.ok())
                    return fail(key.status(), line.number);
                line.key = std::move(*key);
            }
            for (std::string& field : line.fields) {
                auto substituted = Substitute(field, line.number, strings);
                if (!substituted.ok())
                    return fail(substituted.status(), line.number);
                field = std::move(*substituted);
            }
        }
    }
    return inf;
}

Result<InfFile> InfFile::Read(const std::string& path, unsigned* errorLine) {
    auto read = platform::ReadWholeFile(path, kMaxInfFileBytes);
    if (!read.ok())
        return Status::Failure(read.status().code() == ERROR_INVALID_DATA ? ERROR_GENERAL_SYNTAX
                                                                          : read.status().code(),
                               path + ": " + read.status().message());
    const std::string& text = read.value();
    auto parsed = Parse(text, errorLine);
    if (!parsed.ok())
        return Status::Failure(parsed.status().code(), path + ": " + parsed.status().message());
    return parsed;
}

const std::vector<InfLine>* InfFile::Section(std::string_view name) const {
    const auto found = m_sections.find(InfLower(name));
    return found == m_sections.end() ? nullptr : &found->second;
}

const InfLine* InfFile::Find(std::string_view section, std::string_view key) const {
    const auto all = FindAll(section, key);
    return all.empty() ? nullptr : all.front();
}

std::vector<const InfLine*> InfFile::FindAll(std::string_view section, std::string_view key) const {
    std::vector<const InfLine*> found;
    if (const auto* lines = Section(section)) {
        const std::string wanted = InfLower(key);
        for (const InfLine& line : *lines)
            if (line.key && InfLower(*line.key) == wanted)
                found.push_back(&line);
    }
    return found;
}

} // namespace win32
