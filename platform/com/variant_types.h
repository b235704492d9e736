// The VARIANT types this runtime holds and converts (inside platform/com).
#pragma once

#include "platform/com/oleauto.h"

namespace com {

inline bool IsSupportedVariantType(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R8:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
        return true;
    default:
        return false;
    }
}

} // namespace com
