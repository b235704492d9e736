#include "peers/activesync/DesktopState.h"
#include "peers/activesync/StateFile.h"

#include <random>

namespace jsync {

using platform::Result;
using platform::Status;
using platform::sqlite::Connection;
using platform::sqlite::InWriteTransaction;
using platform::sqlite::Statement;

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
)";

Bytes CopyOf(std::span<const std::uint8_t> bytes) {
    return Bytes(bytes.begin(), bytes.end());
}

Statement* Prepare(Connection& db, const char* sql, Status* status) {
    return db.prepare(sql, status);
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
    return m_db->exec(kSchema);
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
    find->bind(1, static_cast<std::int64_t>(deviceId));
    const Statement::Step step = find->step();
    if (step == Statement::Step::Error)
        return find->status();
    if (step == Statement::Step::Done)
        return std::optional<Partnership>();
    const std::int64_t id = find->columnInt64(0);
    const std::int64_t bit = find->columnInt64(1);
    const std::size_t storeIdSize = find->columnIsNull(2) ? 0 : find->columnBlob(2).size();
    const std::size_t folderSize = find->columnIsNull(3) ? 0 : find->columnBlob(3).size();
    if (id <= 0 || id > 0xFFFFFFFFll || (bit != 1 && bit != 2) || storeIdSize > kMaxStoreIdBytes ||
        folderSize > kMaxHandleBytes) {
        find->reset();
        return Status::Failure(ERROR_INVALID_DATA,
                               "the partnership of this handheld in " + m_db->path() +
                                   " is damaged; move that file away to start a new partnership");
    }
    Partnership p;
    p.id = static_cast<std::uint32_t>(id);
    p.deviceId = deviceId;
    p.partnerBit = static_cast<UINT>(bit);
    if (!find->columnIsNull(2))
        p.storeId = CopyOf(find->columnBlob(2));
    if (!find->columnIsNull(3))
        p.folder = CopyOf(find->columnBlob(3));
    find->reset();
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
            used->reset();
            used->bind(1, static_cast<std::int64_t>(p.id));
        } while (p.id == 0 || used->step() == Statement::Step::Row);
        used->reset();
        insert->bind(1, static_cast<std::int64_t>(p.id))
            .bind(2, static_cast<std::int64_t>(deviceId))
            .bind(3, static_cast<std::int64_t>(partnerBit));
        return insert->run();
    });
    if (!status.ok())
        return status;
    return p;
}

Status DesktopState::SetFolder(std::uint32_t partnership, const Bytes& folder) {
    return InWriteTransaction(*m_db, [&]() -> Status {
        Status status;
        Statement* update =
            Prepare(*m_db, "UPDATE partnerships SET folder = ? WHERE id = ?", &status);
        if (!update)
            return status;
        return update->bindBlob(1, folder).bind(2, static_cast<std::int64_t>(partnership)).run();
    });
}

Status DesktopState::SetLastPass(std::uint32_t partnership, FILETIME finished) {
    return InWriteTransaction(*m_db, [&]() -> Status {
        Status status;
        Statement* upsert =
            Prepare(*m_db, "INSERT OR REPLACE INTO last_passes(partnership, finished) VALUES(?, ?)",
                    &status);
        if (!upsert)
            return status;
        const auto ticks = static_cast<std::int64_t>(
            static_cast<std::uint64_t>(finished.dwHighDateTime) << 32 | finished.dwLowDateTime);
        return upsert->bind(1, static_cast<std::int64_t>(partnership)).bind(2, ticks).run();
    });
}

Result<std::optional<FILETIME>> DesktopState::LastPass(std::uint32_t partnership) {
    std::lock_guard lock(m_db->mutex());
    Status status;
    Statement* find =
        Prepare(*m_db, "SELECT finished FROM last_passes WHERE partnership = ?", &status);
    if (!find)
        return status;
    platform::sqlite::ResetWhenDone done(find);
    find->bind(1, static_cast<std::int64_t>(partnership));
    const auto step = find->step();
    if (step == Statement::Step::Error)
        return find->status();
    if (step == Statement::Step::Done)
        return std::optional<FILETIME>();
    const std::int64_t ticks = find->columnInt64(0);
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
        if (status = update->bindBlob(1, storeId).bind(2, id).run(); !status.ok())
            return status;
        if (status = pairings->bind(1, id).run(); !status.ok())
            return status;
        return pending->bind(1, id).run();
    });
}

Result<std::vector<Pairing>> DesktopState::Pairings(std::uint32_t partnership) {
    std::lock_guard lock(m_db->mutex());
    Status status;
    Statement* select = Prepare(
        *m_db, "SELECT oid, handle FROM pairings WHERE partnership = ? ORDER BY oid", &status);
    if (!select)
        return status;
    select->bind(1, static_cast<std::int64_t>(partnership));
    std::vector<Pairing> pairings;
    Statement::Step step;
    while ((step = select->step()) == Statement::Step::Row) {
        const auto oid = select->columnInt64(0);
        const auto handle = select->columnBlob(1);
        if (oid <= 0 || oid > 0xFFFFFFFFll || handle.empty() || handle.size() > kMaxHandleBytes) {
            select->reset();
            return Status::Failure(ERROR_INVALID_DATA, "damaged pairing for handheld object " +
                                                           std::to_string(oid) + " in " +
                                                           m_db->path());
        }
        pairings.push_back({static_cast<CEOID>(oid), CopyOf(handle)});
    }
    if (step == Statement::Step::Error)
        return select->status();
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
    select->bind(1, static_cast<std::int64_t>(partnership));
    std::vector<PendingCopy> copies;
    Statement::Step step;
    while ((step = select->step()) == Statement::Step::Row) {
        const auto oid = select->columnInt64(0);
        if (oid <= 0 || oid > 0xFFFFFFFFll) {
            select->reset();
            return Status::Failure(ERROR_INVALID_DATA,
                                   "damaged conflict copy for handheld object " +
                                       std::to_string(oid) + " in " + m_db->path());
        }
        copies.push_back(
            {static_cast<CEOID>(oid), static_cast<std::uint64_t>(select->columnInt64(1))});
    }
    if (step == Statement::Step::Error)
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
            if (status = remove->bind(1, id).bind(2, std::int64_t{oid}).run(); !status.ok())
                return status;
        for (const Pairing& pairing : change.set) {
            if (pairing.handle.empty() || pairing.handle.size() > kMaxHandleBytes)
                return Status::Failure(ERROR_INVALID_DATA,
                                       "a desktop handle of " +
                                           std::to_string(pairing.handle.size()) +
                                           " bytes cannot be kept");
            status = upsert->bind(1, id)
                         .bind(2, std::int64_t{pairing.oid})
                         .bindBlob(3, pairing.handle)
                         .run();
            if (!status.ok())
                return status;
        }
        for (CEOID oid : change.clearPending)
            if (status = clearPending->bind(1, id).bind(2, std::int64_t{oid}).run(); !status.ok())
                return status;
        for (const PendingCopy& copy : change.addPending) {
            status = addPending->bind(1, id)
                         .bind(2, std::int64_t{copy.oid})
                         .bind(3, static_cast<std::int64_t>(copy.contentHash))
                         .run();
            if (!status.ok())
                return status;
        }
        return Status();
    });
}

} // namespace jsync
