// Reading and changing ini files for UpdateInis and Ini2Reg.
#include "platform/win32/ini_file.h"

#include "platform/base/whole_file.h"
#include "platform/win32/inf_file.h"

namespace win32 {

using platform::Result;
using platform::Status;

namespace {

// The section a line opens, or nullopt for another line.
std::optional<std::string> SectionOf(const std::string& line) {
    const std::string_view text = InfTrim(line);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']')
        return std::nullopt;
    return InfLower(InfTrim(text.substr(1, text.size() - 2)));
}

std::optional<std::pair<std::string, std::string>> EntryOf(const std::string& line) {
    const std::string_view text = InfTrim(line);
    const std::size_t equals = text.find('=');
    if (text.empty() || text.front() == ';' || equals == std::string::npos)
        return std::nullopt;
    return std::make_pair(std::string(InfTrim(text.substr(0, equals))),
                          std::string(InfTrim(text.substr(equals + 1))));
}

} // namespace

Result<IniText> IniText::Read(const std::string& path) {
    IniText ini;
    auto read = platform::ReadWholeFile(path, kMaxIniFileBytes);
    if (!read.ok() && read.status().code() == ERROR_FILE_NOT_FOUND)
        return ini;
    if (!read.ok())
        return Status::Failure(read.status().code(), path + ": " + read.status().message());
    const std::string& text = read.value();
    if (text.find('\0') != std::string::npos)
        return Status::Failure(ERROR_INVALID_DATA, path + " holds a NUL byte: not an ini file");
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > kMaxIniLineChars)
            return Status::Failure(ERROR_INVALID_DATA, path + " line " +
                                                           std::to_string(ini.m_lines.size() + 1) +
                                                           " is too long");
        ini.m_lines.push_back(std::move(line));
        pos = end + 1;
    }
    return ini;
}

Status IniText::Write(const std::string& path) const {
    std::string text;
    for (const std::string& line : m_lines)
        text += line + "\r\n";
    const Status written = platform::WriteWholeFile(path, text, platform::ExistingFile::Replace);
    if (!written.ok())
        return Status::Failure(written.code(), "cannot write " + path + ": " + written.message());
    return Status();
}

std::vector<std::pair<std::string, std::string>>
IniText::Entries(const std::string& section) const {
    std::vector<std::pair<std::string, std::string>> entries;
    const std::string wanted = InfLower(section);
    bool inside = false;
    for (const std::string& line : m_lines) {
        if (auto name = SectionOf(line))
            inside = *name == wanted;
        else if (inside)
            if (auto entry = EntryOf(line))
                entries.push_back(std::move(*entry));
    }
    return entries;
}

void IniText::Set(const std::string& section, const std::string& key,
                  const std::optional<std::string>& value) {
    const std::string wanted = InfLower(section);
    const std::string wantedKey = InfLower(key);
    bool inside = false;
    std::optional<std::size_t> sectionEnd;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (auto name = SectionOf(m_lines[i])) {
            inside = *name == wanted;
            if (inside)
                sectionEnd = i + 1;
            continue;
        }
        if (!inside)
            continue;
        if (!InfTrim(m_lines[i]).empty())
            sectionEnd = i + 1;
        auto entry = EntryOf(m_lines[i]);
        if (entry && InfLower(entry->first) == wantedKey) {
            if (value)
                m_lines[i] = key + "=" + *value;
            else
                m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
    if (!value)
        return;
    if (!sectionEnd) {
        m_lines.push_back("[" + section + "]");
        sectionEnd = m_lines.size();
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), key + "=" + *value);
}

} // namespace win32
