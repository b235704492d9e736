// Which libraries a registration may have this process load. A registry value
// that names a library is data: a handheld or desktop directory handed over
// by someone else could name anything. Code is loaded only from the folders
// an installation puts it in, and only from files nobody else could have
// changed.
#pragma once

#include "platform/base/status.h"

#include <string>
#include <vector>

namespace platform {

// The folders of this program's installation: its own folder and the
// library folder beside it (bin/ and ../lib). When the program runs from the
// build tree it was built in, the whole build tree as well, where the build
// registers the libraries it made.
std::vector<std::string> InstalledLibraryFolders();

// Resolves `path` (symbolic links followed) and checks that it is a regular
// file inside one of `folders` (or a folder below one), owned by this user
// or by root, that neither group nor others may write. `source` says which
// value named the path ("the handheld registry value HKLM\\...\\Store"), for
// the message. Returns the resolved path to load, or ERROR_ACCESS_DENIED
// with a message saying which value named what and why it is refused.
Result<std::string> CheckLibrary(const std::string& path, const std::string& source,
                                 const std::vector<std::string>& folders);

} // namespace platform
