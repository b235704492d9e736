// The duplicate finder removes exactly what a quadratic walk over the folder
// removes: for each note, every later equal note.
#include "desktop/sync/duplicate_notes.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

namespace {

// The walk Outlook users know: note i against every later note j, a match
// removed (and the folder closing up behind it). Notes outside `taking` are
// not in the walk.
std::vector<std::size_t> QuadraticWalk(const std::vector<OutlookNoteFields>& notes,
                                       const std::vector<bool>& taking) {
    std::vector<std::size_t> folder;
    for (std::size_t i = 0; i < notes.size(); ++i)
        if (taking[i])
            folder.push_back(i);
    std::vector<std::size_t> removed;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        for (std::size_t j = i + 1; j < folder.size();) {
            const OutlookNoteFields& a = notes[folder[i]];
            const OutlookNoteFields& b = notes[folder[j]];
            if (a.body == b.body && a.categories == b.categories && a.color == b.color) {
                removed.push_back(folder[j]);
                folder.erase(folder.begin() + static_cast<long>(j));
            } else {
                ++j;
            }
        }
    }
    std::sort(removed.begin(), removed.end());
    return removed;
}

std::vector<OutlookNoteFields> RandomNotes(std::mt19937& random, std::size_t count) {
    // Few distinct values, so that equal notes are common; "a" and "a\0" differ.
    const std::string bodies[] = {"", "a", std::string("a\0", 2), "b", "Shopping\r\nMilk"};
    const std::string categories[] = {"", "Work", "Work, Home"};
    std::vector<OutlookNoteFields> notes(count);
    for (auto& note : notes) {
        note.body = bodies[random() % std::size(bodies)];
        note.categories = categories[random() % std::size(categories)];
        note.color = static_cast<LONG>(random() % 3);
    }
    return notes;
}

TEST(DuplicateNotes, MatchesTheQuadraticWalk) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 200; ++round) {
        const auto notes = RandomNotes(random, random() % 40);
        std::vector<bool> taking(notes.size(), true);
        if (round % 2 == 1)
            for (std::size_t i = 0; i < taking.size(); ++i)
                taking[i] = random() % 4 != 0;
        std::map<std::size_t, int> asked;
        auto found = FindDuplicateNotes(notes, [&](std::size_t i) {
            ++asked[i];
            return static_cast<bool>(taking[i]);
        });
        ASSERT_EQ(QuadraticWalk(notes, taking), found) << "round " << round;
        for (auto [index, times] : asked)
            EXPECT_EQ(1, times) << "note " << index << " asked about more than once";
    }
}

TEST(DuplicateNotes, AsksOnlyAboutNotesWithAnEqualPartner) {
    const std::vector<OutlookNoteFields> notes = {
        {"same", "", 3}, {"alone", "", 3}, {"same", "", 3}, {"same", "", 4}};
    std::set<std::size_t> asked;
    const auto found = FindDuplicateNotes(notes, [&](std::size_t i) {
        asked.insert(i);
        return true;
    });
    EXPECT_EQ((std::vector<std::size_t>{2}), found);
    EXPECT_EQ((std::set<std::size_t>{0, 2}), asked);
}

TEST(DuplicateNotes, ThreeEqualAndOneOtherColourKeepFirstAndFourth) {
    const std::vector<OutlookNoteFields> notes = {
        {"x", "A", 1}, {"x", "A", 1}, {"x", "A", 1}, {"x", "A", 2}};
    EXPECT_EQ((std::vector<std::size_t>{1, 2}),
              FindDuplicateNotes(notes, [](std::size_t) { return true; }));
}

TEST(DuplicateNotes, ANoteLeftOutNeitherGoesNorRemovesAnother) {
    const std::vector<OutlookNoteFields> notes = {{"x", "", 0}, {"x", "", 0}, {"x", "", 0}};
    // The first one does not take part: the second keeps the content.
    EXPECT_EQ((std::vector<std::size_t>{2}),
              FindDuplicateNotes(notes, [](std::size_t i) { return i != 0; }));
    // The last one does not take part: it stays.
    EXPECT_EQ((std::vector<std::size_t>{1}),
              FindDuplicateNotes(notes, [](std::size_t i) { return i != 2; }));
}

} // namespace
