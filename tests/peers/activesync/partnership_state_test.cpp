// Both halves of the partnership state: what they keep across processes, and
// what they refuse.
#include "peers/activesync/desktop_state.h"
#include "peers/activesync/handheld_state.h"

#include "platform/base/sqlite.h"
#include "support/machine.h"

#include <gtest/gtest.h>

using namespace jsync;

TEST(DesktopState, PartnershipsAndPairingsPersist) {
    testsupport::TempMachines machines;
    std::uint32_t id = 0;
    {
        auto state = DesktopState::Open(machines.desktop());
        ASSERT_TRUE(state.ok()) << state.status().message();
        EXPECT_FALSE(state.value()->FindPartnership(77).value());
        auto created = state.value()->CreatePartnership(77, 2);
        ASSERT_TRUE(created.ok());
        id = created->id;
        EXPECT_NE(0u, id);
        PairingChange change;
        change.set = {{5, {1, 2, 3}}, {6, {4}}};
        change.addPending = {{6, 0xFFFFFFFFFFFFFFF0ull}};
        ASSERT_TRUE(state.value()->Apply(id, change).ok());
        ASSERT_TRUE(state.value()->SetFolder(id, {9, 9}).ok());
    }
    auto state = DesktopState::Open(machines.desktop());
    ASSERT_TRUE(state.ok());
    auto found = state.value()->FindPartnership(77).value();
    ASSERT_TRUE(found);
    EXPECT_EQ(id, found->id);
    EXPECT_EQ(2u, found->partnerBit);
    EXPECT_FALSE(found->storeId);
    EXPECT_EQ((Bytes{9, 9}), *found->folder);
    auto pairings = state.value()->Pairings(id);
    ASSERT_TRUE(pairings.ok());
    ASSERT_EQ(2u, pairings->size());
    EXPECT_EQ(5u, pairings.value()[0].oid);
    EXPECT_EQ((Bytes{1, 2, 3}), pairings.value()[0].handle);
    auto pending = state.value()->PendingCopies(id);
    ASSERT_TRUE(pending.ok());
    ASSERT_EQ(1u, pending->size());
    EXPECT_EQ(0xFFFFFFFFFFFFFFF0ull, pending.value()[0].contentHash);

    // One change replaces, removes and clears at once.
    PairingChange change;
    change.set = {{5, {7}}};
    change.remove = {6};
    change.clearPending = {6};
    ASSERT_TRUE(state.value()->Apply(id, change).ok());
    pairings = state.value()->Pairings(id);
    ASSERT_EQ(1u, pairings->size());
    EXPECT_EQ((Bytes{7}), pairings.value()[0].handle);
    EXPECT_TRUE(state.value()->PendingCopies(id)->empty());

    // A new store forgets every pairing and the folder.
    ASSERT_TRUE(state.value()->ResetForStore(id, {'u', 0}).ok());
    EXPECT_TRUE(state.value()->Pairings(id)->empty());
    found = state.value()->FindPartnership(77).value();
    EXPECT_EQ((Bytes{'u', 0}), *found->storeId);
    EXPECT_FALSE(found->folder);
}

TEST(DesktopState, RefusesHandlesThatDoNotFit) {
    testsupport::TempMachines machines;
    auto state = DesktopState::Open(machines.desktop());
    ASSERT_TRUE(state.ok());
    const std::uint32_t id = state.value()->CreatePartnership(1, 1)->id;
    for (const Bytes& handle : {Bytes{}, Bytes(kMaxHandleBytes + 1, 1)}) {
        PairingChange change;
        change.set = {{3, {1}}, {4, handle}};
        EXPECT_FALSE(state.value()->Apply(id, change).ok()) << handle.size();
        EXPECT_TRUE(state.value()->Pairings(id)->empty()) << "nothing of a refused change stays";
    }
    // A damaged row written behind its back is refused when read.
    auto db =
        platform::sqlite::Connection::Open(machines.desktop() + "/activesync/partnerships.db");
    ASSERT_TRUE(db.ok());
    ASSERT_TRUE(db.value()
                    ->Exec(("INSERT INTO pairings(partnership, oid, handle) VALUES(" +
                            std::to_string(id) + ", 8, zeroblob(2000))")
                               .c_str())
                    .ok());
    auto pairings = state.value()->Pairings(id);
    ASSERT_FALSE(pairings.ok());
    EXPECT_NE(std::string::npos, pairings.status().message().find("damaged"));
}

TEST(DesktopState, ADamagedPartnershipRowIsNamedAndLeftAsItIs) {
    testsupport::TempMachines machines;
    const std::string file = machines.desktop() + "/activesync/partnerships.db";
    struct Case {
        const char* name;
        const char* change;
    } cases[] = {
        {"partner bit", "UPDATE partnerships SET partner_bit = 7"},
        {"identifier", "UPDATE partnerships SET id = 5000000000"},
        {"store identifier", "UPDATE partnerships SET store_id = zeroblob(70000)"},
        {"folder handle", "UPDATE partnerships SET folder = zeroblob(2000)"},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        auto state = DesktopState::Open(machines.desktop());
        ASSERT_TRUE(state.ok());
        ASSERT_TRUE(state.value()->CreatePartnership(77, 1).ok());
        auto db = platform::sqlite::Connection::Open(file);
        ASSERT_TRUE(db.ok());
        ASSERT_TRUE(db.value()->Exec(each.change).ok());
        auto found = state.value()->FindPartnership(77);
        ASSERT_FALSE(found.ok());
        EXPECT_EQ("the partnership of this handheld in " + file +
                      " is damaged; move that file away to start a new partnership",
                  found.status().message());
        ASSERT_TRUE(db.value()->Exec("DELETE FROM partnerships").ok());
    }
    // A conflict copy of an impossible handheld object.
    auto state = DesktopState::Open(machines.desktop());
    const std::uint32_t id = state.value()->CreatePartnership(78, 2)->id;
    auto db = platform::sqlite::Connection::Open(file);
    ASSERT_TRUE(db.value()
                    ->Exec(("INSERT INTO pending_copies(partnership, oid, content_hash) VALUES(" +
                            std::to_string(id) + ", -4, 1)")
                               .c_str())
                    .ok());
    auto pending = state.value()->PendingCopies(id);
    ASSERT_FALSE(pending.ok());
    EXPECT_NE(std::string::npos, pending.status().message().find(file));
}

TEST(HandheldState, SlotsMarksAndSynchronizedNotes) {
    testsupport::TempMachines machines;
    auto state = HandheldState::Open(machines.handheld());
    ASSERT_TRUE(state.ok()) << state.status().message();
    EXPECT_EQ(0u, state.value()->DeviceId(false).value()) << "no identity until one is made";
    const std::uint64_t id = state.value()->DeviceId(true).value();
    EXPECT_NE(0u, id);
    EXPECT_EQ(id, state.value()->DeviceId(true).value());

    EXPECT_FALSE(state.value()->Slot(1));
    ASSERT_TRUE(state.value()->Claim(1, 100, "desktop A").ok());
    ASSERT_TRUE(state.value()->SetMark(1, 42).ok());
    ASSERT_TRUE(state.value()->ApplySynced(1, {{7, 40}, {8, 41}}, {}).ok());
    ASSERT_TRUE(state.value()->Claim(2, 200, "desktop B").ok());
    ASSERT_TRUE(state.value()->ApplySynced(2, {{7, 3}}, {}).ok());

    // Claiming the same slot again for the same partnership keeps its state.
    ASSERT_TRUE(state.value()->Claim(1, 100, "desktop A").ok());
    EXPECT_EQ(42u, state.value()->Slot(1)->mark);
    EXPECT_EQ(2u, state.value()->SyncedNotes(1)->size());

    ASSERT_TRUE(state.value()->ApplySynced(1, {{8, 50}}, {7}).ok());
    auto synced = state.value()->SyncedNotes(1);
    ASSERT_EQ(1u, synced->size());
    EXPECT_EQ(50u, synced->at(8));

    // Another partnership in slot 1 starts over; slot 2 is untouched.
    ASSERT_TRUE(state.value()->Claim(1, 300, "desktop C").ok());
    EXPECT_EQ(0u, state.value()->Slot(1)->mark);
    EXPECT_EQ("desktop C", state.value()->Slot(1)->desktopName);
    EXPECT_TRUE(state.value()->SyncedNotes(1)->empty());
    EXPECT_EQ(3u, state.value()->SyncedNotes(2)->at(7));

    ASSERT_TRUE(state.value()->ApplySynced(2, {{9, 4}}, {}).ok());
    ASSERT_TRUE(state.value()->SetMark(2, 10).ok());
    ASSERT_TRUE(state.value()->StartOver(2).ok());
    EXPECT_EQ(0u, state.value()->Slot(2)->mark);
    EXPECT_TRUE(state.value()->SyncedNotes(2)->empty());
    EXPECT_EQ(300u, state.value()->Slot(1)->partnership);
}
