// The disk syncs of a pass, grouped. The handheld's object store and the
// desktop's partnership state commit without waiting for the disk while the
// pass runs (everyone still sees each commit at once); each is flushed, one
// sync of its log, right before a write elsewhere that depends on it:
//
// - the object store before the partnership or the handheld's list records
//   or forgets a note the pass wrote on the handheld, and before the list
//   names a change of the object store;
// - the partnership state before a desktop write it announced (a conflict
//   copy), and at the end of every group of pairings, before the handheld's
//   list records the notes of that group as in step.
//
// Outlook's saves keep their own sync each. A crash, or the power lost, at
// any point thus leaves no record that names a write which did not survive.
#pragma once

#include "platform/base/sqlite.h"
#include "platform/base/status.h"

#include <cstddef>
#include <memory>

namespace jsync {

class CommitGroup {
public:
    // Pairings in a group: the same as the handheld list's batch, so that
    // one group's end writes both.
    static constexpr std::size_t kSize = 64;

    CommitGroup(std::shared_ptr<platform::sqlite::Connection> objectStore,
                std::shared_ptr<platform::sqlite::Connection> pairings)
        : m_objectStore(std::move(objectStore)), m_pairings(std::move(pairings)) {}
    // Whether the deferral could be set up on both files.
    platform::Status status() const;

    platform::Status FlushHandheld();
    platform::Status FlushPairings();
    // Counts a commit of the partnership state.
    void Paired() { ++m_count; }
    bool Full() const { return m_count >= kSize; }
    // Both files flushed, the handheld's first; a new group begins.
    platform::Status End();

private:
    platform::Status Flush(platform::sqlite::DeferredSync& file);

    platform::sqlite::DeferredSync m_objectStore;
    platform::sqlite::DeferredSync m_pairings;
    std::size_t m_count = 0;
};

} // namespace jsync
