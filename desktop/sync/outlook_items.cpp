#include "desktop/sync/outlook_items.h"

namespace {
constexpr DISPID kCount = 0x0050;
constexpr DISPID kItem = 0x0051;
} // namespace

LONG OutlookItems::GetCount() const {
    return GetLong(kCount);
}

IDispatch* OutlookItems::Item(LONG index) const {
    VARIANT position;
    VariantInit(&position);
    if (index >= INT16_MIN && index <= INT16_MAX) {
        position.vt = VT_I2;
        position.iVal = static_cast<SHORT>(index);
    } else {
        position.vt = VT_I4;
        position.lVal = index;
    }
    return CallForObject(kItem, {Argument(position)});
}
