// Reading a small outside text file whole (an INF or an ini file), refusing
// what is not a regular file or is larger than the reader takes.
#pragma once

#include "platform/base/status.h"

#include <cstddef>
#include <string>

namespace win32 {

// The bytes of the regular file at host path `path`. ERROR_FILE_NOT_FOUND
// when it is missing; ERROR_ACCESS_DENIED for a pipe, a device or a folder
// (nothing is waited on); ERROR_INVALID_DATA when it holds more than
// `limit` bytes.
platform::Result<std::string> ReadBoundedFile(const std::string& path, std::size_t limit);

} // namespace win32
