#include "platform/win32/machine.h"

#include "platform/base/private_files.h"

#include <cstdlib>
#include <mutex>
#include <set>

namespace win32 {

namespace {
std::mutex g_mutex;
std::string g_directory; // set by SetDesktopDirectory; empty: from the environment
std::set<std::string> g_made;

std::string DefaultDirectory() {
    if (const char* desktop = std::getenv("JOTTERWICK_DESKTOP"); desktop && *desktop)
        return desktop;
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/share";
    else
        base = ".";
    return base + "/jotterwick/desktop";
}
} // namespace

std::string DesktopDirectory() {
    std::lock_guard lock(g_mutex);
    std::string directory = g_directory.empty() ? DefaultDirectory() : g_directory;
    // Made (and its mode checked) once per directory: every registry call
    // and code-page conversion asks for it.
    if (g_made.insert(directory).second)
        platform::MakePrivateDirectories(directory);
    return directory;
}

std::string ChosenDesktopDirectory() {
    std::lock_guard lock(g_mutex);
    return g_directory.empty() ? DefaultDirectory() : g_directory;
}

void SetDesktopDirectory(const std::string& directory) {
    std::lock_guard lock(g_mutex);
    g_directory = directory;
}

} // namespace win32
