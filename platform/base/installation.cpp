#include "platform/base/installation.h"

#include <filesystem>
#include <system_error>

#ifndef JOTTERWICK_VERSION
#error "JOTTERWICK_VERSION comes from the project's version"
#endif
#ifndef JOTTERWICK_INSTALL_LIBDIR
#error "JOTTERWICK_INSTALL_LIBDIR comes from the top CMakeLists.txt"
#endif

namespace platform {

const char* JotterwickVersion() {
    return JOTTERWICK_VERSION;
}

std::string VersionText(const std::string& program) {
    return program + " (Jotterwick) " + JOTTERWICK_VERSION + "\n";
}

std::string ArgumentErrorText(const std::string& program, const std::string& problem) {
    return program + ": " + problem + " (try '" + program + " --help')\n";
}

std::string ProgramDirectory() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : self.parent_path().string();
}

std::string RuntimeLibraryPath(const std::string& builtPath, const std::string& fileName) {
    const std::filesystem::path installed =
        std::filesystem::path(ProgramDirectory()).parent_path() / JOTTERWICK_INSTALL_LIBDIR /
        fileName;
    std::error_code error;
    if (std::filesystem::is_regular_file(installed, error))
        return installed.string();
    return builtPath;
}

} // namespace platform
