// Outlook's message store, reduced to what the stand-in serves: the notes of
// the Notes folder, the current user and the store's identifier, kept in
// <desktop>/outlook.db.
//
// One MessageStore per file and process, shared by every automation object
// of the process. It keeps the notes in memory in folder order (the order in
// which they were first saved). The "fresh" reads look into the file and
// reload the notes when another process has committed a change since; the
// "cached" ones answer from memory, which holds this process's own changes
// and what the last fresh read saw, as Outlook's own cached tables do. Writes
// are single transactions and see the file's current state. Thread-safe.
//
// A load reads every note but its texts (body and categories), as Outlook's
// tables hold the few columns a walk over the folder asks for: the texts of
// every note are read together when one is first asked for. Texts read from
// a file another process has changed since the load come with the rest of
// their notes, reloaded, so that a note's texts and times are always of one
// version.
#pragma once

#include "platform/base/sqlite.h"
#include "platform/base/status.h"
#include "platform/com/oleauto.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace outlook {

// Outlook's MAPI_E_OBJECT_CHANGED: a save over a newer version of the note.
constexpr DWORD kErrorNoteChanged = 0x80040109;

struct Note {
    std::int64_t sequence = 0; // folder order; 0 for a note not saved yet
    std::string entryId;       // hex digits
    std::u16string body;
    std::u16string categories;
    LONG color = 3; // yellow, Outlook's default note colour
    DATE created = 0;
    DATE modified = 0;
};

class MessageStore {
public:
    // The store of the current desktop (win32::DesktopDirectory()), opened
    // or created.
    static platform::Result<std::shared_ptr<MessageStore>> ForCurrentDesktop();
    static platform::Result<std::shared_ptr<MessageStore>> Open(const std::string& path);

    // Fresh: the number of notes, and a note or its sequence by its EntryID.
    platform::Result<std::size_t> Count();
    platform::Result<std::optional<Note>> FindByEntryId(const std::string& entryId);
    platform::Result<std::optional<std::int64_t>> FindSequence(const std::string& entryId);
    // Cached: a note by its folder position (from 0) or its sequence.
    platform::Result<std::optional<Note>> CachedAt(std::size_t index);
    platform::Result<std::optional<Note>> CachedBySequence(std::int64_t sequence);
    // Cached, without a copy: the sequence of the note at a folder position
    // (none past the end), and `read` called with the note `sequence` under
    // the store's lock (false when there is none); its texts are empty
    // unless `texts` asks for them. An enumeration asks these for every note.
    platform::Result<std::optional<std::int64_t>> CachedSequenceAt(std::size_t index);
    template <class Read>
    platform::Result<bool> ReadCached(std::int64_t sequence, bool texts, Read&& read) {
        std::lock_guard connectionLock(m_connection->mutex());
        std::lock_guard lock(m_mutex);
        JW_RETURN_IF_FAILED(LoadOnce(texts));
        auto found = m_notes.find(sequence);
        if (found == m_notes.end())
            return false;
        read(std::as_const(found->second));
        return true;
    }

    // Saves a note for the first time, stamping both times with `now`. The
    // EntryID is `note.entryId` when given (ERROR_ALREADY_EXISTS when taken),
    // else `entryIdLength` random hex digits.
    platform::Result<Note> Insert(Note note, std::size_t entryIdLength, DATE now);
    // Saves the body, categories and colour of a saved note, stamping its
    // modification time: `now`, or a second past the time it had when `now` is
    // not later (times are compared to the second). ERROR_NOT_FOUND when it
    // has gone.
    // `note` is a copy read from the store: when the note was saved again
    // since (its modification time differs), nothing is saved and the
    // failure is kErrorNoteChanged, as Outlook refuses to save over a newer
    // version of an item.
    platform::Result<Note> Update(const Note& note, DATE now);
    // ERROR_NOT_FOUND when it has gone already. With `seen`, the modification
    // time of the copy the caller read: kErrorNoteChanged, deleting nothing,
    // when the note was saved since (a deletion must not take an edit unseen).
    platform::Status Delete(std::int64_t sequence, std::optional<DATE> seen = std::nullopt);

    // The store's file, for messages.
    const std::string& Path() const { return m_connection->path(); }

    platform::Result<std::u16string> CurrentUser();
    platform::Status SetCurrentUser(const std::u16string& name);
    platform::Result<std::string> StoreId();

private:
    explicit MessageStore(std::shared_ptr<platform::sqlite::Connection> connection)
        : m_connection(std::move(connection)) {}
    platform::Status CreateSchema();
    // Reloads the notes when the file changed since the last load; with
    // `texts`, also reads their texts when they have not been read. Lock held.
    platform::Status Refresh(bool texts);
    // Loads the notes (with `texts`, and their texts) when they have not been
    // loaded yet. Lock held.
    platform::Status LoadOnce(bool texts);
    platform::Status Reload(bool texts);
    // The notes by EntryID, indexed when first asked after a load. Lock held.
    std::unordered_map<std::string_view, std::int64_t>& ByEntryId();
    // Reads the texts of every note of a load the file still matches.
    platform::Status ReadTexts();
    // A stored text; names the note once when it is damaged.
    std::u16string TextOf(const std::string& entryId, std::span<const std::uint8_t> bytes);
    platform::Result<std::string> Setting(const char* name);

    std::shared_ptr<platform::sqlite::Connection> m_connection;
    std::recursive_mutex m_mutex;
    std::optional<std::int64_t> m_loadedVersion; // data_version of the loaded notes
    bool m_textsRead = false;                    // whether the loaded notes have their texts
    std::vector<std::int64_t> m_order;           // sequences in folder order
    std::unordered_map<std::int64_t, Note> m_notes;
    // Keys are views of the EntryIDs in m_notes, whose nodes never move; it
    // holds every note or, not built since the last load, none.
    std::unordered_map<std::string_view, std::int64_t> m_byEntryId;
    std::set<std::string> m_warned; // damaged notes already named
};

// Outlook's time now: local time as an automation date, to the second.
DATE NowAsDate();

} // namespace outlook
