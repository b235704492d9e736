// JOTTAPC, the desktop store provider: an in-process COM server that serves
// one class, the note store over Outlook's Notes folder (IReplStore). The
// library exports exactly these two entry points; it does not register
// itself (the installer writes the registration).
#pragma once

#include "platform/base/windef.h"

#define JOTTAPC_EXPORT __attribute__((visibility("default")))

// The class under which the installer registers the store.
// {6A1F3C52-8E4B-4D7A-9B21-5C0E7D3F9A14}
inline constexpr CLSID CLSID_JotterwickStore = {
    0x6A1F3C52, 0x8E4B, 0x4D7A, {0x9B, 0x21, 0x5C, 0x0E, 0x7D, 0x3F, 0x9A, 0x14}};
inline constexpr char kJotterwickStoreProgId[] = "Jotterwick.WinCE.Jotterwick";
// The one object type the store serves.
inline constexpr char kJotterwickObjectType[] = "Jotterwick";

extern "C" {
// A new class factory for IID_IUnknown or IID_IClassFactory (the class
// identifier is not examined); CLASS_E_CLASSNOTAVAILABLE for any other
// interface, *ppv untouched.
JOTTAPC_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
// S_FALSE while a store is alive or the server is locked, else S_OK.
JOTTAPC_EXPORT HRESULT DllCanUnloadNow();
}
