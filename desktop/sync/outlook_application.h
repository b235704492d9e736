// Outlook's application object ("Outlook.Application").
#pragma once

#include "desktop/sync/outlook_dispatch.h"

class OutlookApplication : public OutlookDispatch {
public:
    // Creates and runs Outlook's application object and holds its IDispatch.
    // False, holding nothing, when that fails; nothing is raised.
    bool Create();

    // The name space of `type` ("MAPI"), with one reference for the caller.
    IDispatch* GetNamespace(std::string_view type) const;
    // A new unsaved item of `itemType` (5: a note), with one reference.
    IDispatch* CreateItem(LONG itemType) const;
};
