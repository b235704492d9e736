#include "desktop/sync/duplicate_notes.h"

#include <optional>
#include <string_view>
#include <unordered_map>

namespace {

struct ContentHash {
    std::size_t operator()(const OutlookNoteFields* note) const {
        std::size_t hash = std::hash<std::string_view>()(note->body);
        hash ^= std::hash<std::string_view>()(note->categories) + 0x9E3779B97F4A7C15ull +
                (hash << 6) + (hash >> 2);
        return hash ^ (static_cast<std::size_t>(note->color) * 0x100000001B3ull);
    }
};

struct ContentEqual {
    bool operator()(const OutlookNoteFields* a, const OutlookNoteFields* b) const {
        return a->color == b->color && a->body == b->body && a->categories == b->categories;
    }
};

} // namespace

std::vector<std::size_t> FindDuplicateNotes(const std::vector<OutlookNoteFields>& notes,
                                            const std::function<bool(std::size_t)>& takesPart) {
    std::vector<std::optional<bool>> taking(notes.size());
    auto takes = [&](std::size_t i) {
        if (!taking[i])
            taking[i] = takesPart(i);
        return *taking[i];
    };
    // For each content, the note that keeps it: the first that takes part, or
    // until that is known, the first seen.
    std::unordered_map<const OutlookNoteFields*, std::size_t, ContentHash, ContentEqual> keeper;
    keeper.reserve(notes.size());
    std::vector<std::size_t> duplicates;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        auto [it, inserted] = keeper.try_emplace(&notes[i], i);
        if (inserted)
            continue;
        if (!takes(it->second)) {
            it->second = i;
            continue;
        }
        if (takes(i))
            duplicates.push_back(i);
    }
    return duplicates;
}
