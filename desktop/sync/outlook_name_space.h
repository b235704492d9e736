// Outlook's "MAPI" name space: the logged-on session.
#pragma once

#include "desktop/sync/outlook_dispatch.h"

class OutlookNameSpace : public OutlookDispatch {
public:
    void Logon(const VARIANT& profile, const VARIANT& password, const VARIANT& showDialog,
               const VARIANT& newSession) const;
    void Logoff() const;
    // The default folder of `folderType` (12: Notes), with one reference.
    IDispatch* GetDefaultFolder(LONG folderType) const;
    // The item of `entryId` in the store `storeId`, with one reference.
    IDispatch* GetItemFromID(std::string_view entryId, const VARIANT& storeId) const;
    // The text of the "CurrentUser" property (the recipient's default value).
    std::string GetCurrentUser() const;
};
