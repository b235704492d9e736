// Typed record properties and their stored form.
//
// A record's properties are kept in one blob, little-endian throughout:
//
//   u8  format version (1)
//   u16 number of properties
//   per property, in the record's order:
//     u32 property identifier (number << 16 | type)
//     the value, by type:
//       CEVT_I2, CEVT_UI2                  2 bytes
//       CEVT_I4, CEVT_UI4, CEVT_BOOL       4 bytes
//       CEVT_FILETIME                      8 bytes: dwLowDateTime, dwHighDateTime
//       CEVT_LPWSTR                        u32 length in UTF-16 units, then the
//                                          units (no terminator, no NUL inside)
//       CEVT_BLOB                          u32 length in bytes, then the bytes
//
// Numbers (the high words of the identifiers) are unique within a record.
// The decoder checks every length against what is left and refuses a damaged
// blob with ERROR_INVALID_DATA and a message saying where, never reading past it.
#pragma once

#include "platform/base/status.h"
#include "platform/ce/database.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ce {

struct Property {
    CEPROPID propid = 0;
    // CEVT_I2/UI2/I4/UI4/BOOL: the value's bits, zero-extended from its width;
    // CEVT_FILETIME: dwHighDateTime << 32 | dwLowDateTime.
    std::uint64_t scalar = 0;
    std::u16string text;     // CEVT_LPWSTR
    std::vector<BYTE> bytes; // CEVT_BLOB

    WORD number() const { return PropNumber(propid); }
    WORD type() const { return PropType(propid); }
    bool operator==(const Property&) const = default;
};
using PropertyList = std::vector<Property>;

constexpr BYTE kPropertyBlobVersion = 1;

bool IsKnownType(WORD type);

// A property as it lies in a stored blob, pointing into it: a scalar's
// value as in Property; a string's units (UTF-16LE, no terminator) or a
// blob's bytes as stored.
struct StoredProperty {
    CEPROPID propid = 0;
    std::uint64_t scalar = 0;
    std::span<const BYTE> data;

    WORD number() const { return PropNumber(propid); }
    WORD type() const { return PropType(propid); }
};

std::vector<BYTE> EncodeProperties(const PropertyList& properties);
// Checks the whole blob and lists its properties in `properties` (cleared
// first, its storage reused), in the stored order; valid while the blob is.
platform::Status ParseProperties(std::span<const BYTE> blob,
                                 std::vector<StoredProperty>* properties);
// With `wanted`, only the properties whose numbers it names are kept (the
// others are checked as well, and not copied).
platform::Result<PropertyList> DecodeProperties(std::span<const BYTE> blob,
                                                std::span<const CEPROPID> wanted = {});

// A caller's CEPROPVAL as a property (refused: an unknown type, a null string,
// a blob whose pointer is null while its count is not).
platform::Result<Property> PropertyFromValue(const CEPROPVAL& value);

// The property with number `number`, or null.
const Property* FindProperty(const PropertyList& properties, WORD number);

// Merges changes into a record's properties: a value replaces the property of
// the same number in place or joins at the end; CEDB_PROPDELETE removes it.
// When `changed` is given, the numbers of the properties that now differ
// (added, removed, or given another value or type) are appended to it.
platform::Status MergeProperties(PropertyList* properties, std::span<const CEPROPVAL> changes,
                                 std::vector<WORD>* changed = nullptr);

} // namespace ce
