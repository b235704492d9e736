#include "desktop/sync/outlook_folder.h"

namespace {
constexpr DISPID kItems = 0x3100;
} // namespace

IDispatch* OutlookFolder::GetItems() const {
    return GetObject(kItems);
}

std::string OutlookFolder::GetStoreID() const {
    return GetTextByName(u"StoreID");
}
