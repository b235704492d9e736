// Where an installed Jotterwick keeps its files, under the prefix given to
// `cmake --install` (e.g. ~/.local):
//   bin/                 the programs
//   lib/jotterwick/      every library: the platform libraries the programs
//                        import (programs find them through their RUNPATH,
//                        $ORIGIN/../lib/jotterwick) and the ones loaded at run
//                        time, libjottadev.so, libjottapc.so and liboutlook.so
//   share/man/man1/      the manual pages
// The build tree has no such layout: each library stays where it was built.
// This header and the top CMakeLists.txt (JOTTERWICK_INSTALL_LIBDIR) are the
// one place that knows the layout.
#pragma once

#include <string>

namespace platform {

// The release, e.g. "0.1.0".
const char* JotterwickVersion();

// "PROGRAM (Jotterwick) VERSION\n", the answer to --version.
std::string VersionText(const std::string& program);

// "PROGRAM: PROBLEM (try 'PROGRAM --help')\n", the one line a program prints
// for arguments it refuses.
std::string ArgumentErrorText(const std::string& program, const std::string& problem);

// The folder of the running program ("." when it cannot be found).
std::string ProgramDirectory();

// The library `fileName` that a program loads at run time: the installed one
// in lib/jotterwick/ when the program runs from an installation's bin/, else
// `builtPath`, where the build tree made it.
std::string RuntimeLibraryPath(const std::string& builtPath, const std::string& fileName);

} // namespace platform
