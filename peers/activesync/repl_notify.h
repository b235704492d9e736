// The callback the desktop service manager gives the store at Initialize:
// it hands out the per-device registry key of the partnership,
//   HKCU "Software\Microsoft\Windows CE Services\Partners\<partnership, 8 hex digits>",
// in which the store keeps its options ("StopColor", "FilterCat" ...).
// Lives as long as the manager; its reference count is not used.
#pragma once

#include "platform/activesync/replstore.h"

#include <cstdint>
#include <string>

namespace jsync {

std::string PartnerKeyPath(std::uint32_t partnership);

class ReplNotify final : public IReplNotify {
public:
    explicit ReplNotify(std::uint32_t partnership) : m_partnership(partnership) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT SetStatusText(LPSTR lpszText) override;
    // No window: the store's message boxes have no owner.
    HWND GetWindow(UINT uFlags) override;
    HRESULT OnItemNotify(UINT uCode, LPSTR lpszProgId, LPSTR lpszName, HREPLITEM hItem,
                         ULONG ulFlags) override;
    // QDC_SEL_DEVICE_KEY and QDC_CON_DEVICE_KEY: the partnership's key, made
    // when missing; the store closes it. Other codes: E_NOTIMPL.
    HRESULT QueryDevice(UINT uCode, void** ppvData) override;

private:
    std::uint32_t m_partnership;
};

} // namespace jsync
