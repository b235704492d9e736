#include "platform/ce/record_buffer.h"

#include <bit>
#include <cstring>

namespace ce {

namespace {

std::size_t AlignTwo(std::size_t offset) {
    return (offset + 1) & ~std::size_t{1};
}

// Where a property's data goes when the data before it ends at *end (the
// data follows the array, entry after entry); moves *end past it.
std::size_t Place(const StoredProperty* property, std::size_t* end) {
    std::size_t at = *end;
    if (property && property->type() == CEVT_LPWSTR) {
        at = AlignTwo(*end);
        *end = at + property->data.size() + sizeof(WCHAR);
    } else if (property && property->type() == CEVT_BLOB) {
        *end += property->data.size();
    }
    return at;
}

// A string's stored UTF-16LE units as the machine's WCHARs, then a terminator.
void CopyString(std::span<const BYTE> units, BYTE* to) {
    if constexpr (std::endian::native == std::endian::little) {
        if (!units.empty())
            std::memcpy(to, units.data(), units.size());
    } else {
        for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
            const auto unit = static_cast<WCHAR>(units[i] | units[i + 1] << 8);
            std::memcpy(to + i, &unit, sizeof unit);
        }
    }
    const WCHAR terminator = 0;
    std::memcpy(to + units.size(), &terminator, sizeof terminator);
}

} // namespace

RecordLayout::RecordLayout(std::span<const StoredProperty> properties,
                           std::span<const CEPROPID> wanted)
    : m_properties(properties), m_wanted(wanted) {
    m_size = count() * sizeof(CEPROPVAL);
    ForEach([this](std::size_t, CEPROPID, const StoredProperty* p) { Place(p, &m_size); });
}

template <class Visit> void RecordLayout::ForEach(Visit visit) const {
    if (m_wanted.empty()) {
        for (std::size_t i = 0; i < m_properties.size(); ++i)
            visit(i, m_properties[i].propid, &m_properties[i]);
        return;
    }
    for (std::size_t i = 0; i < m_wanted.size(); ++i) {
        const CEPROPID asked = m_wanted[i];
        const StoredProperty* found = nullptr;
        for (const auto& property : m_properties)
            if (property.number() == PropNumber(asked)) {
                found = property.propid == asked ? &property : nullptr;
                break;
            }
        visit(i, asked, found);
    }
}

void RecordLayout::Fill(BYTE* block) const {
    std::size_t end = count() * sizeof(CEPROPVAL);
    // memcpy throughout: a caller's block need not be aligned.
    ForEach([block, &end](std::size_t i, CEPROPID propid, const StoredProperty* p) {
        CEPROPVAL value{};
        value.propid = propid;
        const std::size_t at = Place(p, &end);
        if (!p) {
            value.wFlags = CEDB_PROPNOTFOUND;
        } else {
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
            case CEVT_LPWSTR:
                CopyString(p->data, block + at);
                value.val.lpwstr = reinterpret_cast<WCHAR*>(block + at);
                break;
            case CEVT_BLOB:
                value.val.blob.dwCount = static_cast<DWORD>(p->data.size());
                value.val.blob.lpb = block + at;
                if (!p->data.empty())
                    std::memcpy(block + at, p->data.data(), p->data.size());
                break;
            default:
                break;
            }
        }
        std::memcpy(block + i * sizeof(CEPROPVAL), &value, sizeof value);
    });
}

} // namespace ce
