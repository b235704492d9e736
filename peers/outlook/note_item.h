// A note item: Body, Categories, Color (read and written), CreationTime,
// LastModificationTime, EntryID (read), Save and Delete.
//
// Property puts change the item only; Save writes them to the store. A note
// made by CreateItem has no EntryID until its first Save. Reads of a saved
// note without unsaved changes answer from the store's cache: they see every
// change made in this process, and changes of other processes once the note
// has been fetched again (Items, GetItemFromID). A note that is gone raises
// "could not be found". Save and Delete fail with MAPI_E_OBJECT_CHANGED,
// changing nothing, when the note was saved elsewhere since this item read it.
#pragma once

#include "peers/outlook/dispatch_object.h"
#include "peers/outlook/message_store.h"

#include <memory>
#include <optional>

namespace outlook {

class NoteItem : public DispatchObject {
public:
    // A new, unsaved note.
    explicit NoteItem(std::shared_ptr<MessageStore> store);
    // The saved note of that folder position.
    NoteItem(std::shared_ptr<MessageStore> store, std::int64_t sequence);

protected:
    std::span<const Member> Members() const override;
    HRESULT Call(DISPID member, WORD kind, Invocation& call) override;

private:
    // The note as this item sees it: its unsaved state, or the stored one.
    HRESULT Current(Invocation& call, Note& note);
    // Returns the property `member` of `note`.
    static HRESULT Get(DISPID member, const Note& note, Invocation& call);
    HRESULT Put(DISPID member, Invocation& call);
    HRESULT Save(Invocation& call);
    HRESULT Delete(Invocation& call);

    std::shared_ptr<MessageStore> m_store;
    std::int64_t m_sequence = 0;  // 0: not saved yet
    std::optional<Note> m_edited; // unsaved changes (the whole note), if any
    bool m_deleted = false;
};

} // namespace outlook
