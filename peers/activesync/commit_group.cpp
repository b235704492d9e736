#include "peers/activesync/commit_group.h"

#include "peers/activesync/fault_switch.h"

namespace jsync {

using platform::Status;

Status CommitGroup::status() const {
    return m_objectStore.status().ok() ? m_pairings.status() : m_objectStore.status();
}

Status CommitGroup::Flush(platform::sqlite::DeferredSync& file) {
    // A crash just before and just after the sync are points of their own
    // for the resume tests.
    DurableWriteDone();
    JW_RETURN_IF_FAILED(file.Flush());
    DurableWriteDone();
    return Status();
}

Status CommitGroup::FlushHandheld() {
    return Flush(m_objectStore);
}

Status CommitGroup::FlushPairings() {
    return Flush(m_pairings);
}

Status CommitGroup::End() {
    m_count = 0;
    JW_RETURN_IF_FAILED(FlushHandheld());
    return FlushPairings();
}

} // namespace jsync
