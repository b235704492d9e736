// The handheld directory of this process: one for every module, since this
// library is loaded once per process.
#include "platform/ce/machine.h"

#include "platform/base/private_files.h"

#include <cstdlib>
#include <mutex>
#include <set>

namespace ce {

namespace {
std::mutex g_mutex;
std::string g_directory; // set by SetHandheldDirectory; empty: from the environment
std::set<std::string> g_made;

std::string DefaultDirectory() {
    if (const char* set = std::getenv("JOTTERWICK_HANDHELD"); set && *set)
        return set;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return std::string(data) + "/jotterwick/handheld";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/jotterwick/handheld";
}
} // namespace

std::string HandheldDirectory() {
    std::lock_guard lock(g_mutex);
    std::string directory = g_directory.empty() ? DefaultDirectory() : g_directory;
    // Create the machine's folders once per directory.
    if (g_made.insert(directory).second) {
        platform::MakePrivateDirectories(directory);
        platform::MakePrivateDirectories(directory + "/run");
        platform::MakePrivateDirectories(directory + "/My Documents");
    }
    return directory;
}

std::string ChosenHandheldDirectory() {
    std::lock_guard lock(g_mutex);
    return g_directory.empty() ? DefaultDirectory() : g_directory;
}

void SetHandheldDirectory(const std::string& directory) {
    std::lock_guard lock(g_mutex);
    g_directory = directory;
}

} // namespace ce
