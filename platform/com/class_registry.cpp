// Class lookup (ProgID -> CLSID -> in-process library) and object creation.
#include "platform/com/objbase.h"

#include "platform/win32/codepage.h"
#include "platform/win32/registry.h"

#include <dlfcn.h>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace {

thread_local int t_initializeCount = 0;

struct LoadedLibraries {
    std::mutex mutex;
    std::map<std::string, void*> handles; // library path -> dlopen handle
};

LoadedLibraries& Libraries() {
    static LoadedLibraries libraries;
    return libraries;
}

// The default (unnamed) text value of HKCR\<path>.
std::optional<std::string> ReadClassesText(const std::string& path) {
    return win32::ReadRegistryText(HKEY_CLASSES_ROOT, path, nullptr);
}

std::string ClassKeyName(REFCLSID clsid) {
    OLECHAR text[39];
    StringFromGUID2(clsid, text, 39);
    return "CLSID\\" + win32::WideToAnsi(std::u16string_view(text, 38));
}

// The library's handle, loading it on first use. Null when it can't be loaded.
void* LoadServer(const std::string& path) {
    auto& libraries = Libraries();
    std::lock_guard lock(libraries.mutex);
    if (auto found = libraries.handles.find(path); found != libraries.handles.end())
        return found->second;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle)
        libraries.handles.emplace(path, handle);
    return handle;
}

} // namespace

HRESULT CoInitialize(void*) {
    return t_initializeCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (t_initializeCount > 0)
        --t_initializeCount;
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
    if (!lpszProgID || !lpclsid)
        return E_INVALIDARG;
    const std::string progId = win32::WideToAnsi(lpszProgID);
    if (progId.empty())
        return CO_E_CLASSSTRING;
    const auto text = ReadClassesText(progId + "\\CLSID");
    if (!text)
        return CO_E_CLASSSTRING;
    const std::u16string wide = win32::AnsiToWide(*text);
    CLSID clsid;
    if (FAILED(CLSIDFromString(wide.c_str(), &clsid)))
        return CO_E_CLASSSTRING;
    *lpclsid = clsid;
    return S_OK;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void*, REFIID riid, void** ppv) {
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (!(dwClsContext & CLSCTX_INPROC))
        return REGDB_E_CLASSNOTREG;
    const auto path = ReadClassesText(ClassKeyName(rclsid) + "\\InprocServer32");
    if (!path || path->empty())
        return REGDB_E_CLASSNOTREG;
    void* library = LoadServer(*path);
    if (!library)
        return CO_E_DLLNOTFOUND;
    auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(library, "DllGetClassObject"));
    if (!getClassObject)
        return CO_E_ERRORINDLL;
    return getClassObject(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    if (!factory)
        return E_UNEXPECTED;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    if (FAILED(hr))
        *ppv = nullptr;
    return hr;
}

void CoFreeUnusedLibraries() {
    auto& libraries = Libraries();
    std::lock_guard lock(libraries.mutex);
    for (auto it = libraries.handles.begin(); it != libraries.handles.end();) {
        auto canUnload = reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(it->second, "DllCanUnloadNow"));
        if (canUnload && canUnload() == S_OK) {
            dlclose(it->second);
            it = libraries.handles.erase(it);
        } else {
            ++it;
        }
    }
}

HRESULT OleRun(LPUNKNOWN pUnknown) {
    if (!pUnknown)
        return E_INVALIDARG;
    IRunnableObject* runnable = nullptr;
    if (FAILED(
            pUnknown->QueryInterface(IID_IRunnableObject, reinterpret_cast<void**>(&runnable))) ||
        !runnable)
        return S_OK;
    const HRESULT hr = runnable->Run(nullptr);
    runnable->Release();
    return hr;
}
