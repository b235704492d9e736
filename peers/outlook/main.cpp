// outlook-notes: see notes_command.h.
#include "peers/outlook/notes_command.h"
#include "platform/base/installation.h"

#include <iostream>

int main(int argc, char** argv) {
    return outlook::RunNotesCommand(
        std::vector<std::string>(argv + 1, argv + argc),
        platform::RuntimeLibraryPath(OUTLOOK_SERVER_PATH, "liboutlook.so"), std::cin, std::cout,
        std::cerr);
}
