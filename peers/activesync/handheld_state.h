// The handheld half of the partnership state, kept by the handheld's service
// manager in <handheld>/activesync/partners.db: the handheld's identity, its
// two partner slots (which desktop partnership holds each, and the change
// sequence of the object store up to which that partner has been brought in
// step), and for each partner the notes synchronized with it together with
// the change sequence of the write that left each one in step. Deletions on
// the handheld are found against these lists. Every change is one durable
// transaction.
#pragma once

#include "platform/base/sqlite.h"
#include "platform/base/status.h"
#include "platform/ce/database.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace jsync {

struct PartnerSlot {
    std::uint32_t partnership = 0;
    std::string desktopName;
    std::uint64_t mark = 0; // change sequence synchronized up to
};

// A note left in step with a partner by the write of change sequence `sequence`.
struct SyncedNote {
    CEOID oid = 0;
    std::uint64_t sequence = 0;
};

// The stamp the object store carries, and the one being written into it
// (0: none): a store carrying either is the one this state describes.
struct StoreStamps {
    std::uint64_t current = 0;
    std::uint64_t pending = 0;
};

class HandheldState {
public:
    static platform::Result<std::unique_ptr<HandheldState>> Open(const std::string& handheldDir);

    // The handheld's identity, made on first use when `create` is set; 0 when
    // there is none yet and `create` is clear.
    platform::Result<std::uint64_t> DeviceId(bool create);

    std::optional<PartnerSlot> Slot(UINT partnerBit);
    // Gives the slot to a partnership. A slot that changes hands starts over:
    // mark 0 and no synchronized notes.
    platform::Status Claim(UINT partnerBit, std::uint32_t partnership, const std::string& name);
    // Ends the partnership in the slot: the slot is free, with nothing of
    // what that partner had synchronized. Freeing a free slot does nothing.
    platform::Status Release(UINT partnerBit);
    platform::Status SetMark(UINT partnerBit, std::uint64_t mark);
    // Mark 0 and no synchronized notes: the partner's next pass looks at every note.
    platform::Status StartOver(UINT partnerBit);

    // The stamps of the object store for this partner (see store_stamp.h);
    // none before the first pass, and after a slot changes hands.
    std::optional<StoreStamps> Stamps(UINT partnerBit);
    platform::Status SetStamps(UINT partnerBit, const StoreStamps& stamps);

    platform::Result<std::unordered_map<CEOID, std::uint64_t>> SyncedNotes(UINT partnerBit);
    platform::Status ApplySynced(UINT partnerBit, const std::vector<SyncedNote>& set,
                                 const std::vector<CEOID>& remove);

private:
    explicit HandheldState(std::shared_ptr<platform::sqlite::Connection> db)
        : m_db(std::move(db)) {}

    std::shared_ptr<platform::sqlite::Connection> m_db;
};

} // namespace jsync
