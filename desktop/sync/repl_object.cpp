#include "desktop/sync/repl_object.h"

#include "desktop/sync/repl_folder.h"
#include "desktop/sync/repl_item.h"
#include "platform/base/byte_order.h"

#include <cstring>
#include <new>

namespace {

constexpr BYTE kFormat = 1;
constexpr std::size_t kTagOffset = 1;
constexpr std::size_t kKeyOffset = 5;
constexpr std::size_t kKeySize = CReplItem::kMaxKeyLength + 1;
constexpr std::size_t kModifiedOffset = kKeyOffset + kKeySize; // 146

} // namespace

static_assert(kModifiedOffset + 8 == CReplObject::kItemBytes);

UINT CReplObject::ToBytes(const CReplObject& object, LPBYTE bytes) {
    const bool isItem = object.Type() == kItemTag;
    const UINT length = isItem ? kItemBytes : kFolderBytes;
    if (bytes == nullptr)
        return length;
    bytes[0] = kFormat;
    StoreU32(bytes + kTagOffset, object.Type());
    if (isItem) {
        const auto& item = static_cast<const CReplItem&>(object);
        std::memcpy(bytes + kKeyOffset, item.m_szKey, kKeySize);
        StoreU32(bytes + kModifiedOffset, item.m_ftModified.dwLowDateTime);
        StoreU32(bytes + kModifiedOffset + 4, item.m_ftModified.dwHighDateTime);
    }
    return length;
}

CReplObject* CReplObject::FromBytes(const BYTE* bytes, UINT length) {
    // The format byte is not examined: every stored handle carries 1.
    if (bytes == nullptr || length < kFolderBytes)
        return nullptr;
    switch (LoadU32(bytes + kTagOffset)) {
    case kFolderTag:
        return new (std::nothrow) CReplFolder;
    case kItemTag: {
        if (length < kItemBytes)
            return nullptr;
        const char* key = reinterpret_cast<const char*>(bytes + kKeyOffset);
        if (std::memchr(key, 0, kKeySize) == nullptr)
            return nullptr;
        auto* item = new (std::nothrow) CReplItem;
        if (item == nullptr)
            return nullptr;
        std::memcpy(item->m_szKey, key, kKeySize);
        // Whatever follows the terminating zero is dropped: a key is zero-filled.
        const std::size_t keyLength = strnlen(item->m_szKey, kKeySize);
        std::memset(item->m_szKey + keyLength, 0, kKeySize - keyLength);
        item->m_ftModified.dwLowDateTime = LoadU32(bytes + kModifiedOffset);
        item->m_ftModified.dwHighDateTime = LoadU32(bytes + kModifiedOffset + 4);
        return item;
    }
    default:
        return nullptr;
    }
}
