// The in-process server's exports: the class object of "Outlook.Application"
// and the unload test.
#include "peers/outlook/application.h"
#include "peers/outlook/fault_switch.h"
#include "peers/outlook/registration.h"

#include <atomic>

#define OUTLOOK_EXPORT extern "C" __attribute__((visibility("default")))

namespace outlook {

namespace {

std::atomic<LONG> g_locks{0};
std::atomic<LONG> g_factories{0};

class ClassFactory : public IClassFactory {
public:
    ClassFactory() { ++g_factories; }
    virtual ~ClassFactory() { --g_factories; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_references; }
    ULONG Release() override {
        const ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        // Nothing thrown inside (only std::bad_alloc can be) leaves through the COM call.
        try {
            auto store = MessageStore::ForCurrentDesktop();
            if (!store.ok())
                return E_FAIL;
            LoadRegistryFaults();
            auto* application = new Application(store.value());
            const HRESULT hr = application->QueryInterface(riid, ppv);
            application->Release();
            return hr;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT LockServer(BOOL lock) override {
        if (lock)
            ++g_locks;
        else
            --g_locks;
        return S_OK;
    }

private:
    std::atomic<ULONG> m_references{1};
};

} // namespace

} // namespace outlook

OUTLOOK_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (!(rclsid == outlook::CLSID_OutlookApplication)) {
        *ppv = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new (std::nothrow) outlook::ClassFactory;
    if (!factory) {
        *ppv = nullptr;
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

OUTLOOK_EXPORT HRESULT DllCanUnloadNow() {
    return outlook::DispatchObject::LiveObjects() == 0 && outlook::g_locks == 0 &&
                   outlook::g_factories == 0
               ? S_OK
               : S_FALSE;
}
