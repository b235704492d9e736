// The handheld object handler: note records out as DeviceNotePackets, in
// from DesktopNotePackets, and deletions, for the handheld service manager.
#pragma once

#include "platform/activesync/replication.h"
#include "platform/base/kernel.h"

struct NoteFromDesktop;

class CNoteObjHandler final : public IReplObjHandler {
public:
    // Starts with one reference, the caller's.
    CNoteObjHandler() = default;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Setup(REPLSETUP* pSetup) override;
    HRESULT Reset(REPLSETUP* pSetup) override;
    HRESULT GetPacket(LPBYTE* lppbData, DWORD* pcbData, DWORD cbRecommend) override;
    HRESULT SetPacket(LPBYTE lpbData, DWORD cbData) override;
    HRESULT DeleteObj(REPLSETUP* pSetup) override;

private:
    ~CNoteObjHandler();
    HRESULT ChangeRecord(CEOID oid, const NoteFromDesktop& note, FILETIME now, bool* vanished);
    HRESULT CreateRecord(const NoteFromDesktop& note, FILETIME now);

    LONG m_cRef = 1;
    REPLSETUP* m_pReadSetup = nullptr;
    REPLSETUP* m_pWriteSetup = nullptr;
    LPBYTE m_pPacket = nullptr;
};
