// How the service managers find the two providers of the object type
// "Jotterwick". The installer writes these registrations (setup with
// Jottapc.inf on the desktop, the application manager's package on the
// handheld); jsync only reads them.
//
// Desktop registry
//   HKLM "Software\Microsoft\Windows CE Services\Services\Synchronization\Objects\Jotterwick"
//        "Store" = the store's ProgID, "Display Name" = "Jotterwick"
//   HKCR "<ProgID>\CLSID"                      (default) = "{class id}"
//   HKCR "CLSID\{class id}\ProgID"             (default) = the ProgID
//   HKCR "CLSID\{class id}\InprocServer32"     (default) = path of libjottapc.so (a
//        desktop path "\Program Files\..." as setup installs it)
//   HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\CEAPPMGR.EXE"
//        (default) = path of the application manager ceappmgr, a piece of the
//        service managers' own set-up that installers look up; jsync writes it
// Handheld registry
//   HKLM "Windows CE Services\Synchronization\Objects\Jotterwick"
//        "Store" = path of libjottadev.so (a handheld path
//        "\Program Files\..." as the application manager installs it),
//        "Display Name" = "Jotterwick"
#pragma once

#include "platform/base/status.h"
#include "platform/base/windef.h"

#include <string>

namespace jsync {

// The service managers' own set-up on the process's desktop: the App Paths
// entry of the application manager, written when it is missing or names no
// file (the installed ceappmgr beside jsync, else the one built with it).
platform::Status RegisterAppManager();

// Whether each half of the system is installed: the desktop's object type
// names a store, and the handheld's names a provider. Read only.
bool DesktopProviderRegistered();
bool DeviceProviderRegistered();

// The refusal when a half is missing: what is missing, and how to install it.
platform::Status NotInstalledOnDesktop(const std::string& desktop);
platform::Status NotInstalledOnHandheld(const std::string& handheld, const std::string& desktop);

// What the registries say: the desktop store's ProgID and class, and the
// device provider's library.
struct ProviderRegistration {
    std::string progId;
    CLSID clsid{};
    std::string deviceLibrary;
};

// Reads both registrations; fails with a message naming what is missing or
// broken. Never writes.
platform::Result<ProviderRegistration> FindProviders();

} // namespace jsync
