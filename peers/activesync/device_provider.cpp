#include "peers/activesync/device_provider.h"
#include "peers/activesync/object_handler.h"

#include "peers/ceappmgr/app_manager.h"
#include "platform/base/library_check.h"
#include "platform/ce/database.h"
#include "platform/ce/machine.h"
#include "platform/win32/path.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstring>

namespace jsync {

using platform::Result;
using platform::Status;

namespace {

char16_t kObjectType[] = u"Jotterwick";

OBJNOTIFY Notification(CEOID oid, UINT flags, CEOID database, UINT partnerBit) {
    OBJNOTIFY n{};
    n.cbStruct = sizeof n;
    std::memcpy(n.szObjType, kObjectType, sizeof kObjectType);
    n.uFlags = flags;
    n.uPartnerBit = partnerBit;
    n.oidObject = oid;
    n.oidInfo.wObjType = OBJTYPE_RECORD;
    n.oidInfo.infRecord.oidParent = database;
    return n;
}

REPLSETUP Setup(bool read, CEOID oid) {
    REPLSETUP setup{};
    setup.cbStruct = sizeof setup;
    setup.fRead = read ? TRUE : FALSE;
    std::memcpy(setup.szObjType, "Jotterwick", sizeof "Jotterwick");
    setup.oid = oid;
    return setup;
}

// A handheld path ("\Program Files\...", as the application manager
// registers it) names a file of the handheld's folder.
std::string HostLibraryPath(const std::string& registered) {
    if (!registered.empty() && registered[0] == '\\')
        return ce::HandheldDirectory() + win32::HostPath(registered);
    return registered;
}

// The handheld provider comes from jsync's installation, or from the
// handheld's own program folder when the application manager put exactly
// that file there from a package of this desktop's store.
std::vector<std::string> ProviderFolders(const std::string& path) {
    std::vector<std::string> folders = platform::InstalledLibraryFolders();
    char resolved[PATH_MAX];
    const std::string programFiles = ce::HandheldDirectory() + "/Program Files";
    if (ceappmgr::IsFromStoredPackage(path) && realpath(programFiles.c_str(), resolved))
        folders.push_back(resolved);
    return folders;
}

} // namespace

Result<std::unique_ptr<DeviceProvider>> DeviceProvider::Load(const std::string& library,
                                                             UINT partnerBit) {
    // The handheld's registry only names the library; what runs is always
    // one of jsync's own installation or of the handheld's program folder.
    const std::string path = HostLibraryPath(library);
    JW_ASSIGN_OR_RETURN(
        auto checked,
        platform::CheckLibrary(path,
                               "the handheld registry value HKLM\\Windows CE "
                               "Services\\Synchronization\\Objects\\Jotterwick \"Store\"",
                               ProviderFolders(path)));
    std::unique_ptr<DeviceProvider> provider(new DeviceProvider);
    provider->m_library = dlopen(checked.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!provider->m_library) {
        const char* why = dlerror();
        return Status::Failure(ERROR_FILE_NOT_FOUND, "cannot load the handheld provider " +
                                                         library + ": " + (why ? why : "?"));
    }
    auto find = [&](const char* name) { return dlsym(provider->m_library, name); };
    provider->m_initObjType = reinterpret_cast<PFN_InitObjType>(find("InitObjType"));
    provider->m_objectNotify = reinterpret_cast<PFN_ObjectNotify>(find("ObjectNotify"));
    provider->m_getObjTypeInfo = reinterpret_cast<PFN_GetObjTypeInfo>(find("GetObjTypeInfo"));
    provider->m_reportStatus = reinterpret_cast<PFN_ReportStatus>(find("ReportStatus"));
    if (!provider->m_initObjType || !provider->m_objectNotify || !provider->m_getObjTypeInfo ||
        !provider->m_reportStatus)
        return Status::Failure(ERROR_INVALID_FUNCTION,
                               library + " lacks one of InitObjType, ObjectNotify, "
                                         "GetObjTypeInfo and ReportStatus");

    provider->m_initialized = true;
    if (!provider->m_initObjType(kObjectType, &provider->m_handler, partnerBit) ||
        !provider->m_handler)
        return Status::Failure(ERROR_ACCESS_DENIED, "the handheld provider could not "
                                                    "open its note database");

    // The provider names its database; the manager finds its identifier to
    // tell the provider's records from others.
    OBJTYPEINFO info{};
    info.cbStruct = sizeof info;
    std::memcpy(info.szObjType, kObjectType, sizeof kObjectType);
    if (!provider->m_getObjTypeInfo(&info))
        return Status::Failure(ERROR_INVALID_DATA,
                               "the handheld provider gave no type information");
    WCHAR name[81] = {};
    std::memcpy(name, info.szName, sizeof info.szName);
    CEOID database = 0;
    HANDLE probe = CeOpenDatabase(&database, name, 0, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return Status::Failure(GetLastError(), "the handheld has no note database");
    CloseHandle(probe);
    provider->m_database = database;
    return provider;
}

DeviceProvider::~DeviceProvider() {
    if (m_handler)
        m_handler->Release();
    if (m_initialized)
        m_initObjType(nullptr, nullptr, 0);
    if (m_library)
        dlclose(m_library);
}

std::size_t DeviceProvider::NoteCount() {
    OBJTYPEINFO info{};
    info.cbStruct = sizeof info;
    std::memcpy(info.szObjType, kObjectType, sizeof kObjectType);
    return m_getObjTypeInfo(&info) ? info.cObjects : 0;
}

DeviceInterest DeviceProvider::Notify(CEOID oid, bool deleted, DWORD* error) {
    OBJNOTIFY n =
        Notification(oid, ONF_RECORD | (deleted ? ONF_DELETED : ONF_CHANGED), m_database, 0);
    // Counts the provider leaves alone mean: not changed for this partner.
    n.cOidChg = 0;
    n.cOidDel = 0;
    if (!m_objectNotify(&n)) {
        if (n.uError == ERROR_SUCCESS)
            return DeviceInterest::NotOfInterest;
        if (error)
            *error = n.uError;
        return DeviceInterest::Failed;
    }
    if (n.cOidChg > 0)
        return DeviceInterest::Changed;
    if (n.cOidDel > 0)
        return DeviceInterest::Deleted;
    return DeviceInterest::InStep;
}

DWORD DeviceProvider::ClearChange(CEOID oid) {
    OBJNOTIFY n = Notification(oid, ONF_RECORD | ONF_CLEAR_CHANGE, m_database, 0);
    // Answers FALSE by contract: only its error tells a stamp that failed.
    m_objectNotify(&n);
    return n.uError;
}

HRESULT DeviceProvider::GetPacket(CEOID oid, Bytes* packet) {
    m_readSetup = Setup(true, oid);
    return ReadPacket(*m_handler, &m_readSetup, packet);
}

HRESULT DeviceProvider::SetPacket(CEOID oid, const Bytes& packet, CEOID* written) {
    m_writeSetup = Setup(false, oid);
    HRESULT hr = m_handler->Setup(&m_writeSetup);
    if (FAILED(hr))
        return hr;
    hr = m_handler->SetPacket(const_cast<LPBYTE>(packet.data()), static_cast<DWORD>(packet.size()));
    if (FAILED(hr))
        return hr;
    *written = m_writeSetup.oidNew != 0 ? m_writeSetup.oidNew : oid;
    return *written != 0 ? S_OK : E_FAIL;
}

HRESULT DeviceProvider::DeleteObj(CEOID oid) {
    REPLSETUP setup = Setup(false, oid);
    return m_handler->DeleteObj(&setup);
}

void DeviceProvider::ReportStatus(UINT code) {
    m_reportStatus(kObjectType, code, 0);
}

} // namespace jsync
