// Fuzzes the INF reader on any text, as a damaged or hostile Jottapc.inf may
// hold it. A parse either fails with a Setup API error and a line inside
// the text, or gives lines whose fields and keys stay within the limits;
// every path check and directory-id expansion on the fields it gives must
// answer without crashing, and never accept a path that climbs out.
#include "platform/win32/inf_directories.h"
#include "platform/win32/inf_file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// Whether a part of `path` between separators is "..".
bool ClimbsOut(std::string_view path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos)
            end = path.size();
        if (path.substr(start, end - start) == "..")
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    unsigned errorLine = 0;
    auto inf = win32::InfFile::Parse(text, &errorLine);
    if (!inf.ok()) {
        if ((inf.status().code() & 0xE0000000) != 0xE0000000 || inf.status().message().empty())
            std::abort();
        return 0;
    }
    for (const char* section : {"Version", "DesktopInstall", "DestinationDirs", "Strings", "S"}) {
        const auto* lines = inf->Section(section);
        if (!lines)
            continue;
        for (const win32::InfLine& line : *lines) {
            if (line.fields.size() > win32::kMaxInfFields + 1)
                std::abort();
            for (const std::string& field : line.fields) {
                if (field.size() > win32::kMaxInfLineChars)
                    std::abort();
                if (win32::CheckRelativePath(field, "fuzz").ok() && ClimbsOut(field))
                    std::abort();
                (void)win32::ExpandDirectoryIds(field, "/source");
            }
        }
    }
    return 0;
}
