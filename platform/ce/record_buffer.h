// The read buffer of CeReadRecordProps, laid out as the platform does: an
// array of CEPROPVAL, then the strings (NUL-terminated, 2-byte aligned) and
// blob bytes the array points to, all in one block.
#pragma once

#include "platform/ce/property_blob.h"

namespace ce {

// The entries of one read, taken from a record's stored properties: those
// whose identifiers `wanted` names, in its order, or (wanted empty) all of
// them. One asked for that is missing, or stored with another value type
// (its value cannot be read as the type asked for), is returned with
// CEDB_PROPNOTFOUND.
class RecordLayout {
public:
    RecordLayout(std::span<const StoredProperty> properties, std::span<const CEPROPID> wanted);

    std::size_t count() const { return m_wanted.empty() ? m_properties.size() : m_wanted.size(); }
    // Bytes the block needs.
    std::size_t size() const { return m_size; }
    // Writes the entries into a block of at least size() bytes.
    void Fill(BYTE* block) const;

private:
    // Calls visit(i, propid, property or null) for each entry in order.
    template <class Visit> void ForEach(Visit visit) const;

    std::span<const StoredProperty> m_properties;
    std::span<const CEPROPID> m_wanted;
    std::size_t m_size = 0;
};

} // namespace ce
