// The handheld package: one zip archive that holds the files to put on a
// handheld and a description, "package.txt", of where each goes and which
// registry values to write. The description is UTF-8 text, one item a line,
// fields separated by TAB:
//
//     Jotterwick handheld package 1
//     name     Jotterwick
//     version  0.1.0
//     file     jotta  \Program Files\Jotterwick\jotta  SIZE  CHECKSUM  x
//     value    HKLM   KEY  NAME  TEXT
//
// A file line names an entry of the archive, its place on the handheld, its
// size in bytes, its FNV-1a 64-bit checksum (16 hex digits) and "x" for a
// program or "-" for data. A value line writes a string value (NAME empty:
// the key's default value) under a root of the handheld's registry.
#pragma once

#include "platform/base/status.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ceappmgr {

// The limits a package must keep.
constexpr std::size_t kMaxPackageBytes = 256u << 20;
constexpr std::size_t kMaxFileBytes = 128u << 20;
constexpr std::size_t kMaxDescriptionBytes = 64u << 10;
constexpr std::size_t kMaxFiles = 64;
constexpr std::size_t kMaxValues = 64;

// Name of the description inside the archive.
constexpr char kDescriptionName[] = "package.txt";

struct PackageFile {
    std::string entry;       // the archive's entry name: a plain file name
    std::string destination; // handheld path, "\Program Files\<folder>\<name>"
    bool executable = false;
    std::string bytes;
};

struct PackageValue {
    std::string root; // "HKLM", "HKCU" or "HKCR"
    std::string key;
    std::string name; // empty: the default value
    std::string text;
};

struct Package {
    std::string name;    // the application's name, e.g. "Jotterwick"
    std::string version; // dotted numbers, e.g. "0.1.0"
    std::vector<PackageFile> files;
    std::vector<PackageValue> values;
};

// FNV-1a, 64 bits.
std::uint64_t Checksum(std::string_view bytes);

// Which files of a package to read, by entry name.
using FileFilter = std::function<bool(const std::string& entry)>;
bool AllFiles(const std::string&);
bool NoFiles(const std::string&);

// Reads and checks a package: the archive, its description and each file
// against it. Anything damaged, oversized or outside the handheld's program
// folders and registry roots is refused with a message saying what. Only the
// files `wanted` names are read (and checked against their checksums); the
// others keep empty bytes, checked by their size alone, so that deciding
// whether a package is installed need not unpack its programs.
platform::Result<Package> ReadPackage(std::string_view archive,
                                      const FileFilter& wanted = AllFiles);
// The same for the archive in the open file `fd`, of which only the parts
// needed are read: deciding from a stored package's description costs its
// directory, not its size. A file that is not a regular file is refused with
// ERROR_ACCESS_DENIED.
platform::Result<Package> ReadPackageFile(int fd, const FileFilter& wanted);

// Makes the archive for `package` (which must pass ReadPackage's checks).
platform::Result<std::string> WritePackage(const Package& package);

// -1, 0 or 1 as version `a` is older than, equal to or newer than `b`;
// both must be valid versions (digits and dots).
int CompareVersions(std::string_view a, std::string_view b);
bool IsValidVersion(std::string_view version);

} // namespace ceappmgr
