// Reading and writing a file whole: the notes program's Import and Export,
// its rescue files, the desktop's INF and ini files, notepad, the clipboard,
// the application manager's staged files.
//
// Failures carry a Win32 code and the reason alone ("No space left on
// device", "it is not a file"); the caller names the file in its own words.
#pragma once

#include "platform/base/status.h"

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The Win32 code of a host file error; `otherwise` for one it has none for.
DWORD ErrorOfErrno(int error, DWORD otherwise);

// The bytes of the regular file at `path`, at most `limit` of them. Opening
// never waits: a pipe, a device or a folder is refused with
// ERROR_ACCESS_DENIED. ERROR_FILE_NOT_FOUND when it is missing,
// ERROR_READ_FAULT when reading fails, ERROR_INVALID_DATA when it holds more
// than `limit` bytes.
Result<std::string> ReadWholeFile(const std::string& path, std::size_t limit);

enum class ExistingFile {
    // Written beside the file and renamed over it once whole and on the disk,
    // so that a failed write leaves the old file as it was; the file keeps
    // its permissions.
    Replace,
    // Only a file that does not exist yet is made (ERROR_FILE_EXISTS
    // otherwise, ERROR_ACCESS_DENIED for a link); a failed write removes it.
    Refuse,
};

// Writes `bytes` as the whole file at `path`, on the disk when it returns.
// A new file gets `mode` exactly, whatever the umask: a program the
// application manager installs must stay runnable.
Status WriteWholeFile(const std::string& path, std::string_view bytes, ExistingFile existing,
                      mode_t mode = 0644);

} // namespace platform
