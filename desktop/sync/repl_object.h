// Handles the store makes for the service manager (HREPLOBJ, HREPLITEM and
// HREPLFLD point to them), and their persisted form, which the manager keeps
// between synchronizations:
//   0 format byte (1), 1 type tag (1 item, 2 folder, 32-bit little-endian),
//   items only: 5 key (141 bytes, zero-terminated, zero-filled),
//   146 modified FILETIME low, 150 high.
#pragma once

#include "platform/activesync/replication.h"

class CReplObject {
public:
    static constexpr UINT kItemTag = 1;
    static constexpr UINT kFolderTag = 2;
    static constexpr UINT kFolderBytes = 5;
    static constexpr UINT kItemBytes = 154;

    virtual ~CReplObject() = default;
    CReplObject(const CReplObject&) = delete;
    CReplObject& operator=(const CReplObject&) = delete;

    UINT Type() const { return m_uType; }

    HREPLOBJ Handle() { return reinterpret_cast<HREPLOBJ>(this); }
    static CReplObject* FromHandle(HREPLOBJ handle) {
        return reinterpret_cast<CReplObject*>(handle);
    }

    // Writes the persisted form to `bytes` (when not null); returns its length.
    static UINT ToBytes(const CReplObject& object, LPBYTE bytes);
    // A new handle from its persisted form, or null when the bytes are not a
    // whole item or folder: too short for their type, an unknown type tag, or
    // a key without its terminating zero. Never reads past `length`.
    static CReplObject* FromBytes(const BYTE* bytes, UINT length);

protected:
    explicit CReplObject(UINT type) : m_uType(type) {}

private:
    UINT m_uType;
};
