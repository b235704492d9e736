#include "desktop/sync/repl_item.h"

#include <cstring>

std::string_view CReplItem::Key() const {
    return std::string_view(m_szKey, strnlen(m_szKey, sizeof m_szKey));
}

bool CReplItem::SetKey(std::string_view entryId) {
    if (entryId.size() > kMaxKeyLength)
        return false;
    std::memset(m_szKey, 0, sizeof m_szKey);
    std::memcpy(m_szKey, entryId.data(), entryId.size());
    return true;
}

int CReplItem::CompareKeys(const CReplItem& a, const CReplItem& b) {
    // strncmp compares as unsigned bytes and stops at the key's end, in one
    // walk where Key() measures both keys first.
    const int order = std::strncmp(a.m_szKey, b.m_szKey, sizeof m_szKey);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

void CReplItem::CopyFrom(const CReplItem& other) {
    std::memcpy(m_szKey, other.m_szKey, sizeof m_szKey);
    m_ftModified = other.m_ftModified;
}
