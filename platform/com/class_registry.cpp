// Class lookup (ProgID -> CLSID -> in-process library) and object creation.
#include "platform/com/objbase.h"

#include "platform/base/library_check.h"
#include "platform/win32/codepage.h"
#include "platform/win32/machine.h"
#include "platform/win32/path.h"
#include "platform/win32/registry.h"

#include <cstdio>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <climits>
#include <cstdlib>

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

// A desktop's servers come from this program's installation or from the
// desktop's own program folder, where its installer copies them.
std::vector<std::string> ServerFolders() {
    std::vector<std::string> folders = platform::InstalledLibraryFolders();
    char resolved[PATH_MAX];
    const std::string programFiles = win32::DesktopDirectory() + "/Program Files";
    if (realpath(programFiles.c_str(), resolved))
        folders.push_back(resolved);
    return folders;
}

// The value is a desktop path: an installer writes it with '\'. One rooted
// at '\' ("\Program Files\...") lies in the desktop's own folder, so that a
// copy of the desktop names the copy of its library.
std::string ServerPath(const std::string& value) {
    if (!value.empty() && value[0] == '\\')
        return win32::DesktopDirectory() + win32::HostPath(value);
    return win32::HostPath(value);
}

// The library's handle, loading it on first use. Sets *hr and returns null
// when the library is refused or can't be loaded; a refusal is also said on
// standard error, since the caller's message may only carry the result code.
void* LoadServer(const std::string& classKey, const std::string& path, HRESULT* hr) {
    auto checked = platform::CheckLibrary(
        path, "the desktop registry value HKCR\\" + classKey + "\\InprocServer32", ServerFolders());
    if (!checked.ok()) {
        std::fprintf(stderr, "jotterwick: %s\n", checked.status().message().c_str());
        platform::ReportFailure(checked.status());
        *hr = checked.status().code() == ERROR_ACCESS_DENIED ? E_ACCESSDENIED : CO_E_DLLNOTFOUND;
        return nullptr;
    }
    auto& libraries = Libraries();
    std::lock_guard lock(libraries.mutex);
    if (auto found = libraries.handles.find(*checked); found != libraries.handles.end())
        return found->second;
    void* handle = dlopen(checked->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle)
        libraries.handles.emplace(*checked, handle);
    else
        *hr = CO_E_DLLNOTFOUND;
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
    const std::string classKey = ClassKeyName(rclsid);
    const auto path = ReadClassesText(classKey + "\\InprocServer32");
    if (!path || path->empty())
        return REGDB_E_CLASSNOTREG;
    HRESULT loaded = S_OK;
    void* library = LoadServer(classKey, ServerPath(*path), &loaded);
    if (!library)
        return loaded;
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
