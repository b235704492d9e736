// `jsync partners` and `jsync forget`: the handheld's two partner slots,
// seen and freed from the handheld alone, so that a slot held by a desktop
// that is gone can be given to another one.
#pragma once

#include "platform/base/status.h"
#include "platform/base/windef.h"

#include <cstdio>
#include <string>

namespace jsync {

// One line per slot, "partner N: DESKTOP" or "partner N: free". Changes
// nothing on the handheld. Fails when `handheldDir` holds no handheld.
platform::Status ListPartners(const std::string& handheldDir, std::FILE* out);

// Ends the partnership in slot `partnerBit` on the handheld and says so on
// `out`; a free slot is left as it is. The desktop keeps its own record: if
// it synchronizes again it takes a free slot anew and both sides are
// compared note by note, as at a first synchronization.
platform::Status ForgetPartner(const std::string& handheldDir, UINT partnerBit, std::FILE* out);

} // namespace jsync
