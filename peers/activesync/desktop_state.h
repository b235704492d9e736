// The desktop half of the partnership state: what the service manager keeps
// between synchronizations in <desktop>/activesync/partnerships.db.
//
// One row per partnership (a handheld's identity and the partner slot it
// gave this desktop), the store identifier the partnership was made with, the
// persisted folder handle, and for every synchronized note the pairing of its
// handheld object identifier with the persisted bytes of its desktop item
// handle. Every change is one durable transaction, so a run that ends at any
// point leaves the state of the last object it finished.
#pragma once

#include "peers/activesync/handheld_state.h"
#include "platform/base/sqlite.h"
#include "platform/base/status.h"
#include "platform/ce/database.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jsync {

using Bytes = std::vector<std::uint8_t>;

// Persisted handle bytes are refused beyond this size: the store's own form
// is a few hundred bytes at most.
constexpr std::size_t kMaxHandleBytes = 1024;
// A store identifier is refused beyond this size, as the store's answer is.
constexpr std::size_t kMaxStoreIdBytes = 64 * 1024;

struct Partnership {
    std::uint32_t id = 0; // the partnership identifier, also written on the handheld
    std::uint64_t deviceId = 0;
    UINT partnerBit = 0;
    std::optional<Bytes> storeId; // none until the first synchronization
    std::optional<Bytes> folder;  // persisted folder handle
};

struct Pairing {
    CEOID oid = 0;
    Bytes handle; // persisted desktop item handle
};

// A conflict copy being made on the desktop for a handheld note: the copy
// carries the note's content, known by its hash, until the conflict is settled.
struct PendingCopy {
    CEOID oid = 0;
    std::uint64_t contentHash = 0;
};

// One durable change of the pairings: applied whole or not at all.
struct PairingChange {
    std::vector<Pairing> set; // added or replaced, by oid
    std::vector<CEOID> remove;
    std::vector<PendingCopy> addPending;
    std::vector<CEOID> clearPending;
};

class DesktopState {
public:
    // Opens (creating when missing) the state of the desktop directory.
    static platform::Result<std::unique_ptr<DesktopState>> Open(const std::string& desktopDir);

    // The partnership with the handheld `deviceId`, none when there is none;
    // a damaged row (identifier, partner bit or sizes out of range) fails
    // with ERROR_INVALID_DATA naming the file.
    platform::Result<std::optional<Partnership>> FindPartnership(std::uint64_t deviceId);
    platform::Result<Partnership> CreatePartnership(std::uint64_t deviceId, UINT partnerBit);
    platform::Status SetFolder(std::uint32_t partnership, const Bytes& folder);
    // When the partnership's last whole pass ended; none before the first.
    platform::Status SetLastPass(std::uint32_t partnership, FILETIME finished);
    // The stamps this desktop last wrote into the handheld's store, kept here
    // too: a handheld put back whole from an older copy brings its own record
    // of them back with it.
    platform::Status SetHandheldStamps(std::uint32_t partnership, const StoreStamps& stamps);
    platform::Result<std::optional<StoreStamps>> HandheldStamps(std::uint32_t partnership);
    platform::Result<std::optional<FILETIME>> LastPass(std::uint32_t partnership);
    // Records a new store identifier and forgets every pairing made with the
    // previous store, in one transaction.
    platform::Status ResetForStore(std::uint32_t partnership, const Bytes& storeId);

    // The pairings of a partnership, in the order of their handheld objects;
    // pairings whose handle bytes are larger than kMaxHandleBytes are refused.
    platform::Result<std::vector<Pairing>> Pairings(std::uint32_t partnership);
    platform::Result<std::vector<PendingCopy>> PendingCopies(std::uint32_t partnership);
    platform::Status Apply(std::uint32_t partnership, const PairingChange& change);

    // The state file's connection, for a pass that groups its disk syncs.
    std::shared_ptr<platform::sqlite::Connection> connection() const { return m_db; }

private:
    explicit DesktopState(std::shared_ptr<platform::sqlite::Connection> db) : m_db(std::move(db)) {}
    platform::Status CreateSchema();

    std::shared_ptr<platform::sqlite::Connection> m_db;
};

} // namespace jsync
