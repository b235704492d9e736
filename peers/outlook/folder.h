// The Notes folder (Name, StoreID, Items) and its item collection (Count,
// Item from 1 in folder order). The collection is live: Count looks into
// outlook.db for other processes' changes, Item answers from what the last
// look saw together with this process's own changes (a deletion moves the
// following notes up at once).
#pragma once

#include "peers/outlook/dispatch_object.h"
#include "peers/outlook/message_store.h"

#include <memory>

namespace outlook {

class Folder : public DispatchObject {
public:
    explicit Folder(std::shared_ptr<MessageStore> store) : m_store(std::move(store)) {}

protected:
    std::span<const Member> Members() const override;
    HRESULT Call(DISPID member, WORD kind, Invocation& call) override;

private:
    std::shared_ptr<MessageStore> m_store;
};

class Items : public DispatchObject {
public:
    explicit Items(std::shared_ptr<MessageStore> store) : m_store(std::move(store)) {}

protected:
    std::span<const Member> Members() const override;
    HRESULT Call(DISPID member, WORD kind, Invocation& call) override;

private:
    std::shared_ptr<MessageStore> m_store;
};

} // namespace outlook
