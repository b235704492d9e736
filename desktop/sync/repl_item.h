// The handle of one Outlook note: its EntryID (the key) and the
// last-modification time it had when the handle was filled.
#pragma once

#include "desktop/sync/repl_object.h"

#include <string_view>

class CReplItem final : public CReplObject {
public:
    // The longest EntryID a key holds; its terminating zero takes the 141st byte.
    static constexpr std::size_t kMaxKeyLength = 140;

    // All-zero key, zero time.
    CReplItem() : CReplObject(kItemTag) {}

    std::string_view Key() const;
    // False, key unchanged, when the EntryID is longer than kMaxKeyLength:
    // a cut key would name another note, or none.
    bool SetKey(std::string_view entryId);
    const FILETIME& Modified() const { return m_ftModified; }
    void SetModified(const FILETIME& modified) { m_ftModified = modified; }

    // -1, 0 or 1: the keys compared as unsigned bytes.
    static int CompareKeys(const CReplItem& a, const CReplItem& b);
    // Copies key and time.
    void CopyFrom(const CReplItem& other);

    static CReplItem* FromHandle(HREPLOBJ handle) {
        CReplObject* object = CReplObject::FromHandle(handle);
        return object != nullptr && object->Type() == kItemTag ? static_cast<CReplItem*>(object)
                                                               : nullptr;
    }

private:
    friend class CReplObject; // reads and writes the persisted form
    char m_szKey[kMaxKeyLength + 1] = {};
    FILETIME m_ftModified = {};
};
