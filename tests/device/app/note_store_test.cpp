#include "device/app/note_store.h"

#include "support/machine.h"

#include <gtest/gtest.h>

namespace {

constexpr FILETIME kNow{0xFF8C9E80, 0x01DAFFFF}; // a whole second

class NoteStoreTest : public ::testing::Test {
protected:
    void SetUp() override { platform::PinSystemTime(kNow); }
    void TearDown() override {
        if (cursor != INVALID_HANDLE_VALUE)
            CloseHandle(cursor);
        platform::PinSystemTime(std::nullopt);
    }

    void Open() {
        cursor = OpenNoteDatabase(&oidDb);
        ASSERT_NE(INVALID_HANDLE_VALUE, cursor);
    }

    CEDBASEINFO DatabaseInfo() {
        CEOIDINFO info{};
        EXPECT_TRUE(CeOidGetInfo(oidDb, &info));
        return info.infDatabase;
    }

    testsupport::TempMachines machines;
    HANDLE cursor = INVALID_HANDLE_VALUE;
    CEOID oidDb = 0;
};

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

} // namespace

TEST_F(NoteStoreTest, CreatesTheDatabaseWithThreeSortOrders) {
    Open();
    const CEDBASEINFO info = DatabaseInfo();
    EXPECT_EQ(std::u16string(kNoteDatabaseName), std::u16string(info.szDbaseName));
    EXPECT_EQ(NOTE_DB_TYPE, info.dwDbaseType);
    ASSERT_EQ(3, info.wNumSortOrder);
    EXPECT_EQ(PROPID_NOTE_TITLE, info.rgSortSpecs[0].propid);
    EXPECT_EQ(0u, info.rgSortSpecs[0].dwFlags);
    EXPECT_EQ(PROPID_NOTE_CREATED, info.rgSortSpecs[1].propid);
    EXPECT_EQ(CEDB_SORT_DESCENDING, info.rgSortSpecs[1].dwFlags);
    EXPECT_EQ(PROPID_NOTE_MODIFIED, info.rgSortSpecs[2].propid);
    EXPECT_EQ(CEDB_SORT_DESCENDING, info.rgSortSpecs[2].dwFlags);
}

TEST_F(NoteStoreTest, LeavesADatabaseWithThreeOtherSortOrdersAlone) {
    SORTORDERSPEC other[3] = {
        {PROPID_NOTE_COLOR, 0}, {PROPID_NOTE_TEXT, 0}, {PROPID_LEGACY_MARKER, 0}};
    ASSERT_NE(0u, CeCreateDatabase(kNoteDatabaseName, 5, 3, other));
    Open();
    const CEDBASEINFO info = DatabaseInfo();
    EXPECT_EQ(5u, info.dwDbaseType);
    EXPECT_EQ(PROPID_NOTE_COLOR, info.rgSortSpecs[0].propid);
    EXPECT_EQ(PROPID_LEGACY_MARKER, info.rgSortSpecs[2].propid);
}

TEST_F(NoteStoreTest, UpgradesABareDatabaseAndDropsOneLegacyMarker) {
    const CEOID bare = CeCreateDatabase(kNoteDatabaseName, 0, 0, nullptr);
    ASSERT_NE(0u, bare);
    CEOID oid = 0;
    HANDLE h = CeOpenDatabase(&oid, kNoteDatabaseName, 0, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CEPROPVAL marker = NumberProp(PROPID_LEGACY_MARKER, 0);
    CEPROPVAL other = NumberProp(PROPID_LEGACY_MARKER, 1);
    const CEOID keep = CeWriteRecordProps(h, 0, 1, &other);
    const CEOID first = CeWriteRecordProps(h, 0, 1, &marker);
    const CEOID second = CeWriteRecordProps(h, 0, 1, &marker);
    CloseHandle(h);

    Open();
    const CEDBASEINFO info = DatabaseInfo();
    EXPECT_EQ(0u, info.dwDbaseType) << "the type is not changed";
    EXPECT_EQ(3, info.wNumSortOrder);
    EXPECT_EQ(2, info.wNumRecords);
    EXPECT_EQ(keep, CeSeekDatabase(cursor, CEDB_SEEK_CEOID, keep, nullptr));
    EXPECT_EQ(0u, CeSeekDatabase(cursor, CEDB_SEEK_CEOID, first, nullptr));
    EXPECT_EQ(second, CeSeekDatabase(cursor, CEDB_SEEK_CEOID, second, nullptr));
}

TEST_F(NoteStoreTest, NewNoteCarriesTheFilterAndZeroTimes) {
    Open();
    const CEOID note =
        AddNewNote(cursor, NoteBlue, JoinCategories(std::vector<std::u16string>{u"Work", u"Home"}));
    ASSERT_NE(0u, note);
    ASSERT_EQ(note, CeSeekDatabase(cursor, CEDB_SEEK_CEOID, note, nullptr));
    NoteRecordProps record;
    ASSERT_EQ(note, record.ReadCurrent(cursor));
    EXPECT_EQ(u"<New Note>", record.Text(PROPID_NOTE_TEXT));
    EXPECT_EQ(u"<New Note>", record.Text(PROPID_NOTE_TITLE));
    EXPECT_EQ(u"Work\nHome\n", record.Text(PROPID_NOTE_CATEGORIES));
    EXPECT_EQ(static_cast<DWORD>(NoteBlue), record.Number(PROPID_NOTE_COLOR));
    EXPECT_TRUE(IsZeroFileTime(record.Time(PROPID_NOTE_MODIFIED)));
    EXPECT_TRUE(IsZeroFileTime(record.Time(PROPID_NOTE_SYNCTIME1)));
    EXPECT_TRUE(IsZeroFileTime(record.Time(PROPID_NOTE_SYNCTIME2)));
    EXPECT_TRUE(SameTime(kNow, record.Time(PROPID_NOTE_CREATED)));
}

TEST_F(NoteStoreTest, WriteKeepsCreationAndSynchronizationTimes) {
    Open();
    const FILETIME created{1, 2}, sync1{3, 4}, sync2{5, 6};
    const std::u16string text = u"old";
    CEPROPVAL props[] = {TimeProp(PROPID_NOTE_MODIFIED, FILETIME{7, 8}),
                         TimeProp(PROPID_NOTE_CREATED, created),
                         StringProp(PROPID_NOTE_TITLE, text),
                         StringProp(PROPID_NOTE_TEXT, text),
                         TimeProp(PROPID_NOTE_SYNCTIME1, sync1),
                         TimeProp(PROPID_NOTE_SYNCTIME2, sync2),
                         NumberProp(PROPID_NOTE_COLOR, NoteRed)};
    // No categories property: the write adds one.
    const CEOID note = CeWriteRecordProps(cursor, 0, 7, props);
    ASSERT_NE(0u, note);

    ASSERT_TRUE(WriteNote(cursor, note, u"Todo\r\nbuy milk", NoteGreen, u"Work\n"));
    EXPECT_EQ(note, CeSeekDatabase(cursor, CEDB_SEEK_CURRENT, 0, nullptr));

    NoteContents contents;
    ASSERT_TRUE(ReadNote(cursor, note, &contents));
    EXPECT_EQ(u"Todo\r\nbuy milk", contents.text);
    EXPECT_EQ(static_cast<DWORD>(NoteGreen), contents.color);
    EXPECT_EQ(u"Work\n", contents.categories);
    EXPECT_TRUE(SameTime(created, contents.created));
    EXPECT_TRUE(SameTime(kNow, contents.modified));
    NoteRecordProps record;
    ASSERT_EQ(note, record.ReadCurrent(cursor));
    EXPECT_EQ(u"Todo", record.Text(PROPID_NOTE_TITLE));
    EXPECT_TRUE(SameTime(sync1, record.Time(PROPID_NOTE_SYNCTIME1)));
    EXPECT_TRUE(SameTime(sync2, record.Time(PROPID_NOTE_SYNCTIME2)));
}

TEST_F(NoteStoreTest, OperationsOnAMissingNoteFail) {
    Open();
    const CEOID note = AddNewNote(cursor, NoteYellow, u"");
    ASSERT_TRUE(DeleteNote(cursor, note));
    NoteContents contents;
    EXPECT_FALSE(ReadNote(cursor, note, &contents));
    EXPECT_FALSE(WriteNote(cursor, note, u"x", 0, u""));
    EXPECT_FALSE(DeleteNote(cursor, note));
    EXPECT_EQ(0, DatabaseInfo().wNumRecords);
}

TEST_F(NoteStoreTest, ReadsTheCurrentNoteWithoutMoving) {
    Open();
    const CEOID a = AddNewNote(cursor, 0, u"");
    const CEOID b = AddNewNote(cursor, 1, u"");
    ASSERT_TRUE(WriteNote(cursor, b, u"second", 1, u""));
    ASSERT_EQ(a, CeSeekDatabase(cursor, CEDB_SEEK_CEOID, a, nullptr));
    NoteContents contents;
    ASSERT_TRUE(ReadNote(cursor, kCurrentNote, &contents));
    EXPECT_EQ(u"<New Note>", contents.text);
    EXPECT_EQ(a, CeSeekDatabase(cursor, CEDB_SEEK_CURRENT, 0, nullptr));
}

TEST_F(NoteStoreTest, DeletedDatabaseIsCreatedAfreshOnTheNextOpen) {
    Open();
    AddNewNote(cursor, 0, u"");
    EXPECT_TRUE(DeleteNoteDatabase(oidDb, {&cursor}));
    EXPECT_EQ(INVALID_HANDLE_VALUE, cursor);
    Open();
    EXPECT_EQ(0, DatabaseInfo().wNumRecords);
    EXPECT_EQ(NOTE_DB_TYPE, DatabaseInfo().dwDbaseType);
}

TEST_F(NoteStoreTest, CategoryListInDatabaseOrder) {
    EXPECT_TRUE(LoadCategoryList().empty()) << "no categories database is no error";
    ASSERT_NE(0u, CeCreateDatabase(kCategoriesDatabaseName, 0, 0, nullptr));
    CEOID oid = 0;
    HANDLE h = CeOpenDatabase(&oid, kCategoriesDatabaseName, 0, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    for (const std::u16string name : {u"Work", u"Home", u"Work"}) {
        CEPROPVAL v = StringProp(PROPID_CATEGORY_NAME, name);
        ASSERT_NE(0u, CeWriteRecordProps(h, 0, 1, &v));
    }
    CEPROPVAL unnamed = NumberProp(MakePropId(0x4002, CEVT_UI4), 1);
    ASSERT_NE(0u, CeWriteRecordProps(h, 0, 1, &unnamed));
    CloseHandle(h);
    EXPECT_EQ((std::vector<std::u16string>{u"Work", u"Home", u"Work"}), LoadCategoryList());
}

TEST(NoteMerge, EachPartComesFromTheSideThatChangedIt) {
    const NoteContents base{u"Alpha", NoteYellow, {}, {}, u"Work\n"};
    auto with = [&](std::u16string text, DWORD color, std::u16string categories) {
        NoteContents note = base;
        note.text = std::move(text);
        note.color = color;
        note.categories = std::move(categories);
        return note;
    };
    // Text here, colour and categories there: both in one note.
    auto merged = MergeNoteChanges(base, with(u"mine", NoteYellow, u"Work\n"),
                                   with(u"Alpha", NoteRed, u"Home\n"));
    ASSERT_TRUE(merged);
    EXPECT_EQ(u"mine", merged->text);
    EXPECT_EQ(static_cast<DWORD>(NoteRed), merged->color);
    EXPECT_EQ(u"Home\n", merged->categories);
    // The same change on both sides is no conflict.
    EXPECT_TRUE(MergeNoteChanges(base, with(u"same", NoteYellow, u"Work\n"),
                                 with(u"same", NoteYellow, u"Work\n")));
    // One part changed differently on both sides cannot be one note.
    EXPECT_FALSE(MergeNoteChanges(base, with(u"mine", NoteYellow, u"Work\n"),
                                  with(u"theirs", NoteYellow, u"Work\n")));
    EXPECT_FALSE(MergeNoteChanges(base, with(u"Alpha", NoteBlue, u"Work\n"),
                                  with(u"Alpha", NoteRed, u"Work\n")));
    EXPECT_FALSE(MergeNoteChanges(base, with(u"Alpha", NoteYellow, u""),
                                  with(u"Alpha", NoteYellow, u"Home\n")));
}
