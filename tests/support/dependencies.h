// Checks of how the house is layered, for tests that keep it so: which
// sources include what, and which shared libraries a built module loads.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// Every "quoted" include in the .h and .cpp files under `root`/`folder` that
// begins with one of `forbidden` and with none of `allowed`, as
// "file:line: text" (the file relative to `root`).
std::vector<std::string> IncludesReaching(const std::string& root, const std::string& folder,
                                          const std::vector<std::string>& forbidden,
                                          const std::vector<std::string>& allowed = {});

// The DT_NEEDED entries of an ELF64 file, in order. Throws std::runtime_error
// naming the file when it cannot be read or is not an ELF64 file whose
// dynamic section fits inside it.
std::vector<std::string> NeededLibraries(const std::string& path);

// How `module` comes to load `library`: the chain of file names from the
// module to it ("libjottapc.so -> libplatform_win32.so -> libplatform_ce.so"),
// following the NEEDED entries of the libraries found under `searchRoot`;
// empty when it does not.
std::string LoadChain(const std::string& module, const std::string& library,
                      const std::string& searchRoot);

} // namespace testsupport
