// The property databases: creation, sort orders, seeks and moves, reads,
// writes and database information.
#include "platform/ce/database.h"

#include "platform/base/kernel.h"
#include "platform/base/status.h"
#include "platform/ce/ce_test_helpers.h"
#include "platform/ce/database_cursor.h"
#include "platform/ce/machine.h"

#include "support/machine.h"
#include <algorithm>
#include <set>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <fstream>

using namespace cetest;

namespace {

constexpr WORD kTitle = 90, kCreated = 70, kModified = 20, kText = 30, kColor = 80;
const CEPROPID kTitleId = MakePropId(kTitle, CEVT_LPWSTR);
const CEPROPID kCreatedId = MakePropId(kCreated, CEVT_FILETIME);
const CEPROPID kModifiedId = MakePropId(kModified, CEVT_FILETIME);

class DatabaseTest : public ::testing::Test {
protected:
    // A database with the three note orders: title ascending, creation and
    // modification times descending.
    CEOID CreateNotes(const char16_t* name = u"Notes") {
        SORTORDERSPEC sorts[] = {
            {kTitleId, 0}, {kCreatedId, CEDB_SORT_DESCENDING}, {kModifiedId, CEDB_SORT_DESCENDING}};
        return CeCreateDatabase(name, 97, 3, sorts);
    }
    HANDLE Open(CEPROPID sort, const char16_t* name = u"Notes", DWORD flags = 0) {
        CEOID oid = 0;
        HANDLE h = CeOpenDatabase(&oid, name, sort, flags, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            m_handles.push_back(h);
        return h;
    }
    void TearDown() override {
        for (HANDLE h : m_handles)
            CloseHandle(h);
    }

    testsupport::TempMachines m_machines;
    std::vector<HANDLE> m_handles;
};

TEST_F(DatabaseTest, OpeningAMissingDatabaseFailsWithFileNotFound) {
    CEOID oid = 0;
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CeOpenDatabase(&oid, u"Nothing", 0, 0, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    EXPECT_EQ(0u, oid);
}

TEST_F(DatabaseTest, CreationRefusesBadNamesDuplicatesAndTooManySortOrders) {
    SORTORDERSPEC five[5] = {};
    for (auto& s : five)
        s.propid = kTitleId;
    SORTORDERSPEC blob[] = {{MakePropId(5, CEVT_BLOB), 0}};
    struct Case {
        const char* what;
        const char16_t* name;
        WORD sorts;
        SORTORDERSPEC* specs;
        DWORD error;
    } cases[] = {
        {"empty name", u"", 0, nullptr, ERROR_INVALID_PARAMETER},
        {"32 characters", u"abcdefghijklmnopqrstuvwxyz012345", 0, nullptr, ERROR_INVALID_PARAMETER},
        {"five sort orders", u"Five", 5, five, ERROR_INVALID_PARAMETER},
        {"sorting on a blob", u"Blob", 1, blob, ERROR_INVALID_PARAMETER},
        {"duplicate (other case)", u"NOTES", 0, nullptr, ERROR_ALREADY_EXISTS},
    };
    ASSERT_NE(0u, CreateNotes());
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(0u, CeCreateDatabase(c.name, 0, c.sorts, c.specs)) << c.what;
        EXPECT_EQ(c.error, GetLastError()) << c.what;
    }
    EXPECT_NE(0u, CeCreateDatabase(u"abcdefghijklmnopqrstuvwxyz01234", 0, 0, nullptr))
        << "31 characters fit";
}

TEST_F(DatabaseTest, NoteOrdersSortStringsAndTimesWithMissingPropertiesLast) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE w = Open(0);
    // title, created, modified (0 = property missing)
    struct Note {
        const char16_t* title;
        std::uint64_t created, modified;
    } notes[] = {
        {u"banana", 300, 10}, {u"Apple", 100, 30}, {u"apple", 200, 0},  {nullptr, 400, 20},
        {u"Banana", 0, 40},   {u"b", 500, 50},     {u"apple", 200, 30},
    };
    std::vector<CEOID> oids;
    for (const auto& n : notes) {
        std::vector<CEPROPVAL> props;
        if (n.title)
            props.push_back(Str(kTitle, n.title));
        if (n.created)
            props.push_back(Time(kCreated, n.created));
        if (n.modified)
            props.push_back(Time(kModified, n.modified));
        oids.push_back(Write(w, 0, props));
        ASSERT_NE(0u, oids.back());
    }
    auto order = [&](std::initializer_list<int> positions) {
        std::vector<CEOID> out;
        for (int p : positions)
            out.push_back(oids[static_cast<std::size_t>(p)]);
        return out;
    };
    // Case only breaks ties, lower case first; equal keys by identifier; the
    // record without a title last.
    HANDLE byTitle = Open(kTitleId);
    EXPECT_EQ(order({2, 6, 1, 5, 0, 4, 3}), Walk(byTitle));
    EXPECT_EQ("apple apple Apple b banana Banana -", Titles(byTitle, kTitle));
    // Newest first; the record without a creation time last in both directions.
    HANDLE byCreated = Open(kCreatedId);
    EXPECT_EQ(order({5, 3, 0, 2, 6, 1, 4}), Walk(byCreated));
    HANDLE byModified = Open(kModifiedId);
    EXPECT_EQ(order({5, 4, 1, 6, 3, 0, 2}), Walk(byModified));
    // Walking back gives the same order reversed.
    for (HANDLE h : {byTitle, byCreated, byModified, w}) {
        auto forward = Walk(h);
        auto back = WalkBack(h);
        std::reverse(back.begin(), back.end());
        EXPECT_EQ(forward, back);
    }
    // Without a sort order: ascending identifiers.
    EXPECT_EQ(oids, Walk(w));
}

TEST_F(DatabaseTest, CaseInsensitiveAndUnknownFirstOrders) {
    SORTORDERSPEC sorts[] = {{kTitleId, CEDB_SORT_CASEINSENSITIVE},
                             {kModifiedId, CEDB_SORT_UNKNOWNFIRST | CEDB_SORT_DESCENDING}};
    ASSERT_NE(0u, CeCreateDatabase(u"Flags", 0, 2, sorts));
    HANDLE w = Open(0, u"Flags");
    const CEOID b = Write(w, 0, {Str(kTitle, u"b"), Time(kModified, 5)});
    const CEOID A = Write(w, 0, {Str(kTitle, u"A"), Time(kModified, 9)});
    const CEOID a = Write(w, 0, {Str(kTitle, u"a")});
    const CEOID B = Write(w, 0, {Str(kTitle, u"B"), Time(kModified, 7)});
    // Case makes no difference: equal titles go by identifier.
    EXPECT_EQ((std::vector<CEOID>{A, a, b, B}), Walk(Open(kTitleId, u"Flags")));
    // Without a modification time first, then newest first.
    EXPECT_EQ((std::vector<CEOID>{a, A, B, b}), Walk(Open(kModifiedId, u"Flags")));
}

TEST_F(DatabaseTest, AscendingTimesAndNumbersSortNumerically) {
    const CEPROPID i4 = MakePropId(1, CEVT_I4), ft = MakePropId(2, CEVT_FILETIME);
    SORTORDERSPEC sorts[] = {{i4, 0}, {ft, 0}};
    ASSERT_NE(0u, CeCreateDatabase(u"Numbers", 0, 2, sorts));
    HANDLE w = Open(0, u"Numbers");
    std::vector<CEOID> oids;
    const LONG values[] = {5, -3, 70000, 0, -70000};
    const std::uint64_t times[] = {0x100000000ull, 1, 0xFFFFFFFFull, 0x200000000ull, 2};
    for (int i = 0; i < 5; ++i) {
        CEPROPVAL v{};
        v.propid = i4;
        v.val.lVal = values[i];
        oids.push_back(Write(w, 0, {v, Time(2, times[i])}));
    }
    EXPECT_EQ((std::vector<CEOID>{oids[4], oids[1], oids[3], oids[0], oids[2]}),
              Walk(Open(i4, u"Numbers")));
    EXPECT_EQ((std::vector<CEOID>{oids[1], oids[4], oids[2], oids[0], oids[3]}),
              Walk(Open(ft, u"Numbers")));
}

TEST_F(DatabaseTest, SeeksReportIdentifierAndIndexAndFailedMovesStayPut) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE w = Open(0);
    const char16_t* titles[] = {u"d", u"b", u"e", u"a", u"c"};
    std::vector<CEOID> oids;
    for (auto* t : titles)
        oids.push_back(Write(w, 0, {Str(kTitle, t)}));
    HANDLE h = Open(kTitleId); // a b c d e
    DWORD index = 99;
    EXPECT_EQ(oids[4], CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 2, &index));
    EXPECT_EQ(2u, index);
    EXPECT_EQ(oids[2], CeSeekDatabase(h, CEDB_SEEK_END, 0, &index));
    EXPECT_EQ(4u, index);
    EXPECT_EQ(oids[1], CeSeekDatabase(h, CEDB_SEEK_END, 3, &index));
    EXPECT_EQ(1u, index);
    EXPECT_EQ(oids[0], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 2, &index));
    EXPECT_EQ(3u, index);
    EXPECT_EQ(oids[3], CeSeekDatabase(h, CEDB_SEEK_CURRENT, static_cast<DWORD>(-3), &index));
    EXPECT_EQ(0u, index);
    EXPECT_EQ(oids[2], CeSeekDatabase(h, CEDB_SEEK_CEOID, oids[2], &index));
    EXPECT_EQ(4u, index);

    // Failed moves: past either end, to a missing index or identifier.
    struct Move {
        const char* what;
        DWORD type;
        DWORD value;
    } failing[] = {
        {"next after last", CEDB_SEEK_CURRENT, 1},
        {"two on after last", CEDB_SEEK_CURRENT, 2},
        {"index past the end", CEDB_SEEK_BEGINNING, 5},
        {"back past the start", CEDB_SEEK_CURRENT, static_cast<DWORD>(-5)},
        {"unknown identifier", CEDB_SEEK_CEOID, 12345},
        {"identifier 0", CEDB_SEEK_CEOID, 0},
        {"far from the end", CEDB_SEEK_END, 7},
    };
    for (const auto& m : failing) {
        ASSERT_EQ(oids[2], CeSeekDatabase(h, CEDB_SEEK_CEOID, oids[2], nullptr));
        SetLastError(0);
        EXPECT_EQ(0u, CeSeekDatabase(h, m.type, m.value, nullptr)) << m.what;
        EXPECT_NE(0u, GetLastError()) << m.what;
        EXPECT_EQ(oids[2], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, &index)) << m.what;
        EXPECT_EQ(4u, index) << m.what;
    }
    // Back from the first record fails and leaves it current.
    ASSERT_EQ(oids[3], CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr));
    EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_CURRENT, static_cast<DWORD>(-1), nullptr));
    EXPECT_EQ(oids[3], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, nullptr));
    // An identifier of another database is not found through this handle.
    ASSERT_NE(0u, CeCreateDatabase(u"Other", 0, 0, nullptr));
    HANDLE other = Open(0, u"Other");
    const CEOID foreign = Write(other, 0, {Str(kTitle, u"x")});
    EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_CEOID, foreign, nullptr));
}

TEST_F(DatabaseTest, ANewHandleStandsOnTheFirstRecord) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE w = Open(0);
    const CEOID b = Write(w, 0, {Str(kTitle, u"b")});
    const CEOID a = Write(w, 0, {Str(kTitle, u"a")});
    HANDLE h = Open(kTitleId);
    DWORD index = 9;
    EXPECT_EQ(a, CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, &index));
    EXPECT_EQ(0u, index);
    HANDLE h2 = Open(kTitleId);
    EXPECT_EQ(b, CeSeekDatabase(h2, CEDB_SEEK_CURRENT, 1, nullptr));
    EXPECT_EQ("a", CurrentString(Open(kTitleId), kTitle));
    // An empty database has no current record.
    ASSERT_NE(0u, CeCreateDatabase(u"Empty", 0, 0, nullptr));
    HANDLE e = Open(0, u"Empty");
    EXPECT_EQ(0u, CeSeekDatabase(e, CEDB_SEEK_CURRENT, 0, nullptr));
    EXPECT_EQ(0u, CeSeekDatabase(e, CEDB_SEEK_BEGINNING, 0, nullptr));
}

TEST_F(DatabaseTest, ValueSeeksFindByTheSortProperty) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE w = Open(0);
    const CEOID b1 = Write(w, 0, {Str(kTitle, u"b")});
    const CEOID a = Write(w, 0, {Str(kTitle, u"a")});
    const CEOID b2 = Write(w, 0, {Str(kTitle, u"b")});
    const CEOID d = Write(w, 0, {Str(kTitle, u"d")});
    Write(w, 0, {U4(kColor, 1)});
    HANDLE h = Open(kTitleId);
    CEPROPVAL b = Str(kTitle, u"b"), c = Str(kTitle, u"c"), upper = Str(kTitle, u"B");
    auto seek = [&](DWORD type, CEPROPVAL* v) {
        return CeSeekDatabase(h, type, reinterpret_cast<DWORD_PTR>(v), nullptr);
    };
    EXPECT_EQ(b1, seek(CEDB_SEEK_VALUEFIRSTEQUAL, &b));
    EXPECT_EQ(b2, seek(CEDB_SEEK_VALUENEXTEQUAL, &b));
    EXPECT_EQ(0u, seek(CEDB_SEEK_VALUENEXTEQUAL, &b));
    EXPECT_EQ(b2, CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, nullptr));
    EXPECT_EQ(0u, seek(CEDB_SEEK_VALUEFIRSTEQUAL, &c));
    EXPECT_EQ(0u, seek(CEDB_SEEK_VALUEFIRSTEQUAL, &upper)) << "equality keeps case";
    EXPECT_EQ(b2, seek(CEDB_SEEK_VALUESMALLER, &c));
    EXPECT_EQ(d, seek(CEDB_SEEK_VALUEGREATER, &c));
    EXPECT_EQ(a, seek(CEDB_SEEK_VALUESMALLER, &b));
    // Without a sort order the first-equal seek walks identifiers in order.
    CEPROPVAL color = U4(kColor, 1), none = U4(kColor, 2);
    HANDLE plain = Open(0);
    const CEOID colored = CeSeekDatabase(plain, CEDB_SEEK_VALUEFIRSTEQUAL,
                                         reinterpret_cast<DWORD_PTR>(&color), nullptr);
    EXPECT_NE(0u, colored);
    EXPECT_EQ(colored, CeSeekDatabase(plain, CEDB_SEEK_END, 0, nullptr));
    EXPECT_EQ(0u, CeSeekDatabase(plain, CEDB_SEEK_VALUEFIRSTEQUAL,
                                 reinterpret_cast<DWORD_PTR>(&none), nullptr));
}

TEST_F(DatabaseTest, ACursorWhoseRecordWasDeletedMovesOnFromWhereItWas) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE w = Open(0);
    std::vector<CEOID> oids;
    for (auto* t : {u"a", u"b", u"c", u"d"})
        oids.push_back(Write(w, 0, {Str(kTitle, t)}));
    HANDLE h = Open(kTitleId);
    ASSERT_EQ(oids[1], CeSeekDatabase(h, CEDB_SEEK_CEOID, oids[1], nullptr));
    // Deleted through another handle: "where am I" and reads fail, moves go on.
    ASSERT_TRUE(CeDeleteRecord(w, oids[1]));
    EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, nullptr));
    WORD count = 0;
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    SetLastError(0);
    EXPECT_EQ(0u, CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size));
    EXPECT_EQ(ERROR_KEY_DELETED, GetLastError());
    DWORD index = 0;
    EXPECT_EQ(oids[2], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, &index));
    EXPECT_EQ(1u, index);
    // And backwards: delete c (current) and d, then step back to a.
    ASSERT_TRUE(CeDeleteRecord(h, oids[2]));
    ASSERT_TRUE(CeDeleteRecord(h, oids[3]));
    EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr));
    EXPECT_EQ(oids[0], CeSeekDatabase(h, CEDB_SEEK_CURRENT, static_cast<DWORD>(-1), nullptr));
    LocalFree(buffer);
}

TEST_F(DatabaseTest, ARewrittenRecordTakesTheCursorToItsNewPlace) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE w = Open(0);
    const CEOID a = Write(w, 0, {Str(kTitle, u"a")});
    const CEOID b = Write(w, 0, {Str(kTitle, u"b")});
    const CEOID c = Write(w, 0, {Str(kTitle, u"c")});
    HANDLE h = Open(kTitleId);
    ASSERT_EQ(a, CeSeekDatabase(h, CEDB_SEEK_CEOID, a, nullptr));
    ASSERT_EQ(a, Write(w, a, {Str(kTitle, u"z")}));
    DWORD index = 0;
    EXPECT_EQ(a, CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, &index));
    EXPECT_EQ(2u, index);
    EXPECT_EQ(c, CeSeekDatabase(h, CEDB_SEEK_CURRENT, static_cast<DWORD>(-1), nullptr));
    EXPECT_EQ(b, CeSeekDatabase(h, CEDB_SEEK_CURRENT, static_cast<DWORD>(-1), nullptr));
    // What the handle read at its record is read again after another handle's write.
    EXPECT_EQ("b", CurrentString(h, kTitle));
    ASSERT_EQ(b, Write(w, b, {Str(kTitle, u"bb")}));
    EXPECT_EQ("bb", CurrentString(h, kTitle));
}

TEST_F(DatabaseTest, AWalkSeesWhatChangesAheadOfIt) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE w = Open(0);
    std::vector<CEOID> oids;
    for (auto* t : {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h"})
        oids.push_back(Write(w, 0, {Str(kTitle, t), Str(kText, t)}));
    HANDLE h = Open(kTitleId);
    // Walk far enough that the handle has fetched records ahead (f, g, h).
    ASSERT_EQ(oids[0], CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr));
    for (int i = 1; i <= 4; ++i)
        ASSERT_EQ(oids[i], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr));
    // Another handle deletes the next record, adds one in between and
    // rewrites a later one.
    ASSERT_TRUE(CeDeleteRecord(w, oids[5]));
    const CEOID added = Write(w, 0, {Str(kTitle, u"ea"), Str(kText, u"added")});
    ASSERT_EQ(oids[6], Write(w, oids[6], {Str(kText, u"changed")}));
    DWORD index = 0;
    EXPECT_EQ(added, CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, &index));
    EXPECT_EQ(5u, index);
    EXPECT_EQ("added", CurrentString(h, kText));
    EXPECT_EQ(oids[6], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, &index));
    EXPECT_EQ(6u, index);
    EXPECT_EQ("changed", CurrentString(h, kText));
    // The index known from the walk follows deletions behind the handle.
    ASSERT_TRUE(CeDeleteRecord(w, oids[0]));
    EXPECT_EQ(oids[6], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, &index));
    EXPECT_EQ(5u, index);
    EXPECT_EQ(oids[7], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, &index));
    EXPECT_EQ(6u, index);
    EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, &index));
    EXPECT_EQ(oids[7], CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, &index));
}

TEST_F(DatabaseTest, IndexesFromMovesAgreeWithCounting) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE w = Open(0);
    for (auto* t : {u"m", u"b", u"x", u"b", u"a", u"q", u"b"})
        Write(w, 0, {Str(kTitle, t)});
    HANDLE h = Open(kTitleId);
    HANDLE counter = Open(kTitleId);
    DWORD index = 0, counted = 0;
    const LONG moves[] = {1, 1, 2, -1, -3, 4, 0, -2, 1};
    ASSERT_NE(0u, CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, &index));
    EXPECT_EQ(0u, index);
    for (LONG move : moves) {
        const CEOID at = CeSeekDatabase(h, CEDB_SEEK_CURRENT, static_cast<DWORD>(move), &index);
        ASSERT_NE(0u, at) << move;
        ASSERT_EQ(at, CeSeekDatabase(counter, CEDB_SEEK_CEOID, at, &counted));
        EXPECT_EQ(counted, index) << "after a move of " << move;
    }
}

TEST_F(DatabaseTest, HandlesKeepTheirOwnPositions) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE w = Open(0);
    std::vector<CEOID> oids;
    for (auto* t : {u"c", u"a", u"b"})
        oids.push_back(Write(w, 0, {Str(kTitle, t)}));
    HANDLE one = Open(kTitleId), two = Open(kTitleId);
    ASSERT_EQ(oids[2], CeSeekDatabase(one, CEDB_SEEK_CURRENT, 1, nullptr));
    ASSERT_EQ(oids[0], CeSeekDatabase(two, CEDB_SEEK_END, 0, nullptr));
    EXPECT_EQ(oids[2], CeSeekDatabase(one, CEDB_SEEK_CURRENT, 0, nullptr));
    EXPECT_EQ(oids[0], CeSeekDatabase(two, CEDB_SEEK_CURRENT, 0, nullptr));
    EXPECT_EQ(oids[0], CeSeekDatabase(w, CEDB_SEEK_CURRENT, 0, nullptr)) << "still on the first";
}

TEST_F(DatabaseTest, AutoSeekNextReadsOneRecordAfterAnotherAndStopsPastTheEnd) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE w = Open(0);
    for (auto* t : {u"c", u"a", u"b"})
        Write(w, 0, {Str(kTitle, t)});
    HANDLE h = Open(kTitleId, u"Notes", CEDB_AUTOINCREMENT);
    std::string seen;
    for (int i = 0; i < 3; ++i)
        seen += CurrentString(h, kTitle);
    EXPECT_EQ("abc", seen);
    EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_CURRENT, 0, nullptr)) << "past the end";
    SetLastError(0);
    EXPECT_EQ("?", CurrentString(h, kTitle));
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, GetLastError());
    // Switched off while open, the handle stays on the record it read.
    ASSERT_TRUE(ce::SetAutoSeekNext(h, FALSE));
    ASSERT_NE(0u, CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr));
    EXPECT_EQ("a", CurrentString(h, kTitle));
    EXPECT_EQ("a", CurrentString(h, kTitle));
}

TEST_F(DatabaseTest, ReadBufferRules) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE h = Open(0);
    const CEOID oid = Write(h, 0, {Str(kText, u"hello"), U4(kColor, 3)});
    ASSERT_NE(0u, oid);
    const std::size_t needed = 2 * sizeof(CEPROPVAL) + 6 * sizeof(WCHAR);

    // Too small without reallocation: the size needed, nothing written.
    std::vector<BYTE> small(needed - 1, 0xAB);
    LPBYTE buffer = small.data();
    DWORD size = static_cast<DWORD>(small.size());
    WORD count = 0;
    SetLastError(0);
    EXPECT_EQ(0u, CeReadRecordProps(h, 0, &count, nullptr, &buffer, &size));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(needed, size);
    EXPECT_EQ(small.data(), buffer);
    for (BYTE b : small)
        ASSERT_EQ(0xAB, b);

    // Big enough: the array, then the string it points into, then untouched bytes.
    std::vector<BYTE> exact(needed + 8, 0xAB);
    buffer = exact.data();
    size = static_cast<DWORD>(exact.size());
    EXPECT_EQ(oid, CeReadRecordProps(h, 0, &count, nullptr, &buffer, &size));
    ASSERT_EQ(2, count);
    auto* props = reinterpret_cast<CEPROPVAL*>(buffer);
    EXPECT_EQ(MakePropId(kText, CEVT_LPWSTR), props[0].propid);
    EXPECT_EQ(std::u16string(u"hello"), props[0].val.lpwstr);
    EXPECT_EQ(reinterpret_cast<BYTE*>(props[0].val.lpwstr), buffer + 2 * sizeof(CEPROPVAL));
    EXPECT_EQ(3u, props[1].val.ulVal);
    for (std::size_t i = needed; i < exact.size(); ++i)
        ASSERT_EQ(0xAB, exact[i]) << "byte " << i;

    // Growing a small local block with CEDB_ALLOWREALLOC.
    LPBYTE block = static_cast<LPBYTE>(LocalAlloc(LMEM_FIXED, 4));
    size = 4;
    EXPECT_EQ(oid, CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, nullptr, &block, &size));
    EXPECT_EQ(needed, size);
    EXPECT_GE(LocalSize(block), needed);
    EXPECT_EQ(std::u16string(u"hello"), reinterpret_cast<CEPROPVAL*>(block)[0].val.lpwstr);

    // Asked-for properties in the order asked; missing ones flagged.
    CEPROPID wanted[] = {MakePropId(kColor, CEVT_UI4), MakePropId(77, CEVT_I2)};
    count = 2;
    EXPECT_EQ(oid, CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, wanted, &block, &size));
    ASSERT_EQ(2, count);
    props = reinterpret_cast<CEPROPVAL*>(block);
    EXPECT_EQ(3u, props[0].val.ulVal);
    EXPECT_EQ(0, props[0].wFlags);
    EXPECT_EQ(wanted[1], props[1].propid);
    EXPECT_EQ(CEDB_PROPNOTFOUND, props[1].wFlags);

    // A property stored with another type than asked is missing, not a value
    // of the asked type made of the stored bits (a string pointer from a
    // number); the string beside it is read as asked.
    CEPROPID mistyped[] = {MakePropId(kColor, CEVT_LPWSTR), MakePropId(kText, CEVT_LPWSTR)};
    count = 2;
    EXPECT_EQ(oid, CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, mistyped, &block, &size));
    ASSERT_EQ(2, count);
    props = reinterpret_cast<CEPROPVAL*>(block);
    EXPECT_EQ(mistyped[0], props[0].propid);
    EXPECT_EQ(CEDB_PROPNOTFOUND, props[0].wFlags);
    EXPECT_EQ(0, props[1].wFlags);
    EXPECT_EQ(std::u16string(u"hello"), props[1].val.lpwstr);
    LocalFree(block);
}

TEST_F(DatabaseTest, EveryPropertyTypeRoundTrips) {
    ASSERT_NE(0u, CeCreateDatabase(u"Types", 0, 0, nullptr));
    HANDLE h = Open(0, u"Types");
    BYTE bytes[] = {0, 1, 2, 0xFF, 0};
    std::vector<CEPROPVAL> in(8);
    in[0].propid = MakePropId(1, CEVT_I2), in[0].val.iVal = -12345;
    in[1].propid = MakePropId(2, CEVT_UI2), in[1].val.uiVal = 65535;
    in[2].propid = MakePropId(3, CEVT_I4), in[2].val.lVal = -2000000000;
    in[3].propid = MakePropId(4, CEVT_UI4), in[3].val.ulVal = 4000000000u;
    in[4].propid = MakePropId(5, CEVT_BOOL), in[4].val.boolVal = TRUE;
    in[5] = Time(6, 0x0123456789ABCDEFull);
    in[6] = Str(7, u"\u00e9t\u00e9\r\n\U0001F600");
    in[7].propid = MakePropId(8, CEVT_BLOB), in[7].val.blob = {sizeof bytes, bytes};
    const CEOID oid = Write(h, 0, in);
    ASSERT_NE(0u, oid);
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    ASSERT_EQ(oid, CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size));
    ASSERT_EQ(8, count);
    auto* out = reinterpret_cast<CEPROPVAL*>(buffer);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(in[i].propid, out[i].propid) << i;
    EXPECT_EQ(-12345, out[0].val.iVal);
    EXPECT_EQ(65535, out[1].val.uiVal);
    EXPECT_EQ(-2000000000, out[2].val.lVal);
    EXPECT_EQ(4000000000u, out[3].val.ulVal);
    EXPECT_EQ(TRUE, out[4].val.boolVal);
    EXPECT_EQ(0x89ABCDEFu, out[5].val.filetime.dwLowDateTime);
    EXPECT_EQ(0x01234567u, out[5].val.filetime.dwHighDateTime);
    EXPECT_EQ(std::u16string(in[6].val.lpwstr), out[6].val.lpwstr);
    ASSERT_EQ(sizeof bytes, out[7].val.blob.dwCount);
    EXPECT_EQ(0, std::memcmp(bytes, out[7].val.blob.lpb, sizeof bytes));
    LocalFree(buffer);
}

TEST_F(DatabaseTest, AStringAfterAnOddBlobStartsOnAnEvenByte) {
    ASSERT_NE(0u, CeCreateDatabase(u"Types", 0, 0, nullptr));
    HANDLE h = Open(0, u"Types");
    BYTE bytes[] = {7, 8, 9};
    std::vector<CEPROPVAL> in(2);
    in[0].propid = MakePropId(1, CEVT_BLOB), in[0].val.blob = {sizeof bytes, bytes};
    in[1] = Str(2, u"ab");
    const CEOID oid = Write(h, 0, in);
    ASSERT_NE(0u, oid);
    // The array, the blob's 3 bytes, one byte of padding, "ab" and its NUL.
    const std::size_t array = 2 * sizeof(CEPROPVAL);
    const std::size_t needed = array + 3 + 1 + 3 * sizeof(WCHAR);
    std::vector<BYTE> block(needed, 0xAB);
    LPBYTE buffer = block.data();
    DWORD size = static_cast<DWORD>(block.size());
    WORD count = 0;
    ASSERT_EQ(oid, CeReadRecordProps(h, 0, &count, nullptr, &buffer, &size));
    ASSERT_EQ(2, count);
    auto* out = reinterpret_cast<CEPROPVAL*>(buffer);
    EXPECT_EQ(block.data() + array, out[0].val.blob.lpb);
    EXPECT_EQ(0, std::memcmp(bytes, out[0].val.blob.lpb, sizeof bytes));
    EXPECT_EQ(block.data() + array + 4, reinterpret_cast<BYTE*>(out[1].val.lpwstr));
    EXPECT_EQ(std::u16string(u"ab"), out[1].val.lpwstr);
    // One byte less is refused with the size needed.
    size = static_cast<DWORD>(needed - 1);
    SetLastError(0);
    EXPECT_EQ(0u, CeReadRecordProps(h, 0, &count, nullptr, &buffer, &size));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(needed, size);
}

TEST_F(DatabaseTest, WritesMergeByPropertyNumberAndDeleteWithTheFlag) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE h = Open(0);
    const CEOID oid = Write(h, 0, {Str(kText, u"one"), U4(kColor, 1), Str(kTitle, u"t")});
    CEPROPVAL gone = Str(kTitle, u"");
    gone.wFlags = CEDB_PROPDELETE;
    ASSERT_EQ(oid, Write(h, oid, {U4(kColor, 4), gone, Time(kModified, 7)}));
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    ASSERT_EQ(oid, CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size));
    ASSERT_EQ(3, count);
    auto* p = reinterpret_cast<CEPROPVAL*>(buffer);
    EXPECT_EQ(std::u16string(u"one"), p[0].val.lpwstr);
    EXPECT_EQ(4u, p[1].val.ulVal);
    EXPECT_EQ(kModifiedId, p[2].propid);
    LocalFree(buffer);
    // Writing a record that does not exist (or of another database) fails.
    SetLastError(0);
    EXPECT_EQ(0u, Write(h, 424242, {U4(kColor, 1)}));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    CEPROPVAL nullString = Str(kText, nullptr);
    EXPECT_EQ(0u, Write(h, oid, {nullString}));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST_F(DatabaseTest, IdentifiersAreNeverZeroNorReused) {
    ASSERT_NE(0u, CeCreateDatabase(u"Ids", 0, 0, nullptr));
    HANDLE h = Open(0, u"Ids");
    std::set<CEOID> seen;
    for (int i = 0; i < 20; ++i) {
        const CEOID oid = Write(h, 0, {U4(1, static_cast<ULONG>(i))});
        ASSERT_NE(0u, oid);
        EXPECT_TRUE(seen.insert(oid).second);
        if (i % 2) {
            ASSERT_TRUE(CeDeleteRecord(h, oid));
        }
    }
    const CEOID later = Write(h, 0, {});
    EXPECT_GT(later, *seen.rbegin());
}

TEST_F(DatabaseTest, InformationCountsSizeTimesAndSortOrders) {
    // Times on whole milliseconds: the system time has no finer grain.
    const std::uint64_t first = 133000000000000000ull, second = first + 50000;
    platform::PinSystemTime(FILETIME{static_cast<DWORD>(first), static_cast<DWORD>(first >> 32)});
    const CEOID db = CreateNotes();
    HANDLE h = Open(0);
    const CEOID a = Write(h, 0, {Str(kText, u"abc")});
    Write(h, 0, {U4(kColor, 1)});
    platform::PinSystemTime(FILETIME{static_cast<DWORD>(second), static_cast<DWORD>(second >> 32)});
    ASSERT_TRUE(CeDeleteRecord(h, Write(h, 0, {U4(kColor, 2)})));
    CEOIDINFO info;
    std::memset(&info, 0xCD, sizeof info);
    ASSERT_TRUE(CeOidGetInfo(db, &info));
    platform::PinSystemTime(std::nullopt);
    EXPECT_EQ(OBJTYPE_DATABASE, info.wObjType);
    EXPECT_EQ(std::u16string(u"Notes"), info.infDatabase.szDbaseName);
    EXPECT_EQ(97u, info.infDatabase.dwDbaseType);
    EXPECT_EQ(2, info.infDatabase.wNumRecords);
    ASSERT_EQ(3, info.infDatabase.wNumSortOrder);
    EXPECT_EQ(kCreatedId, info.infDatabase.rgSortSpecs[1].propid);
    EXPECT_EQ(CEDB_SORT_DESCENDING, info.infDatabase.rgSortSpecs[1].dwFlags);
    EXPECT_GT(info.infDatabase.dwSize, 6u);
    EXPECT_EQ(static_cast<DWORD>(second), info.infDatabase.ftLastModified.dwLowDateTime);
    EXPECT_EQ(static_cast<DWORD>(second >> 32), info.infDatabase.ftLastModified.dwHighDateTime);
    ASSERT_TRUE(CeOidGetInfo(a, &info));
    EXPECT_EQ(OBJTYPE_RECORD, info.wObjType);
    EXPECT_EQ(db, info.infRecord.oidParent);
    EXPECT_FALSE(CeOidGetInfo(987654, &info));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST_F(DatabaseTest, ReplacingSortOrdersResortsRecordsAndOpenHandlesFollow) {
    const CEOID db = CeCreateDatabase(u"Notes", 0, 0, nullptr);
    HANDLE w = Open(0);
    const CEOID b = Write(w, 0, {Str(kTitle, u"b"), Time(kCreated, 1)});
    const CEOID a = Write(w, 0, {Str(kTitle, u"a"), Time(kCreated, 2)});
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(kTitleId)) << "no such sort order yet";
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDSORTSPEC;
    info.wNumSortOrder = 2;
    info.rgSortSpecs[0] = {kTitleId, 0};
    info.rgSortSpecs[1] = {kCreatedId, 0};
    ASSERT_TRUE(CeSetDatabaseInfo(db, &info));
    HANDLE byTitle = Open(kTitleId);
    HANDLE byCreated = Open(kCreatedId);
    EXPECT_EQ((std::vector<CEOID>{a, b}), Walk(byTitle));
    EXPECT_EQ((std::vector<CEOID>{b, a}), Walk(byCreated));
    // Swap the two orders: the open handles keep their own property's order.
    std::swap(info.rgSortSpecs[0], info.rgSortSpecs[1]);
    info.rgSortSpecs[0].dwFlags = CEDB_SORT_DESCENDING;
    ASSERT_TRUE(CeSetDatabaseInfo(db, &info));
    EXPECT_EQ((std::vector<CEOID>{a, b}), Walk(byTitle));
    EXPECT_EQ((std::vector<CEOID>{a, b}), Walk(byCreated));
    // Name and type; the name stays unique.
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE;
    std::u16string renamed = u"Renamed";
    std::copy(renamed.begin(), renamed.end(), info.szDbaseName);
    info.dwDbaseType = 5;
    ASSERT_TRUE(CeSetDatabaseInfo(db, &info));
    ASSERT_NE(0u, CeCreateDatabase(u"Taken", 0, 0, nullptr));
    std::u16string taken = u"taken";
    std::fill(std::begin(info.szDbaseName), std::end(info.szDbaseName), 0);
    std::copy(taken.begin(), taken.end(), info.szDbaseName);
    EXPECT_FALSE(CeSetDatabaseInfo(db, &info));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    CEOIDINFO got{};
    ASSERT_TRUE(CeOidGetInfo(db, &got));
    EXPECT_EQ(std::u16string(u"Renamed"), got.infDatabase.szDbaseName);
    EXPECT_EQ(5u, got.infDatabase.dwDbaseType);
}

TEST_F(DatabaseTest, EnumerationAndDeletion) {
    const CEOID one = CeCreateDatabase(u"One", 7, 0, nullptr);
    const CEOID two = CeCreateDatabase(u"Two", 8, 0, nullptr);
    const CEOID three = CeCreateDatabase(u"Three", 7, 0, nullptr);
    auto all = [](DWORD type) {
        std::vector<CEOID> out;
        HANDLE e = CeFindFirstDatabase(type);
        for (CEOID oid; (oid = CeFindNextDatabase(e)) != 0;)
            out.push_back(oid);
        EXPECT_EQ(ERROR_NO_MORE_ITEMS, GetLastError());
        CloseHandle(e);
        return out;
    };
    EXPECT_EQ((std::vector<CEOID>{one, two, three}), all(0));
    EXPECT_EQ((std::vector<CEOID>{one, three}), all(7));
    HANDLE h = Open(0, u"Two");
    Write(h, 0, {U4(1, 1)});
    ASSERT_TRUE(CeDeleteDatabase(two));
    EXPECT_EQ((std::vector<CEOID>{one, three}), all(0));
    EXPECT_EQ(0u, CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_FALSE(CeDeleteDatabase(two));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(0x1234)));
}

TEST_F(DatabaseTest, AHandleStaysWithItsHandheldWhenTheProcessTurnsToAnother) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE first = Open(0);
    const CEOID a = Write(first, 0, {Str(kText, u"on the first handheld")});
    testsupport::TempMachines other; // the process now works on another handheld
    ASSERT_NE(0u, CreateNotes()) << "the same identifiers come up in the other store";
    HANDLE second = Open(0);
    const CEOID b = Write(second, 0, {Str(kText, u"on the second handheld")});
    ASSERT_EQ(a, b);
    EXPECT_EQ(a, CeSeekDatabase(first, CEDB_SEEK_CEOID, a, nullptr));
    EXPECT_EQ("on the first handheld", CurrentString(first, kText));
    ASSERT_EQ(a, Write(first, a, {Str(kText, u"changed")}));
    EXPECT_EQ("on the second handheld", CurrentString(second, kText));
}

TEST_F(DatabaseTest, AStoreFileThatIsNoStoreIsRefusedAndLeftAlone) {
    const std::string path = ce::HandheldDirectory() + "/objectstore.db";
    const std::string garbage(4096, 'x');
    {
        std::ofstream out(path, std::ios::binary);
        out << garbage;
    }
    SetLastError(0);
    EXPECT_EQ(0u, CeCreateDatabase(u"Notes", 0, 0, nullptr));
    EXPECT_EQ(ERROR_INVALID_DATA, GetLastError());
    EXPECT_FALSE(platform::LastErrorMessage().empty());
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(garbage, std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST_F(DatabaseTest, ADamagedDatabaseRowIsRefused) {
    const CEOID db = CreateNotes();
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(SQLITE_OK,
                  sqlite3_open((ce::HandheldDirectory() + "/objectstore.db").c_str(), &raw));
        sqlite3_busy_timeout(raw, 5000);
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(raw, "UPDATE ce_databases SET sort_count = 9", nullptr,
                                          nullptr, nullptr));
        sqlite3_close(raw);
    }
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(0));
    EXPECT_EQ(ERROR_INVALID_DATA, GetLastError());
    CEOIDINFO info{};
    EXPECT_FALSE(CeOidGetInfo(db, &info));
    EXPECT_EQ(ERROR_INVALID_DATA, GetLastError());
}

TEST_F(DatabaseTest, ADamagedRecordIsRefusedAndNothingChanges) {
    ASSERT_NE(0u, CreateNotes());
    HANDLE h = Open(0);
    const CEOID oid = Write(h, 0, {Str(kText, u"intact")});
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK,
                  sqlite3_open((ce::HandheldDirectory() + "/objectstore.db").c_str(), &db));
        sqlite3_busy_timeout(db, 5000);
        // Cut the string short: its length says more than is there.
        const std::string sql = "UPDATE ce_records SET props = substr(props, 1, length(props) - 2) "
                                "WHERE oid = " +
                                std::to_string(oid);
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
        sqlite3_close(db);
    }
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    EXPECT_EQ(0u, CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size));
    EXPECT_EQ(ERROR_INVALID_DATA, GetLastError());
    EXPECT_EQ(nullptr, buffer);
    EXPECT_EQ(0u, Write(h, oid, {U4(kColor, 1)}));
    EXPECT_EQ(ERROR_INVALID_DATA, GetLastError());
    EXPECT_NE(std::string::npos, platform::LastErrorMessage().find("damaged record"));
}

} // namespace
