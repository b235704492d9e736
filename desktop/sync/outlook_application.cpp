#include "desktop/sync/outlook_application.h"

namespace {
constexpr DISPID kGetNamespace = 0x0110;
constexpr DISPID kCreateItem = 0x010A;
// Every kind of server first; a platform that refuses the remote kinds with
// E_INVALIDARG is asked again for the local ones.
constexpr DWORD kAnyServer = 0x17;
constexpr DWORD kLocalServers = 0x7;
} // namespace

bool OutlookApplication::Create() {
    Release();
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(u"Outlook.Application", &clsid)))
        return false;
    IUnknown* unknown = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, kAnyServer, IID_IUnknown,
                                  reinterpret_cast<void**>(&unknown));
    if (hr == E_INVALIDARG)
        hr = CoCreateInstance(clsid, nullptr, kLocalServers, IID_IUnknown,
                              reinterpret_cast<void**>(&unknown));
    if (FAILED(hr) || unknown == nullptr)
        return false;
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(OleRun(unknown)))
        hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    else
        hr = E_FAIL;
    unknown->Release();
    if (FAILED(hr) || dispatch == nullptr)
        return false;
    Attach(dispatch, TRUE);
    return true;
}

IDispatch* OutlookApplication::GetNamespace(std::string_view type) const {
    return CallForObject(kGetNamespace, {Argument(type)});
}

IDispatch* OutlookApplication::CreateItem(LONG itemType) const {
    return CallForObject(kCreateItem, {Argument(itemType)});
}
