#include "platform/ce/property_blob.h"

#include "platform/base/byte_order.h"

#include <algorithm>
#include <cstring>

namespace ce {

using platform::Result;
using platform::Status;

namespace {

std::size_t ScalarWidth(WORD type) {
    switch (type) {
    case CEVT_I2:
    case CEVT_UI2:
        return 2;
    case CEVT_I4:
    case CEVT_UI4:
    case CEVT_BOOL:
        return 4;
    case CEVT_FILETIME:
        return 8;
    default:
        return 0;
    }
}

void PutLittleEndian(std::vector<BYTE>* out, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        out->push_back(static_cast<BYTE>(value >> (8 * i)));
}

// Reads the blob front to back; every read checks what is left first.
class Reader {
public:
    explicit Reader(std::span<const BYTE> bytes) : m_bytes(bytes) {}
    bool Read(std::size_t width, std::uint64_t* value) {
        if (m_bytes.size() - m_offset < width)
            return false;
        const BYTE* p = m_bytes.data() + m_offset;
        std::uint64_t v = 0;
        // The widths stored, each one load.
        switch (width) {
        case 2:
            v = static_cast<std::uint64_t>(p[0] | p[1] << 8);
            break;
        case 4:
            v = LoadU32(p);
            break;
        case 8:
            v = LoadU32(p) | std::uint64_t{LoadU32(p + 4)} << 32;
            break;
        default:
            for (std::size_t i = 0; i < width; ++i)
                v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
            break;
        }
        m_offset += width;
        *value = v;
        return true;
    }
    bool Take(std::size_t count, std::span<const BYTE>* bytes) {
        if (m_bytes.size() - m_offset < count)
            return false;
        *bytes = m_bytes.subspan(m_offset, count);
        m_offset += count;
        return true;
    }
    std::size_t offset() const { return m_offset; }
    std::size_t left() const { return m_bytes.size() - m_offset; }

private:
    std::span<const BYTE> m_bytes;
    std::size_t m_offset = 0;
};

// Whether any of the two-byte units of `units` is zero. Four units to a
// word: a zero unit is one whose lane borrows in the subtraction while its
// top bit was clear (exact for "any", whatever the byte order); four words
// are tested at once.
bool HasNulUnit(std::span<const BYTE> units) {
    constexpr std::uint64_t kOnes = 0x0001000100010001, kTops = 0x8000800080008000;
    const auto zeroLanes = [&](std::size_t at) {
        std::uint64_t word;
        std::memcpy(&word, units.data() + at, sizeof word);
        return (word - kOnes) & ~word;
    };
    std::size_t at = 0;
    for (; at + 32 <= units.size(); at += 32)
        if ((zeroLanes(at) | zeroLanes(at + 8) | zeroLanes(at + 16) | zeroLanes(at + 24)) & kTops)
            return true;
    for (; at + 8 <= units.size(); at += 8)
        if (zeroLanes(at) & kTops)
            return true;
    for (; at + 1 < units.size(); at += 2)
        if ((units[at] | units[at + 1]) == 0)
            return true;
    return false;
}

Status Damaged(const Reader& reader, const std::string& what) {
    return Status::Failure(ERROR_INVALID_DATA, "damaged record: " + what + " at byte " +
                                                   std::to_string(reader.offset()));
}

} // namespace

bool IsKnownType(WORD type) {
    return ScalarWidth(type) != 0 || type == CEVT_LPWSTR || type == CEVT_BLOB;
}

std::vector<BYTE> EncodeProperties(const PropertyList& properties) {
    // Sized first: a note's text went in two bytes at a time, the vector
    // growing as it went.
    std::size_t size = 3;
    for (const auto& property : properties) {
        const std::size_t width = ScalarWidth(property.type());
        size += 4 + (width != 0                       ? width
                     : property.type() == CEVT_LPWSTR ? 4 + 2 * property.text.size()
                                                      : 4 + property.bytes.size());
    }
    std::vector<BYTE> out;
    out.reserve(size);
    out.push_back(kPropertyBlobVersion);
    PutLittleEndian(&out, properties.size(), 2);
    for (const auto& property : properties) {
        PutLittleEndian(&out, property.propid, 4);
        if (std::size_t width = ScalarWidth(property.type())) {
            PutLittleEndian(&out, property.scalar, width);
        } else if (property.type() == CEVT_LPWSTR) {
            PutLittleEndian(&out, property.text.size(), 4);
            const std::size_t at = out.size();
            out.resize(at + 2 * property.text.size());
            for (std::size_t i = 0; i < property.text.size(); ++i) {
                out[at + 2 * i] = static_cast<BYTE>(property.text[i]);
                out[at + 2 * i + 1] = static_cast<BYTE>(property.text[i] >> 8);
            }
        } else {
            PutLittleEndian(&out, property.bytes.size(), 4);
            out.insert(out.end(), property.bytes.begin(), property.bytes.end());
        }
    }
    return out;
}

Status ParseProperties(std::span<const BYTE> blob, std::vector<StoredProperty>* properties) {
    properties->clear();
    Reader reader(blob);
    std::uint64_t version = 0, count = 0;
    if (!reader.Read(1, &version) || version != kPropertyBlobVersion)
        return Damaged(reader, "unknown format version");
    if (!reader.Read(2, &count))
        return Damaged(reader, "property count cut short");
    // Each property takes at least its identifier's four bytes.
    properties->reserve(std::min<std::uint64_t>(count, reader.left() / 4));
    // Numbers already taken: the few properties of a usual record are
    // scanned; a record with more gets a bitmap of all numbers.
    constexpr std::size_t kScanned = 32;
    std::vector<bool> numbers;
    auto seenBefore = [&](WORD number) {
        if (numbers.empty() && properties->size() < kScanned)
            return std::any_of(properties->begin(), properties->end(),
                               [number](const StoredProperty& p) { return p.number() == number; });
        if (numbers.empty()) {
            numbers.resize(0x10000);
            for (const auto& p : *properties)
                numbers[p.number()] = true;
        }
        const bool seen = numbers[number];
        numbers[number] = true;
        return seen;
    };
    for (std::uint64_t i = 0; i < count; ++i) {
        StoredProperty property;
        std::uint64_t propid = 0;
        if (!reader.Read(4, &propid))
            return Damaged(reader, "property identifier cut short");
        property.propid = static_cast<CEPROPID>(propid);
        if (!IsKnownType(property.type()))
            return Damaged(reader, "unknown value type " + std::to_string(property.type()));
        if (seenBefore(property.number()))
            return Damaged(reader, "property " + std::to_string(property.number()) + " twice");
        if (std::size_t width = ScalarWidth(property.type())) {
            if (!reader.Read(width, &property.scalar))
                return Damaged(reader, "value cut short");
        } else {
            std::uint64_t length = 0;
            if (!reader.Read(4, &length))
                return Damaged(reader, "length cut short");
            const std::uint64_t unitSize = property.type() == CEVT_LPWSTR ? 2 : 1;
            if (length > reader.left() / unitSize ||
                !reader.Take(length * unitSize, &property.data))
                return Damaged(reader, "value runs past the end");
            if (unitSize == 2 && HasNulUnit(property.data))
                return Damaged(reader, "NUL inside a string");
        }
        properties->push_back(property);
    }
    if (reader.left() != 0)
        return Damaged(reader, "bytes after the last property");
    return Status();
}

Result<PropertyList> DecodeProperties(std::span<const BYTE> blob,
                                      std::span<const CEPROPID> wanted) {
    std::vector<StoredProperty> stored;
    JW_RETURN_IF_FAILED(ParseProperties(blob, &stored));
    const auto isWanted = [wanted](WORD number) {
        return wanted.empty() || std::any_of(wanted.begin(), wanted.end(), [number](CEPROPID id) {
                   return PropNumber(id) == number;
               });
    };
    PropertyList properties;
    properties.reserve(wanted.empty() ? stored.size() : std::min(stored.size(), wanted.size()));
    for (const auto& s : stored) {
        if (!isWanted(s.number()))
            continue;
        Property property;
        property.propid = s.propid;
        property.scalar = s.scalar;
        if (s.type() == CEVT_LPWSTR)
            property.text = LoadUtf16(s.data);
        else if (s.type() == CEVT_BLOB)
            property.bytes.assign(s.data.begin(), s.data.end());
        properties.push_back(std::move(property));
    }
    return properties;
}

Result<Property> PropertyFromValue(const CEPROPVAL& value) {
    Property property;
    property.propid = value.propid;
    switch (PropType(value.propid)) {
    case CEVT_I2:
        property.scalar = static_cast<std::uint16_t>(value.val.iVal);
        break;
    case CEVT_UI2:
        property.scalar = value.val.uiVal;
        break;
    case CEVT_I4:
        property.scalar = static_cast<std::uint32_t>(value.val.lVal);
        break;
    case CEVT_UI4:
        property.scalar = value.val.ulVal;
        break;
    case CEVT_BOOL:
        property.scalar = static_cast<std::uint32_t>(value.val.boolVal);
        break;
    case CEVT_FILETIME:
        property.scalar = (static_cast<std::uint64_t>(value.val.filetime.dwHighDateTime) << 32) |
                          value.val.filetime.dwLowDateTime;
        break;
    case CEVT_LPWSTR:
        if (!value.val.lpwstr)
            return Status::Failure(ERROR_INVALID_PARAMETER,
                                   "null string for property " +
                                       std::to_string(PropNumber(value.propid)));
        property.text = value.val.lpwstr;
        break;
    case CEVT_BLOB:
        if (!value.val.blob.lpb && value.val.blob.dwCount)
            return Status::Failure(ERROR_INVALID_PARAMETER,
                                   "null blob for property " +
                                       std::to_string(PropNumber(value.propid)));
        if (value.val.blob.dwCount)
            property.bytes.assign(value.val.blob.lpb, value.val.blob.lpb + value.val.blob.dwCount);
        break;
    default:
        return Status::Failure(ERROR_INVALID_PARAMETER,
                               "unknown value type " + std::to_string(PropType(value.propid)));
    }
    return property;
}

const Property* FindProperty(const PropertyList& properties, WORD number) {
    for (const auto& property : properties)
        if (property.number() == number)
            return &property;
    return nullptr;
}

Status MergeProperties(PropertyList* properties, std::span<const CEPROPVAL> changes,
                       std::vector<WORD>* changed) {
    auto note = [changed](WORD number) {
        if (changed)
            changed->push_back(number);
    };
    for (const auto& change : changes) {
        const WORD number = PropNumber(change.propid);
        auto it = std::find_if(properties->begin(), properties->end(),
                               [&](const Property& p) { return p.number() == number; });
        if (change.wFlags & CEDB_PROPDELETE) {
            if (it != properties->end()) {
                properties->erase(it);
                note(number);
            }
            continue;
        }
        JW_ASSIGN_OR_RETURN(auto property, PropertyFromValue(change));
        if (it == properties->end()) {
            properties->push_back(std::move(property));
            note(number);
        } else if (*it != property) {
            *it = std::move(property);
            note(number);
        }
    }
    if (properties->size() > 0xFFFF)
        return Status::Failure(ERROR_INVALID_PARAMETER, "more than 65535 properties");
    return Status();
}

} // namespace ce
