#include "peers/outlook/application.h"

#include "peers/outlook/dispatch_ids.h"
#include "peers/outlook/name_space.h"
#include "peers/outlook/note_item.h"

namespace outlook {

namespace {
constexpr Member kMembers[] = {
    {u"GetNamespace", kGetNamespace, DISPATCH_METHOD},
    {u"CreateItem", kCreateItem, DISPATCH_METHOD},
};
} // namespace

std::span<const Member> Application::Members() const {
    return kMembers;
}

HRESULT Application::Call(DISPID member, WORD, Invocation& call) {
    if (member == kGetNamespace) {
        std::u16string type;
        if (HRESULT hr = call.Text(call.Argument(0), type); FAILED(hr))
            return hr;
        if (type != u"MAPI")
            return call.Raise(0, E_INVALIDARG);
        return call.ReturnObject(new NameSpace(m_store));
    }
    LONG itemType;
    if (HRESULT hr = call.Long(call.Argument(0), itemType); FAILED(hr))
        return hr;
    // Only notes live in this Outlook.
    if (itemType != kItemTypeNote)
        return call.Raise(0, E_INVALIDARG);
    return call.ReturnObject(new NoteItem(m_store));
}

} // namespace outlook
