// The notes program's resources as data: strings, menu 128, accelerator
// table 128, the tool-bar images of bitmap 128 and the dialog templates.
#pragma once

#include "platform/ui/resources.h"

// Puts every resource of the program into the window system's resource
// table. Called once at start (and by tests before they build a frame).
void LoadJottaResources();

// String resource `id` with %1 and %2 replaced.
std::u16string ResourceMessage(UINT id, const std::u16string& first,
                               const std::u16string& second = {});

// The sponsorship address shown on the sponsors banner.
inline constexpr char16_t kSponsorAddress[] = u"http://www.jotterwick.example/sponsors";
