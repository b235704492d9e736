// Fuzzes the application manager's readers of outside bytes: the input is
// taken as a handheld package (seed with the build's handheld-package/jotta.zip)
// and as an application manager ini file. Anything damaged must be refused
// with a message, never crash or read out of bounds; a package that is
// accepted must keep every rule of its description.
#include "peers/ceappmgr/app_manager_ini.h"
#include "peers/ceappmgr/package.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto package = ceappmgr::ReadPackage(bytes);
    if (package.ok()) {
        for (const ceappmgr::PackageFile& file : package->files)
            if ((file.destination + "\\").find("\\..\\") != std::string::npos ||
                file.destination.rfind("\\Program Files\\", 0) != 0 ||
                file.bytes.size() > ceappmgr::kMaxFileBytes)
                std::abort();
        for (const ceappmgr::PackageValue& value : package->values)
            if (value.root != "HKLM" && value.root != "HKCU" && value.root != "HKCR")
                std::abort();
    } else if (package.status().message().empty()) {
        std::abort();
    }
    auto ini = ceappmgr::ParseAppManagerIni(bytes, "fuzz.ini");
    if (ini.ok()) {
        for (const ceappmgr::Component& component : ini->components)
            for (const std::string& file : component.packageFiles)
                if (file.find_first_of("/\\") != std::string::npos || file == "..")
                    std::abort();
    } else if (ini.status().message().empty()) {
        std::abort();
    }
    return 0;
}
