#include "device/app/note_cursors.h"

#include "support/machine.h"

#include <gtest/gtest.h>

namespace {

FILETIME Seconds(DWORD n) {
    // Whole seconds after a fixed day, so orders by time are easy to read.
    const unsigned long long ticks = 0x01DB000000000000ULL + n * 10000000ULL;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

class NoteCursorsTest : public ::testing::Test {
protected:
    void SetUp() override { notes.Open(kSortBySubject); }

    // A note with the given text, categories (nullptr: no property) and times.
    CEOID Add(const std::u16string& text, const char16_t* categories, DWORD created,
              DWORD modified) {
        const std::u16string title = NoteTitleOf(text);
        const std::u16string cats = categories ? categories : u"";
        std::vector<CEPROPVAL> props = {
            TimeProp(PROPID_NOTE_MODIFIED, modified ? Seconds(modified) : FILETIME{}),
            TimeProp(PROPID_NOTE_CREATED, Seconds(created)),
            StringProp(PROPID_NOTE_TITLE, title),
            StringProp(PROPID_NOTE_TEXT, text),
            NumberProp(PROPID_NOTE_COLOR, NoteYellow),
        };
        if (categories)
            props.push_back(StringProp(PROPID_NOTE_CATEGORIES, cats));
        return CeWriteRecordProps(notes.records(), 0, static_cast<WORD>(props.size()),
                                  props.data());
    }

    // The list as the note list shows it: "title,title,...".
    std::u16string List(const CategoryFilter& filter = {}) {
        NoteTitles titles;
        std::vector<CEOID> ids;
        const int n = notes.FillNoteList(titles, ids, filter);
        EXPECT_EQ(static_cast<std::size_t>(n), titles.size());
        EXPECT_EQ(titles.size(), ids.size());
        std::u16string text;
        for (std::size_t i = 0; i < titles.size(); ++i)
            text += (i == 0 ? u"" : u",") + std::u16string(titles[i]);
        return text;
    }

    std::u16string TitleOfCurrent() {
        NoteContents c;
        return ReadNote(notes.records(), kCurrentNote, &c) ? NoteTitleOf(c.text) : u"(none)";
    }

    testsupport::TempMachines machines;
    NoteCursors notes;
};

} // namespace

TEST(NoteTitlesTest, EachTitleKeepsItsPlaceEmptyOnesToo) {
    NoteTitles titles;
    for (const char16_t* t : {u"Milk", u"", u"", u"Zebra crossing"})
        titles.Append(t);
    ASSERT_EQ(4u, titles.size());
    EXPECT_EQ(std::u16string(u"Milk"), titles[0]);
    EXPECT_EQ(std::u16string(), titles[1]);
    EXPECT_EQ(std::u16string(), titles[2]);
    EXPECT_EQ(std::u16string(u"Zebra crossing"), titles[3]);
    EXPECT_EQ(18u, titles.Units());
}

TEST_F(NoteCursorsTest, EachSortOrderListsTheNotesInItsOrder) {
    Add(u"Milk\r\nbuy", u"", 30, 0); // never saved on the handheld
    Add(u"apple", u"", 10, 50);
    Add(u"Zebra", u"", 20, 40);
    Add(u"Apple", u"", 40, 60);
    struct Case {
        NoteSortOrder sort;
        const char16_t* list;
    } cases[] = {
        {kSortBySubject, u"apple,Apple,Milk,Zebra"}, // case only breaks ties
        {kSortByModified, u"Apple,apple,Zebra,Milk"},
        {kSortByCreated, u"Apple,Milk,Zebra,apple"},
    };
    for (const auto& c : cases) {
        notes.ChangeSortOrder(c.sort);
        EXPECT_EQ(std::u16string(c.list), List()) << "sort " << c.sort;
    }
}

TEST_F(NoteCursorsTest, CreationOrderIsNewestFirst) {
    Add(u"old", u"", 10, 0);
    Add(u"new", u"", 90, 0);
    Add(u"middle", u"", 50, 0);
    notes.ChangeSortOrder(kSortByCreated);
    EXPECT_EQ(u"new,middle,old", List());
}

TEST_F(NoteCursorsTest, SeekFirstNoteTakesTheFirstInDisplayOrderThatPassesTheFilter) {
    Add(u"b home", u"Home\n", 1, 0);
    const CEOID work = Add(u"c work", u"Work\nHome\n", 2, 0);
    Add(u"a none", nullptr, 3, 0);
    EXPECT_TRUE(notes.SeekNote(SEEK_FIRST_NOTE, {}));
    EXPECT_EQ(u"a none", TitleOfCurrent());
    EXPECT_TRUE(notes.SeekNote(SEEK_FIRST_NOTE, {u"Work"}));
    EXPECT_EQ(work, notes.CurrentNote(true, {u"Work"}));
    EXPECT_EQ(u"b home,c work", List({u"Home"}));
    EXPECT_EQ(u"", List({u"home"})) << "names compare case-sensitively";
}

TEST_F(NoteCursorsTest, NoPassingNoteLeavesTheFirstRecordCurrentButNotValid) {
    const CEOID first = Add(u"z", u"Home\n", 1, 0);
    Add(u"a", u"Home\n", 2, 0);
    EXPECT_FALSE(notes.SeekNote(SEEK_FIRST_NOTE, {u"Work"}));
    EXPECT_EQ(first, notes.CurrentNote(false, {u"Work"}));
    EXPECT_EQ(0u, notes.CurrentNote(true, {u"Work"}));
    EXPECT_EQ(u"", List({u"Work"}));
}

TEST_F(NoteCursorsTest, SeekByIdentifierMovesBothCursors) {
    const CEOID a = Add(u"a", u"", 1, 0);
    const CEOID b = Add(u"b", u"", 2, 0);
    ASSERT_TRUE(notes.SeekNote(b, {}));
    EXPECT_EQ(b, notes.CurrentNote(false, {}));
    EXPECT_EQ(b, CeSeekDatabase(notes.display(), CEDB_SEEK_CURRENT, 0, nullptr));
    EXPECT_TRUE(notes.SeekNote(b, {})) << "already current";
    EXPECT_FALSE(notes.SeekNote(0x7FFFFFF0, {})) << "no such note";
    EXPECT_EQ(b, notes.CurrentNote(false, {})) << "a failed seek moves nothing";
    ASSERT_TRUE(notes.SeekNote(a, {}));
    EXPECT_EQ(a, CeSeekDatabase(notes.display(), CEDB_SEEK_CURRENT, 0, nullptr));
}

TEST_F(NoteCursorsTest, FillingLeavesTheDisplayCursorWhereItWas) {
    Add(u"a", u"", 1, 0);
    const CEOID b = Add(u"b", u"", 2, 0);
    Add(u"c", u"", 3, 0);
    ASSERT_TRUE(notes.SeekNote(b, {}));
    EXPECT_EQ(u"a,b,c", List());
    EXPECT_EQ(b, CeSeekDatabase(notes.display(), CEDB_SEEK_CURRENT, 0, nullptr));
    // The cursor does not move by itself after the fill.
    NoteRecordProps record;
    EXPECT_EQ(b, record.ReadCurrent(notes.display()));
    EXPECT_EQ(b, CeSeekDatabase(notes.display(), CEDB_SEEK_CURRENT, 0, nullptr));
}

TEST_F(NoteCursorsTest, ChangingTheSortOrderKeepsTheCurrentNote) {
    Add(u"a", u"", 3, 0);
    const CEOID z = Add(u"z", u"", 1, 0);
    ASSERT_TRUE(notes.SeekNote(z, {}));
    notes.ChangeSortOrder(kSortByCreated);
    EXPECT_EQ(z, notes.CurrentNote(false, {}));
    EXPECT_EQ(z, CeSeekDatabase(notes.display(), CEDB_SEEK_CURRENT, 0, nullptr));
}

TEST_F(NoteCursorsTest, AnEmptyDatabaseHasNoCurrentNote) {
    EXPECT_EQ(0u, notes.RecordCount());
    EXPECT_FALSE(notes.SeekNote(SEEK_FIRST_NOTE, {}));
    EXPECT_EQ(0u, notes.CurrentNote(false, {}));
    EXPECT_EQ(u"", List());
}

TEST_F(NoteCursorsTest, AfterDeletingTheDatabaseEveryWalkFindsNothing) {
    Add(u"a", u"", 1, 0);
    EXPECT_TRUE(notes.DeleteDatabase());
    EXPECT_EQ(0u, notes.RecordCount());
    EXPECT_FALSE(notes.SeekNote(SEEK_FIRST_NOTE, {}));
    EXPECT_EQ(0u, notes.CurrentNote(false, {}));
    EXPECT_EQ(u"", List());
    CEOID oid = 0;
    EXPECT_EQ(INVALID_HANDLE_VALUE, CeOpenDatabase(&oid, kNoteDatabaseName, 0, 0, nullptr));
    // The next start creates it afresh.
    NoteCursors again;
    again.Open(kSortBySubject);
    EXPECT_NE(INVALID_HANDLE_VALUE, again.records());
}

TEST(NoteFilter, PassesOnOneExactlyEqualCategory) {
    testsupport::TempMachines machines;
    CEOID oidDb = 0;
    HANDLE cursor = OpenNoteDatabase(&oidDb);
    ASSERT_NE(INVALID_HANDLE_VALUE, cursor);
    struct Case {
        const char16_t* categories; // nullptr: the record has none
        CategoryFilter filter;
        bool passes;
    } cases[] = {
        {u"Work\n", {}, true},
        {nullptr, {}, true},
        {nullptr, {u"Work"}, false},
        {u"Work\nHome\n", {u"Home"}, true},
        {u"Work\nHome", {u"Home"}, false}, // no line feed after Home: no category
        {u"Work\n", {u"work"}, false},
        {u"Work\n", {u"Wor"}, false},
        {u"", {u""}, false},
        {u"\n", {u""}, true},
    };
    for (const auto& c : cases) {
        std::u16string cats = c.categories ? c.categories : u"";
        std::vector<CEPROPVAL> props = {NumberProp(PROPID_NOTE_COLOR, 0)};
        if (c.categories)
            props.push_back(StringProp(PROPID_NOTE_CATEGORIES, cats));
        const CEOID oid =
            CeWriteRecordProps(cursor, 0, static_cast<WORD>(props.size()), props.data());
        ASSERT_EQ(oid, CeSeekDatabase(cursor, CEDB_SEEK_CEOID, oid, nullptr));
        NoteRecordProps record;
        ASSERT_EQ(oid, record.ReadCurrent(cursor));
        EXPECT_EQ(c.passes, NotePassesFilter(record, c.filter))
            << "categories " << (c.categories ? "present" : "absent") << ", case " << (&c - cases);
    }
    CloseHandle(cursor);
}
