#include "peers/activesync/registration.h"

#include "platform/base/installation.h"
#include "platform/base/sqlite.h"
#include "platform/base/unicode.h"
#include "platform/ce/registry.h"
#include "platform/com/objbase.h"
#include "platform/win32/machine.h"
#include "platform/win32/registry.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace jsync {

using platform::Result;
using platform::Status;

namespace {

constexpr char kDesktopObjectKey[] =
    "Software\\Microsoft\\Windows CE Services\\Services\\Synchronization\\Objects\\Jotterwick";
constexpr char16_t kDeviceObjectKey[] =
    u"Windows CE Services\\Synchronization\\Objects\\Jotterwick";
constexpr char kAppManagerKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";

bool FileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

std::optional<std::string> ReadDeviceText(const char16_t* path, const char16_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<char16_t> text(4096, 0);
    DWORD size = static_cast<DWORD>((text.size() - 1) * sizeof(char16_t));
    DWORD type = 0;
    const LONG result =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    return unicode::ToUtf8(text.data());
}

// How a person installs the system on a desktop.
std::string HowToInstall(const std::string& desktop) {
    return "run the program setup of the distribution folder (build/dist of a build; "
           "installed, setup on the PATH) with --desktop " +
           desktop +
           " and press Install (setup --unattended installs without asking), then "
           "synchronize again";
}

} // namespace

Status RegisterAppManager() {
#ifndef JSYNC_BUILT_CEAPPMGR
#define JSYNC_BUILT_CEAPPMGR ""
#endif
    const auto registered = win32::ReadRegistryText(HKEY_LOCAL_MACHINE, kAppManagerKey, nullptr);
    if (registered && FileExists(*registered))
        return Status();
    // Installed, the application manager is a program beside jsync.
    std::string program = platform::ProgramDirectory() + "/ceappmgr";
    if (!FileExists(program))
        program = JSYNC_BUILT_CEAPPMGR;
    if (!FileExists(program))
        return Status();
    if (LONG result =
            win32::WriteRegistryText(HKEY_LOCAL_MACHINE, kAppManagerKey, nullptr, program);
        result != ERROR_SUCCESS)
        return Status::Failure(static_cast<DWORD>(result),
                               "cannot write the application manager's App Paths entry in " +
                                   win32::DesktopDirectory() + "/registry.db (error " +
                                   std::to_string(result) + ")" +
                                   platform::sqlite::FileAdvice(static_cast<DWORD>(result)));
    return Status();
}

bool DesktopProviderRegistered() {
    const auto progId = win32::ReadRegistryText(HKEY_LOCAL_MACHINE, kDesktopObjectKey, "Store");
    return progId && !progId->empty();
}

bool DeviceProviderRegistered() {
    // Only a key or value that is not there counts as missing: a registry
    // that cannot be read is the handheld store's trouble, which opening
    // the store reports with what to do.
    HKEY key = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceObjectKey, 0, KEY_READ, &key);
    if (result != ERROR_SUCCESS)
        return result != ERROR_FILE_NOT_FOUND;
    DWORD size = 0, type = 0;
    result = RegQueryValueExW(key, u"Store", nullptr, &type, nullptr, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return result != ERROR_FILE_NOT_FOUND;
    return type == REG_SZ && size > sizeof(char16_t);
}

Status NotInstalledOnDesktop(const std::string& desktop) {
    return Status::Failure(ERROR_FILE_NOT_FOUND, "Jotterwick is not installed on the desktop " +
                                                     desktop + ": " + HowToInstall(desktop));
}

Status NotInstalledOnHandheld(const std::string& handheld, const std::string& desktop) {
    return Status::Failure(ERROR_FILE_NOT_FOUND,
                           "Jotterwick is not installed on the handheld " + handheld +
                               ", and the application manager of the desktop holds no package "
                               "for it: " +
                               HowToInstall(desktop));
}

Result<ProviderRegistration> FindProviders() {
    ProviderRegistration found;
    const auto progId = win32::ReadRegistryText(HKEY_LOCAL_MACHINE, kDesktopObjectKey, "Store");
    if (!progId || progId->empty())
        return Status::Failure(ERROR_FILE_NOT_FOUND,
                               "no desktop provider is registered for the object type Jotterwick");
    found.progId = *progId;
    const std::u16string wideProgId = unicode::ToUtf16(found.progId);
    if (FAILED(CLSIDFromProgID(wideProgId.c_str(), &found.clsid)))
        return Status::Failure(ERROR_FILE_NOT_FOUND, "the desktop provider's ProgID " +
                                                         found.progId + " has no class registered");
    const auto device = ReadDeviceText(kDeviceObjectKey, u"Store");
    if (!device || device->empty())
        return Status::Failure(ERROR_FILE_NOT_FOUND,
                               "no handheld provider is registered for the object type Jotterwick");
    found.deviceLibrary = *device;
    return found;
}

} // namespace jsync
