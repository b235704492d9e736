// Which Outlook notes repeat an earlier one: the same Body and Categories,
// byte for byte, and the same Color. The first note of each group of equal
// notes (in the folder's item order) stays; the others go. In one pass with
// a hash table, reading nothing twice.
#pragma once

#include "platform/base/windef.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct OutlookNoteFields {
    std::string body;
    std::string categories;
    LONG color = 0;
};

// The indices of the notes to delete, ascending. `takesPart(i)` says whether
// note i takes part at all (a note that does not is neither deleted nor the
// reason another is); it is asked only about notes that have an equal
// partner, at most once each.
std::vector<std::size_t> FindDuplicateNotes(const std::vector<OutlookNoteFields>& notes,
                                            const std::function<bool(std::size_t)>& takesPart);
