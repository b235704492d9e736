#include "desktop/sync/note_store_factory.h"

#include "desktop/sync/module.h"
#include "desktop/sync/note_store.h"
#include "platform/base/kernel.h"

HRESULT CNoteStoreFactory::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        AddRef();
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG CNoteStoreFactory::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG CNoteStoreFactory::Release() {
    const LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT CNoteStoreFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr)
        return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter != nullptr && !(riid == IID_IUnknown))
        return E_NOINTERFACE;
    CNoteStore* store = CNoteStore::Create(pUnkOuter);
    if (store == nullptr)
        return E_OUTOFMEMORY;
    // Aggregated, the outer object gets the store's own identity, through
    // which it alone controls the store's lifetime.
    const HRESULT hr = store->Identity()->QueryInterface(riid, ppvObject);
    InterlockedIncrement(&jottapc::g_cObjects);
    if (FAILED(hr))
        delete store;
    return hr;
}

HRESULT CNoteStoreFactory::LockServer(BOOL fLock) {
    if (fLock)
        InterlockedIncrement(&jottapc::g_cLocks);
    else
        InterlockedDecrement(&jottapc::g_cLocks);
    return S_OK;
}
