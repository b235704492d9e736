// Outlook's Application object: GetNamespace("MAPI") and CreateItem(5).
#pragma once

#include "peers/outlook/dispatch_object.h"
#include "peers/outlook/message_store.h"

#include <memory>

namespace outlook {

class Application : public DispatchObject {
public:
    explicit Application(std::shared_ptr<MessageStore> store) : m_store(std::move(store)) {}

protected:
    std::span<const Member> Members() const override;
    HRESULT Call(DISPID member, WORD kind, Invocation& call) override;

private:
    std::shared_ptr<MessageStore> m_store;
};

} // namespace outlook
