#include "platform/ce/record_buffer.h"

#include <cstring>

namespace ce {

namespace {

std::size_t AlignTwo(std::size_t offset) {
    return (offset + 1) & ~std::size_t{1};
}

// Where an entry's data goes when the data before it ends at *end (the data
// follows the array, entry after entry); moves *end past it.
std::size_t Place(const ReadEntry& entry, std::size_t* end) {
    std::size_t at = *end;
    if (entry.property && entry.property->type() == CEVT_LPWSTR) {
        at = AlignTwo(*end);
        *end = at + (entry.property->text.size() + 1) * sizeof(WCHAR);
    } else if (entry.property && entry.property->type() == CEVT_BLOB) {
        *end += entry.property->bytes.size();
    }
    return at;
}

} // namespace

std::size_t RecordBufferSize(const std::vector<ReadEntry>& entries) {
    std::size_t end = entries.size() * sizeof(CEPROPVAL);
    for (const auto& entry : entries)
        Place(entry, &end);
    return end;
}

void FillRecordBuffer(const std::vector<ReadEntry>& entries, BYTE* block) {
    std::size_t end = entries.size() * sizeof(CEPROPVAL);
    // memcpy throughout: a caller's block need not be aligned.
    auto place = [block](std::size_t i, const CEPROPVAL& value) {
        std::memcpy(block + i * sizeof(CEPROPVAL), &value, sizeof value);
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        CEPROPVAL value{};
        value.propid = entries[i].propid;
        const Property* p = entries[i].property;
        const std::size_t at = Place(entries[i], &end);
        if (!p) {
            value.wFlags = CEDB_PROPNOTFOUND;
            place(i, value);
            continue;
        }
        switch (p->type()) {
        case CEVT_I2:
            value.val.iVal = static_cast<SHORT>(p->scalar);
            break;
        case CEVT_UI2:
            value.val.uiVal = static_cast<USHORT>(p->scalar);
            break;
        case CEVT_I4:
            value.val.lVal = static_cast<LONG>(p->scalar);
            break;
        case CEVT_UI4:
            value.val.ulVal = static_cast<ULONG>(p->scalar);
            break;
        case CEVT_BOOL:
            value.val.boolVal = static_cast<BOOL>(p->scalar);
            break;
        case CEVT_FILETIME:
            value.val.filetime = {static_cast<DWORD>(p->scalar),
                                  static_cast<DWORD>(p->scalar >> 32)};
            break;
        case CEVT_LPWSTR: {
            BYTE* text = block + at;
            const WCHAR terminator = 0;
            std::memcpy(text, p->text.data(), p->text.size() * sizeof(WCHAR));
            std::memcpy(text + p->text.size() * sizeof(WCHAR), &terminator, sizeof terminator);
            value.val.lpwstr = reinterpret_cast<WCHAR*>(text);
            break;
        }
        case CEVT_BLOB:
            value.val.blob.dwCount = static_cast<DWORD>(p->bytes.size());
            value.val.blob.lpb = block + at;
            if (!p->bytes.empty())
                std::memcpy(block + at, p->bytes.data(), p->bytes.size());
            break;
        default:
            break;
        }
        place(i, value);
    }
}

} // namespace ce
