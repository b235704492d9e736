// Packages for the tests: a sample package, and archives put together entry
// by entry, so that a test can make every kind of damaged or hostile one.
#pragma once

#include "peers/ceappmgr/package.h"

#include <string>
#include <vector>

namespace pkgtest {

struct RawEntry {
    std::string name;
    std::string bytes;
    bool symlink = false; // a symbolic link to `bytes` instead of a file
};

// A zip archive of exactly these entries.
std::string RawZip(const std::vector<RawEntry>& entries);

// Two files for \Program Files\Jotterwick and the provider's two values.
ceappmgr::Package SamplePackage(const std::string& version = "1.0");

// The description's lines for a file, as a package writer makes them.
std::string FileLine(const std::string& entry, const std::string& destination,
                     const std::string& bytes, const std::string& kind = "-");

// The description's first three lines.
std::string DescriptionHead(const std::string& version = "1.0");

} // namespace pkgtest
