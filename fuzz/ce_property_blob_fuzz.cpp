// Fuzzes the decoder of stored record properties: it must refuse or accept
// without reading past the input, and whatever it accepts must encode back
// to the same bytes and yield sort keys.
#include "platform/ce/property_blob.h"
#include "platform/ce/sort_key.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto decoded = ce::DecodeProperties(std::span<const BYTE>(data, size));
    if (!decoded.ok())
        return 0;
    const std::vector<BYTE> again = ce::EncodeProperties(decoded.value());
    if (again.size() != size || !std::equal(again.begin(), again.end(), data))
        std::abort();
    for (const auto& property : decoded.value())
        if (ce::IsSortableType(property.type()))
            for (DWORD flags : {DWORD{0}, CEDB_SORT_DESCENDING, CEDB_SORT_CASEINSENSITIVE})
                (void)ce::SortKey(decoded.value(), SORTORDERSPEC{property.propid, flags});
    return 0;
}
