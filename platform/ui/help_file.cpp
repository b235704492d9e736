// Reading help files: the signature, UTF-8 and control-character checks, and
// the blocks of text the viewer shows.
#include "platform/ui/help_file.h"

#include "platform/base/unicode.h"

#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

namespace ui {

namespace {

constexpr std::string_view kSignature = "JOTTERWICK-HELP 1";

platform::Status Refused(const std::string& name, std::size_t line, const std::string& why) {
    return platform::Status::Failure(ERROR_INVALID_DATA,
                                     name + " line " + std::to_string(line) + ": " + why);
}

// The folder of the running program, with a trailing '/'; empty when unknown.
std::string ProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size())
        return {};
    path.resize(static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/') + 1);
}

} // namespace

platform::Result<HelpDocument> ParseHelpFile(std::string_view bytes, const std::string& name) {
    if (bytes.size() > kMaxHelpFileBytes)
        return platform::Status::Failure(ERROR_INVALID_DATA,
                                         name + " is larger than a help file can be (" +
                                             std::to_string(bytes.size()) + " bytes, at most " +
                                             std::to_string(kMaxHelpFileBytes) + ")");
    HelpDocument document;
    HelpBlock* open = nullptr; // the paragraph or item that further lines continue
    bool headed = false;
    std::size_t number = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (number == 1) {
            if (line != kSignature)
                return Refused(name, 1,
                               "not a help file (the first line is not \"" +
                                   std::string(kSignature) + "\")");
            continue;
        }
        for (char c : line)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
                return Refused(name, number, "a control character");
        std::u16string text = unicode::ToUtf16(line);
        if (unicode::ToUtf8(text) != line)
            return Refused(name, number, "not UTF-8 text");
        for (auto& c : text)
            if (c == u'\t')
                c = u' ';
        if (text.empty()) {
            open = nullptr;
            continue;
        }
        if (text.starts_with(u"=")) {
            const bool sub = text.starts_with(u"==");
            const std::size_t title = text.find_first_not_of(u" =");
            if (title == std::u16string::npos)
                return Refused(name, number, "a heading without a title");
            document.blocks.push_back(
                {sub ? HelpBlock::Kind::Subheading : HelpBlock::Kind::Heading, text.substr(title)});
            headed = true;
            open = nullptr;
        } else if (text.starts_with(u"  ")) {
            document.blocks.push_back({HelpBlock::Kind::Verbatim, text.substr(2)});
            open = nullptr;
        } else if (text.starts_with(u"- ")) {
            document.blocks.push_back({HelpBlock::Kind::Item, text.substr(2)});
            open = &document.blocks.back();
        } else if (open) {
            open->text += u' ';
            open->text += text;
        } else {
            document.blocks.push_back({HelpBlock::Kind::Paragraph, text});
            open = &document.blocks.back();
        }
    }
    if (number == 0)
        return Refused(name, 1, "the file is empty");
    if (!headed)
        return platform::Status::Failure(ERROR_INVALID_DATA, name + " has no heading");
    return document;
}

platform::Result<HelpDocument> LoadHelpFile(const std::u16string& helpFile) {
    const std::string name = unicode::ToUtf8(helpFile);
    std::vector<std::string> places;
    if (name.find('/') != std::string::npos) {
        places.push_back(name);
    } else if (const std::string folder = ProgramFolder(); !folder.empty()) {
        places.push_back(folder + name);
        places.push_back(folder + "../share/jotterwick/" + name);
    }
    for (const std::string& place : places) {
        std::ifstream in(place, std::ios::binary);
        if (!in)
            continue;
        // One byte past the limit is enough to refuse a larger file.
        std::string bytes;
        bytes.resize(kMaxHelpFileBytes + 1);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (in.bad())
            return platform::Status::Failure(ERROR_READ_FAULT, "cannot read " + place);
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        return ParseHelpFile(bytes, place);
    }
    std::string looked;
    for (const std::string& place : places)
        looked += (looked.empty() ? "" : ", ") + place;
    return platform::Status::Failure(ERROR_FILE_NOT_FOUND,
                                     "the help file " + name + " is not installed (looked for " +
                                         (looked.empty() ? name : looked) + ")");
}

} // namespace ui
