// The partnership state files of the managers, under <machine>/activesync/.
#pragma once

#include "platform/base/private_files.h"
#include "platform/base/sqlite.h"
#include "platform/base/status.h"

#include <filesystem>
#include <memory>
#include <string>

namespace jsync {

// Opens (creating the folder and the file when missing) <machineDir>/activesync/<fileName>.
inline platform::Result<std::shared_ptr<platform::sqlite::Connection>>
OpenStateFile(const std::string& machineDir, const std::string& fileName) {
    const std::string dir = machineDir + "/activesync";
    platform::MakePrivateDirectories(dir);
    if (!std::filesystem::is_directory(dir))
        return platform::Status::Failure(ERROR_ACCESS_DENIED, "cannot create " + dir);
    return platform::sqlite::Connection::Open(dir + "/" + fileName);
}

} // namespace jsync
