// The files Notepad reads and writes: text in the desktop's ANSI code page,
// lines ended by CR LF as the edit control keeps them.
#pragma once

#include "platform/base/status.h"

#include <string>

namespace notepad {

// The largest file Notepad opens.
constexpr std::size_t kMaxFileBytes = 1u << 20;

// The text of the file at `hostPath` for the edit control (a lone LF becomes
// CR LF); empty when there is no such file yet. A file that is too large or
// is not text (it holds NUL bytes) is refused.
platform::Result<std::u16string> ReadTextFile(const std::string& hostPath);

// Writes `text` whole: into a new file beside the old one, then put in its
// place, so a failed save leaves the old file as it was.
platform::Status WriteTextFile(const std::string& hostPath, const std::u16string& text);

} // namespace notepad
