// COM runtime: class factories, class lookup through the desktop registry
// and creation of objects served by in-process libraries.
//
// A class is registered in the desktop registry (see platform/win32/registry.h):
//   HKCR\<ProgID>\CLSID                       = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
//   HKCR\CLSID\{...}\InprocServer32           = path of the shared library
// The library is loaded with dlopen and asked for its class object through its
// exported DllGetClassObject; loaded libraries stay loaded until
// CoFreeUnusedLibraries finds that their DllCanUnloadNow answers S_OK.
//
// The runtime works from the registry file alone, so CoInitialize is counted
// but not required before CoCreateInstance.
#pragma once

#include "platform/base/windef.h"

using LPOLESTR = char16_t*;
using LPCOLESTR = const char16_t*;
using OLECHAR = char16_t;
using LPCLSID = CLSID*;
using REFGUID = const GUID&;

inline constexpr IID IID_NULL = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr CLSID CLSID_NULL = IID_NULL;
inline constexpr IID IID_IRunnableObject = {
    0x00000126, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr HRESULT CO_E_NOTINITIALIZED = HResult(0x800401F0);
constexpr HRESULT CO_E_DLLNOTFOUND = HResult(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = HResult(0x800401F9);
constexpr HRESULT REGDB_E_READREGDB = HResult(0x80040150);
constexpr HRESULT REGDB_E_WRITEREGDB = HResult(0x80040151);
constexpr HRESULT REGDB_E_KEYMISSING = HResult(0x80040152);
constexpr HRESULT MK_E_UNAVAILABLE = HResult(0x800401E3);

// Class contexts. Only in-process servers exist on this desktop: a request
// that allows no in-process server fails with REGDB_E_CLASSNOTREG.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_SERVER | CLSCTX_INPROC_HANDLER;

// Slots: QueryInterface, AddRef, Release, CreateInstance, LockServer.
struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;

protected:
    ~IClassFactory() = default;
};
using LPCLASSFACTORY = IClassFactory*;

// Slots: QueryInterface, AddRef, Release, GetRunningClass, Run, IsRunning,
// LockRunning, SetContainedObject. OleRun calls Run when an object has it.
struct IRunnableObject : IUnknown {
    virtual HRESULT GetRunningClass(LPCLSID lpClsid) = 0;
    virtual HRESULT Run(void* pbc) = 0;
    virtual BOOL IsRunning() = 0;
    virtual HRESULT LockRunning(BOOL fLock, BOOL fLastUnlockCloses) = 0;
    virtual HRESULT SetContainedObject(BOOL fContained) = 0;

protected:
    ~IRunnableObject() = default;
};

// The two exports of an in-process server, as CoGetClassObject finds them.
using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID rclsid, REFIID riid, void** ppv);
using LPFNCANUNLOADNOW = HRESULT (*)();

// S_OK on the first call of a thread, S_FALSE on further ones.
HRESULT CoInitialize(void* pvReserved);
void CoUninitialize();

// Reads HKCR\<ProgID>\CLSID. CO_E_CLASSSTRING for an unknown ProgID
// (REGDB_E_WRITEREGDB never: nothing is written), *lpclsid left alone on failure.
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", hex digits of either case.
// CO_E_CLASSSTRING for anything else.
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
// Writes the braced form (39 characters with the terminator, upper-case hex).
// Returns the characters written including the terminator, or 0 when cchMax
// is too small (nothing written then).
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);

// REGDB_E_CLASSNOTREG when the class or its InprocServer32 is missing,
// CO_E_DLLNOTFOUND when the library can't be loaded, E_ACCESSDENIED when it is
// refused (outside this program's installation and the desktop's
// "Program Files", or changeable by others: see platform/base/library_check.h;
// the last error message says why), CO_E_ERRORINDLL when it lacks
// DllGetClassObject; otherwise the server's own result.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void* pvReserved, REFIID riid,
                         void** ppv);
// CoGetClassObject for IID_IClassFactory, then CreateInstance. *ppv is null on failure.
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv);
// Unloads the libraries this runtime loaded whose DllCanUnloadNow answers S_OK.
void CoFreeUnusedLibraries();

// Puts an object into its running state: IRunnableObject::Run when it has
// that interface, else S_OK (the object is running already). E_INVALIDARG for null.
HRESULT OleRun(LPUNKNOWN pUnknown);
