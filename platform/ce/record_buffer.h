// The read buffer of CeReadRecordProps, laid out as the platform does: an
// array of CEPROPVAL, then the strings (NUL-terminated, 2-byte aligned) and
// blob bytes the array points to, all in one block.
#pragma once

#include "platform/ce/property_blob.h"

namespace ce {

// One entry of the array: a property of the record, or (property null) one
// that was asked for and is missing, returned with CEDB_PROPNOTFOUND.
struct ReadEntry {
    CEPROPID propid = 0;
    const Property* property = nullptr;
};

// Bytes the block needs for these entries.
std::size_t RecordBufferSize(const std::vector<ReadEntry>& entries);
// Writes the entries into a block of at least RecordBufferSize bytes.
void FillRecordBuffer(const std::vector<ReadEntry>& entries, BYTE* block);

} // namespace ce
