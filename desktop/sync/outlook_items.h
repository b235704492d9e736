// The item collection of an Outlook folder, indexed from 1.
#pragma once

#include "desktop/sync/outlook_dispatch.h"

class OutlookItems : public OutlookDispatch {
public:
    LONG GetCount() const;
    // Item `index` (1 to GetCount()), with one reference; null when none
    // comes back. The index goes as a 16-bit integer, as Outlook expects;
    // one beyond that range as a 32-bit integer rather than wrapped.
    IDispatch* Item(LONG index) const;
};
