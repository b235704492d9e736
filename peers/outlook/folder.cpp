#include "peers/outlook/folder.h"

#include "peers/outlook/dispatch_ids.h"
#include "peers/outlook/note_item.h"

namespace outlook {

namespace {
constexpr Member kFolderMembers[] = {
    {u"Name", kName, DISPATCH_PROPERTYGET},
    {u"Items", kItems, DISPATCH_PROPERTYGET},
    {u"StoreID", kStoreID, DISPATCH_PROPERTYGET},
};
constexpr Member kItemsMembers[] = {
    {u"Count", kCount, DISPATCH_PROPERTYGET},
    {u"Item", kItem, DISPATCH_METHOD | DISPATCH_PROPERTYGET},
};
} // namespace

std::span<const Member> Folder::Members() const {
    return kFolderMembers;
}

HRESULT Folder::Call(DISPID member, WORD, Invocation& call) {
    switch (member) {
    case kName:
        return call.ReturnText(u"Notes");
    case kItems:
        return call.ReturnObject(new Items(m_store));
    default: {
        auto id = m_store->StoreId();
        if (!id.ok())
            return call.Raise(0, E_FAIL);
        return call.ReturnText(std::u16string(id.value().begin(), id.value().end()));
    }
    }
}

std::span<const Member> Items::Members() const {
    return kItemsMembers;
}

HRESULT Items::Call(DISPID member, WORD, Invocation& call) {
    if (member == kCount) {
        auto count = m_store->Count();
        if (!count.ok())
            return call.Raise(0, E_FAIL);
        return call.ReturnLong(static_cast<LONG>(count.value()));
    }
    const VARIANT* index = call.Argument(0);
    // Outlook would look a text index up by subject; notes are reached by number here.
    if (index && index->vt == VT_BSTR)
        return call.Raise(0, E_INVALIDARG);
    LONG position;
    if (HRESULT hr = call.Long(index, position); FAILED(hr))
        return hr;
    if (position < 1)
        return call.Raise(0, DISP_E_BADINDEX);
    auto sequence = m_store->CachedSequenceAt(static_cast<std::size_t>(position - 1));
    if (!sequence.ok())
        return call.Raise(0, E_FAIL);
    if (!sequence.value())
        return call.Raise(0, DISP_E_BADINDEX);
    return call.ReturnObject(new NoteItem(m_store, *sequence.value()));
}

} // namespace outlook
