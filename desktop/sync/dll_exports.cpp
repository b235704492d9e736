// The server's two exports, the only symbols the library shows.
#include "desktop/sync/module.h"

#include "desktop/sync/note_store_factory.h"
#include "desktop/sync/jottapc.h"

#include <new>

extern "C" JOTTAPC_EXPORT HRESULT DllGetClassObject(REFCLSID, REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (!(riid == IID_IUnknown) && !(riid == IID_IClassFactory))
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) CNoteStoreFactory;
    *ppv = static_cast<IClassFactory*>(factory);
    if (factory == nullptr)
        return E_OUTOFMEMORY;
    factory->AddRef();
    return S_OK;
}

extern "C" JOTTAPC_EXPORT HRESULT DllCanUnloadNow() {
    return jottapc::g_cObjects != 0 || jottapc::g_cLocks != 0 ? S_FALSE : S_OK;
}
