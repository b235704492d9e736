#include "peers/outlook/note_item.h"

#include "peers/outlook/dispatch_ids.h"
#include "peers/outlook/fault_switch.h"
#include "platform/base/sqlite.h"
#include "platform/base/unicode.h"

#include <string>

namespace outlook {

namespace {

constexpr Member kMembers[] = {
    {u"Body", kBody, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT},
    {u"Categories", kCategories, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT},
    {u"Color", kColor, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT},
    {u"CreationTime", kCreationTime, DISPATCH_PROPERTYGET},
    {u"LastModificationTime", kLastModificationTime, DISPATCH_PROPERTYGET},
    {u"EntryID", kEntryID, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT},
    {u"Save", kSave, DISPATCH_METHOD},
    {u"Delete", kDelete, DISPATCH_METHOD},
};

constexpr std::size_t kDefaultEntryIdLength = 48;

std::size_t EntryIdLength() {
    return ChosenEntryIdLength().value_or(kDefaultEntryIdLength);
}

// The message store could not be written (a full or failing disk, a file
// that is not the person's to write): the description names the file and
// what to do, the same for every note, so that one message says it all.
HRESULT RaiseStoreWriteFailure(Invocation& call, const MessageStore& store,
                               const platform::Status& status) {
    const char* advice = platform::sqlite::FileAdvice(status.code());
    const std::string text =
        "The change could not be saved in " + store.Path() +
        (*advice != '\0' ? std::string(advice)
                         : std::string("; the disk could not be written: make room on it, "
                                       "or check it, and try again"));
    return call.Raise(E_FAIL, unicode::ToUtf16(text));
}

} // namespace

NoteItem::NoteItem(std::shared_ptr<MessageStore> store) : m_store(std::move(store)) {
    m_edited = Note{};
}

NoteItem::NoteItem(std::shared_ptr<MessageStore> store, std::int64_t sequence)
    : m_store(std::move(store)), m_sequence(sequence) {}

std::span<const Member> NoteItem::Members() const {
    return kMembers;
}

HRESULT NoteItem::Current(Invocation& call, Note& note) {
    if (m_deleted)
        return call.Raise(kErrorNotFound);
    if (m_edited) {
        note = *m_edited;
        return S_OK;
    }
    auto stored = m_store->CachedBySequence(m_sequence);
    if (!stored.ok())
        return call.Raise(0, E_FAIL);
    if (!stored.value())
        return call.Raise(kErrorNotFound);
    note = std::move(*stored.value());
    return S_OK;
}

HRESULT NoteItem::Call(DISPID member, WORD kind, Invocation& call) {
    if (kind == DISPATCH_PROPERTYPUT)
        return Put(member, call);
    if (member == kSave)
        return Save(call);
    if (member == kDelete)
        return Delete(call);
    if (m_deleted)
        return call.Raise(kErrorNotFound);
    if (m_edited)
        return Get(member, *m_edited, call);
    // The stored note is read where it is cached, not copied for one property.
    HRESULT hr = S_OK;
    const bool texts = member == kBody || member == kCategories;
    auto found = m_store->ReadCached(m_sequence, texts,
                                     [&](const Note& note) { hr = Get(member, note, call); });
    if (!found.ok())
        return call.Raise(0, E_FAIL);
    if (!found.value())
        return call.Raise(kErrorNotFound);
    return hr;
}

HRESULT NoteItem::Get(DISPID member, const Note& note, Invocation& call) {
    switch (member) {
    case kBody:
        return call.ReturnText(note.body);
    case kCategories:
        return call.ReturnText(note.categories);
    case kColor:
        return call.ReturnLong(note.color);
    case kCreationTime:
        return call.ReturnDate(note.created);
    case kLastModificationTime:
        return call.ReturnDate(note.modified);
    default:
        return call.ReturnText(std::u16string(note.entryId.begin(), note.entryId.end()));
    }
}

HRESULT NoteItem::Put(DISPID member, Invocation& call) {
    Note note;
    if (HRESULT hr = Current(call, note); FAILED(hr))
        return hr;
    const VARIANT* value = call.PutValue();
    switch (member) {
    case kBody:
        if (HRESULT hr = call.Text(value, note.body); FAILED(hr))
            return hr;
        break;
    case kCategories:
        if (HRESULT hr = call.Text(value, note.categories); FAILED(hr))
            return hr;
        break;
    case kColor: {
        LONG color;
        if (HRESULT hr = call.Long(value, color); FAILED(hr))
            return hr;
        if (color < 0 || color > kHighestColor)
            return call.Raise(0, E_INVALIDARG);
        note.color = color;
        break;
    }
    case kEntryID: {
        // Not Outlook's: lets a test choose the EntryID of a note before its first Save.
        std::u16string text;
        if (HRESULT hr = call.Text(value, text); FAILED(hr))
            return hr;
        if (m_sequence != 0 || text.empty())
            return call.Raise(0, E_INVALIDARG);
        std::string entryId;
        for (char16_t c : text) {
            const bool hex =
                (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
            if (!hex)
                return call.Raise(0, E_INVALIDARG);
            entryId += static_cast<char>(c >= u'a' ? c - 32 : c);
        }
        note.entryId = entryId;
        break;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    m_edited = std::move(note);
    return S_OK;
}

HRESULT NoteItem::Save(Invocation& call) {
    if (call.Count())
        return DISP_E_BADPARAMCOUNT;
    Note note;
    if (HRESULT hr = Current(call, note); FAILED(hr))
        return hr;
    if (m_sequence == 0) {
        auto saved = m_store->Insert(note, EntryIdLength(), NowAsDate());
        if (!saved.ok())
            return saved.status().code() == ERROR_ALREADY_EXISTS
                       ? call.Raise(0, E_INVALIDARG)
                       : RaiseStoreWriteFailure(call, *m_store, saved.status());
        m_sequence = saved.value().sequence;
    } else {
        auto saved = m_store->Update(note, NowAsDate());
        if (!saved.ok()) {
            if (saved.status().code() == ERROR_NOT_FOUND)
                return call.Raise(kErrorNotFound);
            if (saved.status().code() == kErrorNoteChanged)
                return call.Raise(0, static_cast<HRESULT>(kErrorNoteChanged));
            return RaiseStoreWriteFailure(call, *m_store, saved.status());
        }
    }
    m_edited.reset();
    return S_OK;
}

HRESULT NoteItem::Delete(Invocation& call) {
    if (call.Count())
        return DISP_E_BADPARAMCOUNT;
    if (m_deleted)
        return call.Raise(kErrorNotFound);
    if (m_sequence != 0) {
        Note seen;
        if (HRESULT hr = Current(call, seen); FAILED(hr))
            return hr;
        platform::Status status = m_store->Delete(m_sequence, seen.modified);
        if (status.code() == ERROR_NOT_FOUND)
            return call.Raise(kErrorNotFound);
        if (status.code() == kErrorNoteChanged)
            return call.Raise(0, static_cast<HRESULT>(kErrorNoteChanged));
        if (!status.ok())
            return RaiseStoreWriteFailure(call, *m_store, status);
    }
    m_deleted = true;
    m_edited.reset();
    return S_OK;
}

} // namespace outlook
