#include "peers/activesync/repl_notify.h"

#include "platform/win32/registry.h"

#include <cstdio>

namespace jsync {

std::string PartnerKeyPath(std::uint32_t partnership) {
    char id[16];
    std::snprintf(id, sizeof id, "%08X", partnership);
    return std::string("Software\\Microsoft\\Windows CE Services\\Partners\\") + id;
}

HRESULT ReplNotify::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown) {
        *ppv = static_cast<IUnknown*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT ReplNotify::SetStatusText(LPSTR) {
    return S_OK;
}

HWND ReplNotify::GetWindow(UINT) {
    return nullptr;
}

HRESULT ReplNotify::OnItemNotify(UINT, LPSTR, LPSTR, HREPLITEM, ULONG) {
    // Item notifications would start a pass at once; jsync's passes are run
    // by the caller and its watch loop.
    return S_OK;
}

HRESULT ReplNotify::QueryDevice(UINT uCode, void** ppvData) {
    if (ppvData == nullptr)
        return E_POINTER;
    if (uCode != QDC_SEL_DEVICE_KEY && uCode != QDC_CON_DEVICE_KEY)
        return E_NOTIMPL;
    HKEY key = nullptr;
    const LONG result =
        RegCreateKeyExA(HKEY_CURRENT_USER, PartnerKeyPath(m_partnership).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(static_cast<DWORD>(result));
    *ppvData = key;
    return S_OK;
}

} // namespace jsync
