// Sort keys: one byte string per record and sort order whose plain byte
// order (SQLite compares blobs with memcmp) is the order of the sort order.
//
//   0x01 + value   the record has the property (with the sort order's type)
//   0x02           it has not: such records sort last, in both directions
//   0x00           it has not, with CEDB_SORT_UNKNOWNFIRST: they sort first
//
// Values: numbers big-endian with the sign bit flipped for signed types;
// FILETIMEs as 64-bit big-endian; strings as their case-folded UTF-16 units
// (big-endian) and a 0x0000 end, then, unless CEDB_SORT_CASEINSENSITIVE, one
// byte per unit, 0 for lower case or uncased and 1 for upper case, so that
// case only breaks ties between otherwise equal strings and lower case comes
// first, as the platform's string order has it. With CEDB_SORT_DESCENDING
// every value byte is inverted. Equal keys are ordered by object identifier.
#pragma once

#include "platform/ce/property_blob.h"

namespace ce {

constexpr BYTE kKeyPresent = 0x01;
constexpr BYTE kKeyMissingLast = 0x02;
constexpr BYTE kKeyMissingFirst = 0x00;

// True when the platform can sort on properties of this type.
bool IsSortableType(WORD type);

// The key of a record with these properties under one sort order.
std::vector<BYTE> SortKey(const PropertyList& properties, const SORTORDERSPEC& spec);

// The key a record would have whose sort property were `value` (for value
// seeks); a value of another type than the sort order's is refused.
platform::Result<std::vector<BYTE>> SortKeyOfValue(const Property& value,
                                                   const SORTORDERSPEC& spec);

} // namespace ce
