// Putting a checked package on the handheld this process works on
// (ce::HandheldDirectory()): its files into the handheld's program folders,
// then its registry values, then the record that says which version is
// installed (HKLM "Software\Apps\<name>" "Version").
#pragma once

#include "peers/ceappmgr/package.h"

#include <optional>
#include <string>

namespace ceappmgr {

// The version of `name` installed on the handheld; nullopt when none is.
std::optional<std::string> InstalledVersion(const std::string& name);

// Installs `package` whole or not at all: the files are written into a
// staging folder first and moved into place only when every one is there,
// the registry values are written after the files, and a failure on the
// way puts back the files and values that were there before.
platform::Status InstallOnHandheld(const Package& package);

} // namespace ceappmgr
