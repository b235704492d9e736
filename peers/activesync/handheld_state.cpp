#include "peers/activesync/handheld_state.h"
#include "peers/activesync/state_file.h"

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
CREATE TABLE IF NOT EXISTS device(id INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS partners(
    bit INTEGER PRIMARY KEY,
    partnership INTEGER NOT NULL,
    desktop TEXT NOT NULL,
    mark INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS synced(
    bit INTEGER NOT NULL,
    oid INTEGER NOT NULL,
    sequence INTEGER NOT NULL,
    PRIMARY KEY(bit, oid));
CREATE TABLE IF NOT EXISTS stamps(
    bit INTEGER PRIMARY KEY,
    stamp INTEGER NOT NULL,
    pending INTEGER);
)";

} // namespace

Result<std::unique_ptr<HandheldState>> HandheldState::Open(const std::string& handheldDir) {
    JW_ASSIGN_OR_RETURN(auto db, OpenStateFile(handheldDir, "partners.db"));
    {
        std::lock_guard lock(db->mutex());
        JW_RETURN_IF_FAILED(db->Exec(kSchema));
    }
    return std::unique_ptr<HandheldState>(new HandheldState(db));
}

Result<std::uint64_t> HandheldState::DeviceId(bool create) {
    std::uint64_t id = 0;
    Status status = InWriteTransaction(*m_db, [&]() -> Status {
        Status prepared;
        Statement* select = m_db->Prepare("SELECT id FROM device", &prepared);
        Statement* insert = m_db->Prepare("INSERT INTO device(id) VALUES(?)", &prepared);
        if (!select || !insert)
            return prepared;
        if (select->Step() == Statement::StepResult::Row) {
            id = static_cast<std::uint64_t>(select->ColumnInt64(0));
            select->Reset();
            return Status();
        }
        if (!select->status().ok() || !create)
            return select->status();
        std::random_device random;
        // Positive 63-bit, never 0, so that it survives as an SQLite integer.
        do {
            id = ((std::uint64_t{random()} << 32) | random()) & 0x7FFFFFFFFFFFFFFFull;
        } while (id == 0);
        return insert->Bind(1, static_cast<std::int64_t>(id)).Run();
    });
    if (!status.ok())
        return status;
    return id;
}

std::optional<PartnerSlot> HandheldState::Slot(UINT partnerBit) {
    std::lock_guard lock(m_db->mutex());
    Status status;
    Statement* select =
        m_db->Prepare("SELECT partnership, desktop, mark FROM partners WHERE bit = ?", &status);
    if (!select)
        return std::nullopt;
    select->Bind(1, std::int64_t{partnerBit});
    if (select->Step() != Statement::StepResult::Row)
        return std::nullopt;
    PartnerSlot slot{static_cast<std::uint32_t>(select->ColumnInt64(0)), select->ColumnText(1),
                     static_cast<std::uint64_t>(select->ColumnInt64(2))};
    select->Reset();
    return slot;
}

Status HandheldState::Claim(UINT partnerBit, std::uint32_t partnership, const std::string& name) {
    return InWriteTransaction(*m_db, [&]() -> Status {
        Status status;
        Statement* current =
            m_db->Prepare("SELECT partnership FROM partners WHERE bit = ?", &status);
        Statement* upsert = m_db->Prepare(
            "INSERT OR REPLACE INTO partners(bit, partnership, desktop, mark) VALUES(?, ?, ?, 0)",
            &status);
        Statement* forget = m_db->Prepare("DELETE FROM synced WHERE bit = ?", &status);
        Statement* unstamp = m_db->Prepare("DELETE FROM stamps WHERE bit = ?", &status);
        if (!current || !upsert || !forget || !unstamp)
            return status;
        current->Bind(1, std::int64_t{partnerBit});
        if (current->Step() == Statement::StepResult::Row &&
            static_cast<std::uint32_t>(current->ColumnInt64(0)) == partnership) {
            current->Reset();
            return Status();
        }
        current->Reset();
        if (status = forget->Bind(1, std::int64_t{partnerBit}).Run(); !status.ok())
            return status;
        if (status = unstamp->Bind(1, std::int64_t{partnerBit}).Run(); !status.ok())
            return status;
        return upsert->Bind(1, std::int64_t{partnerBit})
            .Bind(2, std::int64_t{partnership})
            .Bind(3, name)
            .Run();
    });
}

Status HandheldState::Release(UINT partnerBit) {
    return InWriteTransaction(*m_db, [&]() -> Status {
        for (const char* sql :
             {"DELETE FROM partners WHERE bit = ?", "DELETE FROM synced WHERE bit = ?",
              "DELETE FROM stamps WHERE bit = ?"}) {
            Status status;
            Statement* statement = m_db->Prepare(sql, &status);
            if (!statement)
                return status;
            if (status = statement->Bind(1, std::int64_t{partnerBit}).Run(); !status.ok())
                return status;
        }
        return Status();
    });
}

Status HandheldState::SetMark(UINT partnerBit, std::uint64_t mark) {
    return WriteOne(*m_db, "UPDATE partners SET mark = ? WHERE bit = ?",
                    [&](Statement& update) -> Statement& {
                        return update.Bind(1, static_cast<std::int64_t>(mark))
                            .Bind(2, std::int64_t{partnerBit});
                    });
}

Status HandheldState::StartOver(UINT partnerBit) {
    return InWriteTransaction(*m_db, [&]() -> Status {
        Status status;
        Statement* update = m_db->Prepare("UPDATE partners SET mark = 0 WHERE bit = ?", &status);
        Statement* forget = m_db->Prepare("DELETE FROM synced WHERE bit = ?", &status);
        if (!update || !forget)
            return status;
        if (status = update->Bind(1, std::int64_t{partnerBit}).Run(); !status.ok())
            return status;
        return forget->Bind(1, std::int64_t{partnerBit}).Run();
    });
}

std::optional<StoreStamps> HandheldState::Stamps(UINT partnerBit) {
    std::lock_guard lock(m_db->mutex());
    Status status;
    Statement* select = m_db->Prepare("SELECT stamp, pending FROM stamps WHERE bit = ?", &status);
    if (!select)
        return std::nullopt;
    select->Bind(1, std::int64_t{partnerBit});
    if (select->Step() != Statement::StepResult::Row)
        return std::nullopt;
    StoreStamps stamps{static_cast<std::uint64_t>(select->ColumnInt64(0)),
                       static_cast<std::uint64_t>(select->ColumnInt64(1))};
    select->Reset();
    return stamps;
}

Status HandheldState::SetStamps(UINT partnerBit, const StoreStamps& stamps) {
    return WriteOne(*m_db, "INSERT OR REPLACE INTO stamps(bit, stamp, pending) VALUES(?, ?, ?)",
                    [&](Statement& upsert) -> Statement& {
                        return upsert.Bind(1, std::int64_t{partnerBit})
                            .Bind(2, static_cast<std::int64_t>(stamps.current))
                            .Bind(3, static_cast<std::int64_t>(stamps.pending));
                    });
}

Result<std::unordered_map<CEOID, std::uint64_t>> HandheldState::SyncedNotes(UINT partnerBit) {
    std::lock_guard lock(m_db->mutex());
    Status status;
    // One walk of the table, not of its key with a look-up of every row: a
    // handheld has at most two partners.
    Statement* select =
        m_db->Prepare("SELECT oid, sequence FROM synced NOT INDEXED WHERE bit = ?", &status);
    if (!select)
        return status;
    select->Bind(1, std::int64_t{partnerBit});
    std::unordered_map<CEOID, std::uint64_t> notes;
    Statement::StepResult step;
    while ((step = select->Step()) == Statement::StepResult::Row) {
        const auto oid = select->ColumnInt64(0);
        if (oid <= 0 || oid > 0xFFFFFFFFll) {
            select->Reset();
            return Status::Failure(ERROR_INVALID_DATA, "damaged entry for handheld object " +
                                                           std::to_string(oid) + " in " +
                                                           m_db->path());
        }
        notes[static_cast<CEOID>(oid)] = static_cast<std::uint64_t>(select->ColumnInt64(1));
    }
    if (step == Statement::StepResult::Error)
        return select->status();
    return notes;
}

Status HandheldState::ApplySynced(UINT partnerBit, const std::vector<SyncedNote>& set,
                                  const std::vector<CEOID>& remove) {
    return InWriteTransaction(*m_db, [&]() -> Status {
        Status status;
        Statement* upsert = m_db->Prepare(
            "INSERT OR REPLACE INTO synced(bit, oid, sequence) VALUES(?, ?, ?)", &status);
        Statement* erase = m_db->Prepare("DELETE FROM synced WHERE bit = ? AND oid = ?", &status);
        if (!upsert || !erase)
            return status;
        for (CEOID oid : remove)
            if (status = erase->Bind(1, std::int64_t{partnerBit}).Bind(2, std::int64_t{oid}).Run();
                !status.ok())
                return status;
        for (const SyncedNote& note : set) {
            status = upsert->Bind(1, std::int64_t{partnerBit})
                         .Bind(2, std::int64_t{note.oid})
                         .Bind(3, static_cast<std::int64_t>(note.sequence))
                         .Run();
            if (!status.ok())
                return status;
        }
        return Status();
    });
}

} // namespace jsync
