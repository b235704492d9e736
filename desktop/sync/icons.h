// The library's icon 200: the object type's picture, 32 x 32 and 16 x 16 in
// 16 colours (jotterwick.ico, built into the library).
#pragma once

#include "platform/base/windef.h"

#include <vector>

constexpr WORD IDI_JOTTERWICK = 200;

// The bytes of the .ico file.
const std::vector<BYTE>& JotterwickIconFile();
// Puts icon 200 into the window system's resource table (once).
void AddIconResources();
