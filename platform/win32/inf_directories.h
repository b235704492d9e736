// Where the standard directory ids of an INF lie on the desktop, and the
// checks every path an INF names goes through.
//
//   id      folder                                   (host paths)
//   1       the source folder the installer gives
//   10      <desktop>/Windows                        the Windows folder
//   11      <desktop>/Windows/System                 its system folder
//   17      <desktop>/Windows/Inf
//   18      <desktop>/Windows/Help
//   24      <desktop>                                the root of the machine
//   16422   <desktop>/Program Files
//   16427   <desktop>/Program Files/Common Files
//
// Any other id is refused. A path an INF adds below a folder must be
// relative and must not climb out of it ("..").
#pragma once

#include "platform/base/status.h"

#include <optional>
#include <string>

namespace win32 {

constexpr unsigned kDirIdSource = 1;
constexpr unsigned kDirIdWindows = 10;
constexpr unsigned kDirIdSystem = 11;
constexpr unsigned kDirIdProgramFiles = 16422;

// The host path of directory id `id`; nullopt for an id this desktop lacks.
// `sourceRoot` is the folder id 1 stands for (a host path).
std::optional<std::string> DirectoryOfId(unsigned id, const std::string& sourceRoot);

// The desktop's Windows and system folders (ids 10 and 11).
std::string WindowsFolder();
std::string SystemFolder();

// Replaces every %<id>% of `text` by its folder. Fails for an unknown id.
platform::Result<std::string> ExpandDirectoryIds(const std::string& text,
                                                 const std::string& sourceRoot);

// Refuses a path that is absolute, names a drive, or has a ".." part; `what`
// says which entry gave it, for the message. '\' and '/' both separate.
platform::Status CheckRelativePath(const std::string& path, const std::string& what);

// A plain file name: not empty, no separator, not "." or "..".
platform::Status CheckFileName(const std::string& name, const std::string& what);

// True when `path` lies inside `folder` once both are resolved (symbolic
// links followed). Both must exist.
bool ResolvesInside(const std::string& path, const std::string& folder);

} // namespace win32
