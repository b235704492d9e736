#include "peers/activesync/registration.h"

#include "desktop/sync/jottapc.h"
#include "platform/base/installation.h"
#include "platform/base/sqlite.h"
#include "platform/base/unicode.h"
#include "platform/ce/machine.h"
#include "platform/ce/registry.h"
#include "platform/com/objbase.h"
#include "platform/win32/machine.h"
#include "platform/win32/registry.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <vector>

#ifdef JSYNC_HAS_OUTLOOK_STANDIN
#include "peers/outlook/registration.h"
#endif

namespace jsync {

using platform::Result;
using platform::Status;

namespace {

constexpr char kDesktopObjectKey[] =
    "Software\\Microsoft\\Windows CE Services\\Services\\Synchronization\\Objects\\Jotterwick";
constexpr char16_t kDeviceObjectKey[] =
    u"Windows CE Services\\Synchronization\\Objects\\Jotterwick";
constexpr char kDisplayName[] = "Jotterwick";
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

LONG WriteDeviceText(const char16_t* path, const char16_t* name, const std::u16string& text) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
    RegCloseKey(key);
    return result;
}

std::string ClassIdText(const CLSID& clsid) {
    OLECHAR text[39] = {};
    StringFromGUID2(clsid, text, 39);
    return unicode::ToUtf8(std::u16string_view(text, 38));
}

// The registry files the registrations live in.
std::string DesktopRegistryFile() {
    return win32::DesktopDirectory() + "/registry.db";
}
std::string HandheldRegistryFile() {
    return ce::HandheldDirectory() + "/objectstore.db";
}

Status RegistryFailure(LONG result, const std::string& what, const std::string& file) {
    return Status::Failure(static_cast<DWORD>(result),
                           "cannot write " + what + " in " + file + " (error " +
                               std::to_string(result) + ")" +
                               platform::sqlite::FileAdvice(static_cast<DWORD>(result)));
}

Status RegisterDesktopStore(const std::string& library) {
    if (!FileExists(library))
        return Status::Failure(ERROR_FILE_NOT_FOUND, "the desktop provider is not registered and " +
                                                         library + " does not exist");
    const std::string clsid = ClassIdText(CLSID_JotterwickStore);
    const std::string classKey = "CLSID\\" + clsid;
    struct Entry {
        HKEY root;
        std::string path;
        const char* name;
        std::string text;
    };
    const Entry entries[] = {
        {HKEY_CLASSES_ROOT, std::string(kJotterwickStoreProgId) + "\\CLSID", nullptr, clsid},
        {HKEY_CLASSES_ROOT, classKey + "\\ProgID", nullptr, kJotterwickStoreProgId},
        {HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", nullptr, library},
        {HKEY_LOCAL_MACHINE, kDesktopObjectKey, "Display Name", kDisplayName},
        // Last: the object type's key is what tells that a registration exists.
        {HKEY_LOCAL_MACHINE, kDesktopObjectKey, "Store", kJotterwickStoreProgId},
    };
    for (const Entry& entry : entries)
        if (LONG result = win32::WriteRegistryText(entry.root, entry.path, entry.name, entry.text);
            result != ERROR_SUCCESS)
            return RegistryFailure(result, "the desktop registration", DesktopRegistryFile());
    return Status();
}

Status RegisterDeviceProvider(const std::string& library) {
    if (!FileExists(library))
        return Status::Failure(ERROR_FILE_NOT_FOUND,
                               "the handheld provider is not registered and " + library +
                                   " does not exist");
    LONG result = WriteDeviceText(kDeviceObjectKey, u"Display Name", u"Jotterwick");
    if (result == ERROR_SUCCESS)
        result = WriteDeviceText(kDeviceObjectKey, u"Store", unicode::ToUtf16(library));
    return result == ERROR_SUCCESS
               ? Status()
               : RegistryFailure(result, "the handheld registration", HandheldRegistryFile());
}

Status RegisterOutlookWhenMissing([[maybe_unused]] const std::string& library) {
#ifdef JSYNC_HAS_OUTLOOK_STANDIN
    if (!outlook::IsServerRegistered() && FileExists(library) && !outlook::RegisterServer(library))
        return RegistryFailure(static_cast<LONG>(GetLastError()), "the Outlook registration",
                               DesktopRegistryFile());
#endif
    return Status();
}

Status RegisterAppManagerWhenMissing(const std::string& program) {
    const auto registered = win32::ReadRegistryText(HKEY_LOCAL_MACHINE, kAppManagerKey, nullptr);
    if ((registered && FileExists(*registered)) || !FileExists(program))
        return Status();
    if (LONG result =
            win32::WriteRegistryText(HKEY_LOCAL_MACHINE, kAppManagerKey, nullptr, program);
        result != ERROR_SUCCESS)
        return RegistryFailure(result, "the application manager's App Paths entry",
                               DesktopRegistryFile());
    return Status();
}

} // namespace

ProviderLibraries BuiltLibraries() {
#ifndef JSYNC_BUILT_JOTTAPC
#define JSYNC_BUILT_JOTTAPC ""
#endif
#ifndef JSYNC_BUILT_JOTTADEV
#define JSYNC_BUILT_JOTTADEV ""
#endif
#ifndef JSYNC_BUILT_OUTLOOK
#define JSYNC_BUILT_OUTLOOK ""
#endif
#ifndef JSYNC_BUILT_CEAPPMGR
#define JSYNC_BUILT_CEAPPMGR ""
#endif
    // Installed, the application manager is a program beside jsync.
    std::string appManager = platform::ProgramDirectory() + "/ceappmgr";
    if (!FileExists(appManager))
        appManager = JSYNC_BUILT_CEAPPMGR;
    return {platform::RuntimeLibraryPath(JSYNC_BUILT_JOTTAPC, "libjottapc.so"),
            platform::RuntimeLibraryPath(JSYNC_BUILT_JOTTADEV, "libjottadev.so"),
            platform::RuntimeLibraryPath(JSYNC_BUILT_OUTLOOK, "liboutlook.so"), appManager};
}

Result<ProviderRegistration> FindProviders(const ProviderLibraries& libraries, WriteMissing write) {
    if (write == WriteMissing::Yes) {
        if (!win32::ReadRegistryText(HKEY_LOCAL_MACHINE, kDesktopObjectKey, "Store"))
            JW_RETURN_IF_FAILED(RegisterDesktopStore(libraries.desktopStore));
        if (!ReadDeviceText(kDeviceObjectKey, u"Store"))
            JW_RETURN_IF_FAILED(RegisterDeviceProvider(libraries.deviceProvider));
        JW_RETURN_IF_FAILED(RegisterOutlookWhenMissing(libraries.outlook));
        JW_RETURN_IF_FAILED(RegisterAppManagerWhenMissing(libraries.appManager));
    }

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
