// The handheld directory. It is kept in $JOTTERWICK_HANDHELD so that every copy
// of the stand-in in one process (the provider libraries link their own)
// agrees on it.
#include "platform/ce/machine.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

namespace ce {

namespace {
constexpr const char* kVariable = "JOTTERWICK_HANDHELD";

std::string DefaultDirectory() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return std::string(data) + "/jotterwick/handheld";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/jotterwick/handheld";
}
} // namespace

std::string HandheldDirectory() {
    const char* set = std::getenv(kVariable);
    std::string directory = set && *set ? std::string(set) : DefaultDirectory();
    // Create the machine's folders once per directory and process copy.
    static std::mutex mutex;
    static std::set<std::string> made;
    std::lock_guard lock(mutex);
    if (made.insert(directory).second) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(directory) / "run", ignored);
        std::filesystem::create_directories(std::filesystem::path(directory) / "My Documents",
                                            ignored);
    }
    return directory;
}

void SetHandheldDirectory(const std::string& directory) {
    setenv(kVariable, directory.c_str(), 1);
}

} // namespace ce
