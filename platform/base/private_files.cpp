#include "platform/base/private_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace platform {

namespace {

// Takes group and other bits away from `path`; says so unless it was made now.
void Tighten(const std::string& path, mode_t keep, bool made) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || (info.st_mode & 077) == 0)
        return;
    if (chmod(path.c_str(), info.st_mode & keep) != 0)
        return; // not the owner's: opening it says what is wrong
    if (!made)
        std::fprintf(stderr,
                     "jotterwick: %s could be %s by other users; it is now private (mode %o)\n",
                     path.c_str(), (info.st_mode & 022) ? "changed" : "read",
                     static_cast<unsigned>(info.st_mode & keep & 07777));
}

} // namespace

void MakePrivateDirectories(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    // Each missing folder, from the outermost, is made private as it is made.
    fs::path made;
    for (const fs::path& part : fs::path(path)) {
        made /= part;
        if (fs::exists(made, error))
            continue;
        if (mkdir(made.c_str(), 0700) != 0 && errno != EEXIST)
            return; // a folder that can't be made shows up when a file in it is opened
    }
    Tighten(path, 0700, false);
}

void KeepFilePrivate(const std::string& path, bool made) {
    Tighten(path, 0600, made);
}

} // namespace platform
