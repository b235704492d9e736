// An Outlook folder (the store uses the default Notes folder).
#pragma once

#include "desktop/sync/outlook_dispatch.h"

class OutlookFolder : public OutlookDispatch {
public:
    // The folder's item collection, with one reference.
    IDispatch* GetItems() const;
    // The text of the "StoreID" property: the store argument of GetItemFromID.
    std::string GetStoreID() const;
};
