#include "desktop/sync/outlook_name_space.h"

namespace {
constexpr DISPID kLogon = 0x2105;
constexpr DISPID kLogoff = 0x2106;
constexpr DISPID kGetDefaultFolder = 0x210B;
constexpr DISPID kGetItemFromID = 0x2109;
} // namespace

void OutlookNameSpace::Logon(const VARIANT& profile, const VARIANT& password,
                             const VARIANT& showDialog, const VARIANT& newSession) const {
    Call(kLogon,
         {Argument(profile), Argument(password), Argument(showDialog), Argument(newSession)});
}

void OutlookNameSpace::Logoff() const {
    Call(kLogoff, {});
}

IDispatch* OutlookNameSpace::GetDefaultFolder(LONG folderType) const {
    return CallForObject(kGetDefaultFolder, {Argument(folderType)});
}

IDispatch* OutlookNameSpace::GetItemFromID(std::string_view entryId, const VARIANT& storeId) const {
    return CallForObject(kGetItemFromID, {Argument(entryId), Argument(storeId)});
}

std::string OutlookNameSpace::GetCurrentUser() const {
    return GetTextByName(u"CurrentUser");
}
