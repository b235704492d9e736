#include "peers/outlook/name_space.h"

#include "peers/outlook/dispatch_ids.h"
#include "peers/outlook/folder.h"
#include "peers/outlook/note_item.h"

namespace outlook {

namespace {
constexpr Member kMembers[] = {
    {u"CurrentUser", kCurrentUser, DISPATCH_PROPERTYGET},
    {u"Logon", kLogon, DISPATCH_METHOD},
    {u"Logoff", kLogoff, DISPATCH_METHOD},
    {u"GetItemFromID", kGetItemFromID, DISPATCH_METHOD},
    {u"GetDefaultFolder", kGetDefaultFolder, DISPATCH_METHOD},
};
constexpr Member kRecipientMembers[] = {
    {u"Name", kName, DISPATCH_PROPERTYGET},
    {u"", DISPID_VALUE, DISPATCH_PROPERTYGET},
};
constexpr HRESULT kStoreFailure = E_FAIL;
} // namespace

std::span<const Member> NameSpace::Members() const {
    return kMembers;
}

HRESULT NameSpace::Call(DISPID member, WORD, Invocation& call) {
    switch (member) {
    case kCurrentUser: {
        auto name = m_store->CurrentUser();
        if (!name.ok())
            return call.Raise(0, kStoreFailure);
        return call.ReturnObject(new Recipient(name.value()));
    }
    case kLogon:
        // Profile, password, show-dialog and new-session: one profile, no dialog.
        if (call.Count() > 4)
            return DISP_E_BADPARAMCOUNT;
        return S_OK;
    case kLogoff:
        return call.Count() ? DISP_E_BADPARAMCOUNT : S_OK;
    case kGetDefaultFolder: {
        LONG folder;
        if (HRESULT hr = call.Long(call.Argument(0), folder); FAILED(hr))
            return hr;
        if (folder != kFolderNotes)
            return call.Raise(0, E_INVALIDARG);
        return call.ReturnObject(new Folder(m_store));
    }
    default:
        return GetItemFromID(call);
    }
}

HRESULT NameSpace::GetItemFromID(Invocation& call) {
    std::u16string entryId, storeId;
    if (HRESULT hr = call.Text(call.Argument(0), entryId); FAILED(hr))
        return hr;
    if (const VARIANT* store = call.Argument(1)) {
        if (HRESULT hr = call.Text(store, storeId); FAILED(hr))
            return hr;
    }
    // EntryIDs are hex: upper and lower case name the same note.
    std::string key;
    for (char16_t c : entryId) {
        if (c > 0x7F)
            return call.Raise(kErrorNotFound);
        key += static_cast<char>(c >= u'a' && c <= u'z' ? c - 32 : c);
    }
    if (!storeId.empty()) {
        auto ours = m_store->StoreId();
        if (!ours.ok())
            return call.Raise(0, kStoreFailure);
        std::string theirs;
        for (char16_t c : storeId)
            theirs += static_cast<char>(c >= u'a' && c <= u'z' ? c - 32 : c);
        if (theirs != ours.value())
            return call.Raise(kErrorNotFound);
    }
    auto sequence = m_store->FindSequence(key);
    if (!sequence.ok())
        return call.Raise(0, kStoreFailure);
    if (!sequence.value())
        return call.Raise(kErrorNotFound);
    return call.ReturnObject(new NoteItem(m_store, *sequence.value()));
}

std::span<const Member> Recipient::Members() const {
    return kRecipientMembers;
}

HRESULT Recipient::Call(DISPID, WORD, Invocation& call) {
    return call.ReturnText(m_name);
}

} // namespace outlook
