// The class factory of the note store; one is made per DllGetClassObject.
#pragma once

#include "platform/com/objbase.h"

class CNoteStoreFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // A new store that holds the one reference *ppvObject receives; with an
    // outer object only IID_IUnknown is served, and the store is aggregated.
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT LockServer(BOOL fLock) override;

private:
    ~CNoteStoreFactory() = default;
    LONG volatile m_cRef = 0;
};
