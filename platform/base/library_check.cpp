#include "platform/base/library_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#ifndef JOTTERWICK_BUILD_TREE
#define JOTTERWICK_BUILD_TREE ""
#endif

namespace platform {

namespace {

std::string Resolved(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// Whether `path` is `folder` or lies below it (both resolved).
bool Inside(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder))
        return false;
    return folder.back() == '/' || path[folder.size()] == '/';
}

Status Refused(const std::string& source, const std::string& path, const std::string& why) {
    return Status::Failure(ERROR_ACCESS_DENIED,
                           "refusing to load " + path + ", named by " + source + ": " + why);
}

} // namespace

std::vector<std::string> InstalledLibraryFolders() {
    std::vector<std::string> folders;
    const std::string program = Resolved("/proc/self/exe");
    if (program.empty())
        return folders;
    const std::filesystem::path programFolder = std::filesystem::path(program).parent_path();
    folders.push_back(programFolder.string());
    if (std::string lib = Resolved((programFolder.parent_path() / "lib").string()); !lib.empty())
        folders.push_back(lib);
    if (std::string tree = Resolved(JOTTERWICK_BUILD_TREE); !tree.empty() && Inside(program, tree))
        folders.push_back(tree);
    return folders;
}

Result<std::string> CheckLibrary(const std::string& path, const std::string& source,
                                 const std::vector<std::string>& folders) {
    const std::string resolved = Resolved(path);
    if (resolved.empty())
        return Status::Failure(ERROR_FILE_NOT_FOUND,
                               "cannot load " + path + ", named by " + source + ": no such file");
    bool installed = false;
    for (const std::string& folder : folders)
        installed = installed || Inside(resolved, folder);
    if (!installed)
        return Refused(source, path,
                       "it is not in a folder this program was installed or built in");
    struct stat info {};
    if (stat(resolved.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return Refused(source, path, "it is not a regular file");
    if (info.st_uid != geteuid() && info.st_uid != 0)
        return Refused(source, path, "it belongs to another user");
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return Refused(source, path, "other users may change it");
    return resolved;
}

} // namespace platform
