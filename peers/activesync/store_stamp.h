// The stamp that ties the handheld's object store to the partnership state
// kept beside it: a random number written into the store's registry (one per
// partner slot) and into the partnership state each time a pass is about to
// change anything. A store that was replaced, or put back from an older copy,
// carries another stamp or none, and the pass knows the state no longer
// describes it: its object identifiers and change sequence may have been
// handed out again.
#pragma once

#include "platform/base/status.h"
#include "platform/base/windef.h"

#include <cstdint>
#include <optional>

namespace jsync {

// The store's stamp for the partner slot; none when the store has none.
std::optional<std::uint64_t> ReadStoreStamp(UINT partnerBit);
platform::Status WriteStoreStamp(UINT partnerBit, std::uint64_t stamp);
// A fresh random stamp, never 0.
std::uint64_t NewStoreStamp();

} // namespace jsync
