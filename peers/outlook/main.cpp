// outlook-notes: see NotesCommand.h.
#include "peers/outlook/NotesCommand.h"

#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    // The server library is built next to this program.
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    std::string serverPath = OUTLOOK_SERVER_PATH;
    if (!error && std::filesystem::exists(self.parent_path() / "liboutlook.so", error))
        serverPath = (self.parent_path() / "liboutlook.so").string();
    return outlook::RunNotesCommand(std::vector<std::string>(argv + 1, argv + argc), serverPath,
                                    std::cout, std::cerr);
}
