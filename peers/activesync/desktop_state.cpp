#include "peers/activesync/desktop_state.h"
#include "peers/activesync/state_file.h"

#include <algorithm>
#include <random>

namespace jsync {

using platform::Result;
using platform::Status;
using platform::sqlite::Connection;
using platform::sqlite::InWriteTransaction;
using platform::sqlite::Statement;
using platform::sqlite::WriteOne;

namespace {

constexpr char kSchema[] = R"(
CREATE TABLE IF NOT EXISTS partnerships(
    id INTEGER PRIMARY KEY,
    device_id INTEGER NOT NULL UNIQUE,
    partner_bit INTEGER NOT NULL,
    store_id BLOB,
    folder BLOB);
CREATE TABLE IF NOT EXISTS pairings(
    partnership INTEGER NOT NULL,
    oid INTEGER NOT NULL,
    handle BLOB NOT NULL,
    PRIMARY KEY(partnership, oid));
CREATE TABLE IF NOT EXISTS pending_copies(
    partnership INTEGER NOT NULL,
    oid INTEGER NOT NULL,
    content_hash INTEGER NOT NULL,
    PRIMARY KEY(partnership, oid));
CREATE TABLE IF NOT EXISTS last_passes(
    partnership INTEGER PRIMARY KEY,
    finished INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS handheld_stamps(
    partnership INTEGER PRIMARY KEY,
    current INTEGER NOT NULL,
    pending INTEGER NOT NULL);
)";

Bytes CopyOf(std::span<const std::uint8_t> bytes) {
    return Bytes(bytes.begin(), bytes.end());
}

Statement* Prepare(Connection& db, const char* sql, Status* status) {
    return db.Prepare(sql, status);
}

// Steps `sql` to the row of `partnership`: the statement standing on it, for
// the caller to read and reset, or null when there is none.
Result<Statement*> RowOfPartnership(Connection& db, const char* sql, std::uint32_t partnership) {
    Status status;
    Statement* find = Prepare(db, sql, &status);
    if (!find)
        return status;
    find->Bind(1, static_cast<std::int64_t>(partnership));
    const auto step = find->Step();
    if (step == Statement::StepResult::Row)
        return find;
    status = find->status();
    find->Reset();
    if (step == Statement::StepResult::Error)
        return status;
    return static_cast<Statement*>(nullptr);
}

} // namespace

Result<std::unique_ptr<DesktopState>> DesktopState::Open(const std::string& desktopDir) {
    JW_ASSIGN_OR_RETURN(auto db, OpenStateFile(desktopDir, "partnerships.db"));
    std::unique_ptr<DesktopState> state(new DesktopState(db));
    JW_RETURN_IF_FAILED(state->CreateSchema());
    return state;
}

Status DesktopState::CreateSchema() {
    std::lock_guard lock(m_db->mutex());
    return m_db->Exec(kSchema);
}

Result<std::optional<Partnership>> DesktopState::FindPartnership(std::uint64_t deviceId) {
    std::lock_guard lock(m_db->mutex());
    Status status;
    Statement* find = Prepare(*m_db,
                              "SELECT id, partner_bit, store_id, folder FROM partnerships "
                              "WHERE device_id = ?",
                              &status);
    if (!find)
        return status;
    find->Bind(1, static_cast<std::int64_t>(deviceId));
    const Statement::StepResult step = find->Step();
    if (step == Statement::StepResult::Error)
        return find->status();
    if (step == Statement::StepResult::Done)
        return std::optional<Partnership>();
    const std::int64_t id = find->ColumnInt64(0);
    const std::int64_t bit = find->ColumnInt64(1);
    const std::size_t storeIdSize = find->ColumnIsNull(2) ? 0 : find->ColumnBlob(2).size();
    const std::size_t folderSize = find->ColumnIsNull(3) ? 0 : find->ColumnBlob(3).size();
    if (id <= 0 || id > 0xFFFFFFFFll || (bit != 1 && bit != 2) || storeIdSize > kMaxStoreIdBytes ||
        folderSize > kMaxHandleBytes) {
        find->Reset();
        return Status::Failure(ERROR_INVALID_DATA,
                               "the partnership of this handheld in " + m_db->path() +
                                   " is damaged; move that file away to start a new partnership");
    }
    Partnership p;
    p.id = static_cast<std::uint32_t>(id);
    p.deviceId = deviceId;
    p.partnerBit = static_cast<UINT>(bit);
    if (!find->ColumnIsNull(2))
        p.storeId = CopyOf(find->ColumnBlob(2));
    if (!find->ColumnIsNull(3))
        p.folder = CopyOf(find->ColumnBlob(3));
    find->Reset();
    return std::optional<Partnership>(std::move(p));
}

Result<Partnership> DesktopState::CreatePartnership(std::uint64_t deviceId, UINT partnerBit) {
    Partnership p;
    p.deviceId = deviceId;
    p.partnerBit = partnerBit;
    std::random_device random;
    Status status = InWriteTransaction(*m_db, [&]() -> Status {
        Status prepared;
        Statement* used = Prepare(*m_db, "SELECT 1 FROM partnerships WHERE id = ?", &prepared);
        Statement* insert =
            Prepare(*m_db, "INSERT INTO partnerships(id, device_id, partner_bit) VALUES(?, ?, ?)",
                    &prepared);
        if (!used || !insert)
            return prepared;
        // A partnership identifier is a random non-zero 32-bit number, as the
        // handheld stores it in its partner slot.
        do {
            p.id = random();
            used->Reset();
            used->Bind(1, static_cast<std::int64_t>(p.id));
        } while (p.id == 0 || used->Step() == Statement::StepResult::Row);
        used->Reset();
        insert->Bind(1, static_cast<std::int64_t>(p.id))
            .Bind(2, static_cast<std::int64_t>(deviceId))
            .Bind(3, static_cast<std::int64_t>(partnerBit));
        return insert->Run();
    });
    if (!status.ok())
        return status;
    return p;
}

Status DesktopState::SetFolder(std::uint32_t partnership, const Bytes& folder) {
    return WriteOne(*m_db, "UPDATE partnerships SET folder = ? WHERE id = ?",
                    [&](Statement& update) -> Statement& {
                        return update.BindBlob(1, folder).Bind(
                            2, static_cast<std::int64_t>(partnership));
                    });
}

Status DesktopState::SetLastPass(std::uint32_t partnership, FILETIME finished) {
    const auto ticks = static_cast<std::int64_t>(
        static_cast<std::uint64_t>(finished.dwHighDateTime) << 32 | finished.dwLowDateTime);
    return WriteOne(
        *m_db, "INSERT OR REPLACE INTO last_passes(partnership, finished) VALUES(?, ?)",
        [&](Statement& upsert) -> Statement& {
            return upsert.Bind(1, static_cast<std::int64_t>(partnership)).Bind(2, ticks);
        });
}

Status DesktopState::SetHandheldStamps(std::uint32_t partnership, const StoreStamps& stamps) {
    return WriteOne(
        *m_db,
        "INSERT OR REPLACE INTO handheld_stamps(partnership, current, pending) VALUES(?, ?, ?)",
        [&](Statement& upsert) -> Statement& {
            return upsert.Bind(1, static_cast<std::int64_t>(partnership))
                .Bind(2, static_cast<std::int64_t>(stamps.current))
                .Bind(3, static_cast<std::int64_t>(stamps.pending));
        });
}

Result<std::optional<StoreStamps>> DesktopState::HandheldStamps(std::uint32_t partnership) {
    std::lock_guard lock(m_db->mutex());
    JW_ASSIGN_OR_RETURN(
        Statement * find,
        RowOfPartnership(*m_db,
                         "SELECT current, pending FROM handheld_stamps WHERE partnership = ?",
                         partnership));
    if (!find)
        return std::optional<StoreStamps>();
    platform::sqlite::ResetWhenDone done(find);
    const std::int64_t current = find->ColumnInt64(0), pending = find->ColumnInt64(1);
    if (current < 0 || pending < 0)
        return Status::Failure(ERROR_INVALID_DATA,
                               "a damaged record of the handheld's store in " + m_db->path());
    return std::optional<StoreStamps>(
        StoreStamps{static_cast<std::uint64_t>(current), static_cast<std::uint64_t>(pending)});
}

Result<std::optional<FILETIME>> DesktopState::LastPass(std::uint32_t partnership) {
    std::lock_guard lock(m_db->mutex());
    JW_ASSIGN_OR_RETURN(Statement * find,
                        RowOfPartnership(*m_db,
                                         "SELECT finished FROM last_passes WHERE partnership = ?",
                                         partnership));
    if (!find)
        return std::optional<FILETIME>();
    platform::sqlite::ResetWhenDone done(find);
    const std::int64_t ticks = find->ColumnInt64(0);
    if (ticks < 0)
        return Status::Failure(ERROR_INVALID_DATA,
                               "a damaged time of the last synchronization in " + m_db->path());
    const auto value = static_cast<std::uint64_t>(ticks);
    return std::optional<FILETIME>(
        FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)});
}

Status DesktopState::ResetForStore(std::uint32_t partnership, const Bytes& storeId) {
    return InWriteTransaction(*m_db, [&]() -> Status {
        Status status;
        Statement* update = Prepare(
            *m_db, "UPDATE partnerships SET store_id = ?, folder = NULL WHERE id = ?", &status);
        Statement* pairings = Prepare(*m_db, "DELETE FROM pairings WHERE partnership = ?", &status);
        Statement* pending =
            Prepare(*m_db, "DELETE FROM pending_copies WHERE partnership = ?", &status);
        if (!update || !pairings || !pending)
            return status;
        const auto id = static_cast<std::int64_t>(partnership);
        if (status = update->BindBlob(1, storeId).Bind(2, id).Run(); !status.ok())
            return status;
        if (status = pairings->Bind(1, id).Run(); !status.ok())
            return status;
        return pending->Bind(1, id).Run();
    });
}

Result<std::vector<Pairing>> DesktopState::Pairings(std::uint32_t partnership) {
    std::lock_guard lock(m_db->mutex());
    Status status;
    // One walk of the table instead of a walk of its key that looks up every
    // row: a desktop has few partnerships, and this is most of the reading of
    // a pass with nothing to do.
    Statement* select = Prepare(
        *m_db, "SELECT oid, handle FROM pairings NOT INDEXED WHERE partnership = ?", &status);
    if (!select)
        return status;
    select->Bind(1, static_cast<std::int64_t>(partnership));
    std::vector<Pairing> pairings;
    Statement::StepResult step;
    while ((step = select->Step()) == Statement::StepResult::Row) {
        const auto oid = select->ColumnInt64(0);
        const auto handle = select->ColumnBlob(1);
        if (oid <= 0 || oid > 0xFFFFFFFFll || handle.empty() || handle.size() > kMaxHandleBytes) {
            select->Reset();
            return Status::Failure(ERROR_INVALID_DATA, "damaged pairing for handheld object " +
                                                           std::to_string(oid) + " in " +
                                                           m_db->path());
        }
        pairings.push_back({static_cast<CEOID>(oid), CopyOf(handle)});
    }
    if (step == Statement::StepResult::Error)
        return select->status();
    const auto byOid = [](const Pairing& a, const Pairing& b) { return a.oid < b.oid; };
    if (!std::is_sorted(pairings.begin(), pairings.end(), byOid))
        std::sort(pairings.begin(), pairings.end(), byOid);
    return pairings;
}

Result<std::vector<PendingCopy>> DesktopState::PendingCopies(std::uint32_t partnership) {
    std::lock_guard lock(m_db->mutex());
    Status status;
    Statement* select = Prepare(
        *m_db, "SELECT oid, content_hash FROM pending_copies WHERE partnership = ? ORDER BY oid",
        &status);
    if (!select)
        return status;
    select->Bind(1, static_cast<std::int64_t>(partnership));
    std::vector<PendingCopy> copies;
    Statement::StepResult step;
    while ((step = select->Step()) == Statement::StepResult::Row) {
        const auto oid = select->ColumnInt64(0);
        if (oid <= 0 || oid > 0xFFFFFFFFll) {
            select->Reset();
            return Status::Failure(ERROR_INVALID_DATA,
                                   "damaged conflict copy for handheld object " +
                                       std::to_string(oid) + " in " + m_db->path());
        }
        copies.push_back(
            {static_cast<CEOID>(oid), static_cast<std::uint64_t>(select->ColumnInt64(1))});
    }
    if (step == Statement::StepResult::Error)
        return select->status();
    return copies;
}

Status DesktopState::Apply(std::uint32_t partnership, const PairingChange& change) {
    return InWriteTransaction(*m_db, [&]() -> Status {
        Status status;
        Statement* upsert = Prepare(*m_db,
                                    "INSERT OR REPLACE INTO pairings(partnership, oid, handle) "
                                    "VALUES(?, ?, ?)",
                                    &status);
        Statement* remove =
            Prepare(*m_db, "DELETE FROM pairings WHERE partnership = ? AND oid = ?", &status);
        Statement* addPending = Prepare(*m_db,
                                        "INSERT OR REPLACE INTO pending_copies(partnership, oid, "
                                        "content_hash) VALUES(?, ?, ?)",
                                        &status);
        Statement* clearPending =
            Prepare(*m_db, "DELETE FROM pending_copies WHERE partnership = ? AND oid = ?", &status);
        if (!upsert || !remove || !addPending || !clearPending)
            return status;
        const auto id = static_cast<std::int64_t>(partnership);
        for (CEOID oid : change.remove)
            if (status = remove->Bind(1, id).Bind(2, std::int64_t{oid}).Run(); !status.ok())
                return status;
        for (const Pairing& pairing : change.set) {
            if (pairing.handle.empty() || pairing.handle.size() > kMaxHandleBytes)
                return Status::Failure(ERROR_INVALID_DATA,
                                       "a desktop handle of " +
                                           std::to_string(pairing.handle.size()) +
                                           " bytes cannot be kept");
            status = upsert->Bind(1, id)
                         .Bind(2, std::int64_t{pairing.oid})
                         .BindBlob(3, pairing.handle)
                         .Run();
            if (!status.ok())
                return status;
        }
        for (CEOID oid : change.clearPending)
            if (status = clearPending->Bind(1, id).Bind(2, std::int64_t{oid}).Run(); !status.ok())
                return status;
        for (const PendingCopy& copy : change.addPending) {
            status = addPending->Bind(1, id)
                         .Bind(2, std::int64_t{copy.oid})
                         .Bind(3, static_cast<std::int64_t>(copy.contentHash))
                         .Run();
            if (!status.ok())
                return status;
        }
        return Status();
    });
}

} // namespace jsync
