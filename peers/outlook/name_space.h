// The "MAPI" name space: Logon, Logoff, GetDefaultFolder(12), GetItemFromID
// and CurrentUser (a Recipient whose default member is the user's name).
#pragma once

#include "peers/outlook/dispatch_object.h"
#include "peers/outlook/message_store.h"

#include <memory>

namespace outlook {

class NameSpace : public DispatchObject {
public:
    explicit NameSpace(std::shared_ptr<MessageStore> store) : m_store(std::move(store)) {}

protected:
    std::span<const Member> Members() const override;
    HRESULT Call(DISPID member, WORD kind, Invocation& call) override;

private:
    HRESULT GetItemFromID(Invocation& call);

    std::shared_ptr<MessageStore> m_store;
};

// A recipient: Name, also its default member.
class Recipient : public DispatchObject {
public:
    explicit Recipient(std::u16string name) : m_name(std::move(name)) {}

protected:
    std::span<const Member> Members() const override;
    HRESULT Call(DISPID member, WORD kind, Invocation& call) override;

private:
    std::u16string m_name;
};

} // namespace outlook
