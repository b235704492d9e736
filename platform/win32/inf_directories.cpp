// The desktop's standard folders and the path checks of the INF engine.
#include "platform/win32/inf_directories.h"

#include "platform/win32/machine.h"
#include "platform/win32/path.h"

#include <climits>
#include <cstdlib>

namespace win32 {

using platform::Result;
using platform::Status;

std::optional<std::string> DirectoryOfId(unsigned id, const std::string& sourceRoot) {
    switch (id) {
    case kDirIdSource:
        return sourceRoot;
    case kDirIdWindows:
        return WindowsFolder();
    case kDirIdSystem:
        return SystemFolder();
    case 17:
        return WindowsFolder() + "/Inf";
    case 18:
        return WindowsFolder() + "/Help";
    case 24:
        return DesktopDirectory();
    case kDirIdProgramFiles:
        return DesktopDirectory() + "/Program Files";
    case 16427:
        return DesktopDirectory() + "/Program Files/Common Files";
    default:
        return std::nullopt;
    }
}

std::string WindowsFolder() {
    return DesktopDirectory() + "/Windows";
}

std::string SystemFolder() {
    return WindowsFolder() + "/System";
}

Result<std::string> ExpandDirectoryIds(const std::string& text, const std::string& sourceRoot) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t end = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
        if (end == std::string::npos || end == i + 1 || end - i > 7 ||
            text.find_first_not_of("0123456789", i + 1) != end) {
            out += text[i];
            continue;
        }
        const unsigned id = static_cast<unsigned>(std::stoul(text.substr(i + 1, end - i - 1)));
        const auto folder = DirectoryOfId(id, sourceRoot);
        if (!folder)
            return Status::Failure(ERROR_INVALID_PARAMETER,
                                   "directory id " + std::to_string(id) + " is not known");
        out += *folder;
        i = end;
    }
    return out;
}

Status CheckRelativePath(const std::string& path, const std::string& what) {
    const std::string host = HostPath(path);
    if (!host.empty() && host.front() == '/')
        return Status::Failure(ERROR_ACCESS_DENIED, what + " names an absolute path: " + path);
    if (host.size() >= 2 && host[1] == ':')
        return Status::Failure(ERROR_ACCESS_DENIED, what + " names a drive: " + path);
    std::size_t start = 0;
    while (start <= host.size()) {
        std::size_t end = host.find('/', start);
        if (end == std::string::npos)
            end = host.size();
        if (host.compare(start, end - start, "..") == 0)
            return Status::Failure(ERROR_ACCESS_DENIED,
                                   what + " climbs out of its folder: " + path);
        start = end + 1;
    }
    return Status();
}

Status CheckFileName(const std::string& name, const std::string& what) {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of("/\\:") != std::string::npos)
        return Status::Failure(ERROR_ACCESS_DENIED,
                               what + " is not a plain file name: \"" + name + "\"");
    return Status();
}

bool ResolvesInside(const std::string& path, const std::string& folder) {
    char resolvedPath[PATH_MAX], resolvedFolder[PATH_MAX];
    if (!realpath(path.c_str(), resolvedPath) || !realpath(folder.c_str(), resolvedFolder))
        return false;
    const std::string inner = resolvedPath, outer = resolvedFolder;
    return inner == outer ||
           (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
            (outer == "/" || inner[outer.size()] == '/'));
}

} // namespace win32
