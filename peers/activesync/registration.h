// How the service managers find the two providers of the object type
// "Jotterwick", and the registration jsync writes until the installer does:
//
// Desktop registry
//   HKLM "Software\Microsoft\Windows CE Services\Services\Synchronization\Objects\Jotterwick"
//        "Store" = the store's ProgID, "Display Name" = "Jotterwick"
//   HKCR "<ProgID>\CLSID"                      (default) = "{class id}"
//   HKCR "CLSID\{class id}\ProgID"             (default) = the ProgID
//   HKCR "CLSID\{class id}\InprocServer32"     (default) = path of libjottapc.so
//   HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\CEAPPMGR.EXE"
//        (default) = path of the application manager ceappmgr, a piece of the
//        service managers' own set-up that installers look up
// Handheld registry
//   HKLM "Windows CE Services\Synchronization\Objects\Jotterwick"
//        "Store" = path of libjottadev.so (a host path, or a handheld path
//        "\Program Files\..." as the application manager installs it),
//        "Display Name" = "Jotterwick"
#pragma once

#include "platform/base/status.h"
#include "platform/base/windef.h"

#include <string>

namespace jsync {

// The libraries jsync registers when no registration is present: the installed
// ones when jsync runs installed, else those built beside it.
struct ProviderLibraries {
    std::string desktopStore;   // libjottapc.so
    std::string deviceProvider; // libjottadev.so
    std::string outlook;        // liboutlook.so, the Outlook stand-in; may be empty
    std::string appManager;     // the program ceappmgr; may be empty
};
ProviderLibraries BuiltLibraries();

// What the registries say: the desktop store's ProgID and class, and the
// device provider's library.
struct ProviderRegistration {
    std::string progId;
    CLSID clsid{};
    std::string deviceLibrary;
};

enum class WriteMissing { No, Yes };

// Reads both registrations. With WriteMissing::Yes, a registration that is
// absent is first written for `libraries` (and the Outlook stand-in is
// registered when Outlook is not, and the application manager when its App
// Paths entry is missing or names no file); a registration that is present
// is never changed. Fails with a message naming what is missing or broken.
platform::Result<ProviderRegistration> FindProviders(const ProviderLibraries& libraries,
                                                     WriteMissing write);

} // namespace jsync
