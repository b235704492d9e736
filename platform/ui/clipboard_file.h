// The clipboard file's layout (see clipboard.cpp), for its reader's tests.
#pragma once

#include "platform/base/windef.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ui::detail {

using ClipboardContents = std::map<UINT, std::vector<BYTE>>;

// nullopt when the bytes do not fit the layout (checked to the last byte).
std::optional<ClipboardContents> ParseClipboard(const std::string& bytes);
std::string FormatClipboard(const ClipboardContents& contents);

} // namespace ui::detail
