#include "peers/ceappmgr/handheld_install.h"

#include "platform/base/private_files.h"
#include "platform/base/sqlite.h"
#include "platform/base/unicode.h"
#include "platform/base/whole_file.h"
#include "platform/ce/machine.h"
#include "platform/ce/registry.h"
#include "platform/win32/path.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace ceappmgr {

using platform::Status;
namespace fs = std::filesystem;

namespace {

constexpr char16_t kAppsKey[] = u"Software\\Apps\\";

Status FileFailure(const std::string& what, const std::string& path, int error) {
    return Status::Failure(platform::ErrorOfErrno(error, ERROR_WRITE_FAULT),
                           "cannot " + what + " " + path + ": " + std::strerror(error));
}

// Like everything on the handheld, only its owner reads it.
Status WriteWholeFile(const std::string& path, const std::string& bytes, bool executable) {
    const Status written = platform::WriteWholeFile(path, bytes, platform::ExistingFile::Refuse,
                                                    executable ? 0700 : 0600);
    if (!written.ok())
        return Status::Failure(written.code(), "cannot write " + path + ": " + written.message());
    return Status();
}

// Makes the folders of `folder` below the handheld and checks that the
// result is inside it: a link planted in a handheld folder handed over by
// someone else must not carry files out of it.
Status MakeFolderInside(const std::string& handheld, const std::string& folder) {
    platform::MakePrivateDirectories(folder);
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return Status::Failure(ERROR_WRITE_FAULT, "cannot make the folder " + folder);
    char root[PATH_MAX], resolved[PATH_MAX];
    if (!realpath(handheld.c_str(), root) || !realpath(folder.c_str(), resolved) ||
        std::string(resolved).rfind(std::string(root) + "/", 0) != 0)
        return Status::Failure(ERROR_ACCESS_DENIED,
                               folder + " leads out of the handheld's folder; nothing installed");
    return Status();
}

HKEY RootOf(const std::string& root) {
    if (root == "HKLM")
        return HKEY_LOCAL_MACHINE;
    if (root == "HKCU")
        return HKEY_CURRENT_USER;
    return HKEY_CLASSES_ROOT;
}

// A registry value as it was before the install, to put back on failure.
struct OldValue {
    HKEY root = nullptr;
    std::u16string key, name;
    bool existed = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

OldValue ReadOldValue(HKEY root, const std::u16string& key, const std::u16string& name) {
    OldValue old;
    old.root = root;
    old.key = key;
    old.name = name;
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return old;
    DWORD size = 0;
    if (RegQueryValueExW(handle, name.c_str(), nullptr, &old.type, nullptr, &size) ==
        ERROR_SUCCESS) {
        old.data.resize(size);
        old.existed = RegQueryValueExW(handle, name.c_str(), nullptr, &old.type, old.data.data(),
                                       &size) == ERROR_SUCCESS;
        old.data.resize(size);
    }
    RegCloseKey(handle);
    return old;
}

LONG WriteValue(HKEY root, const std::u16string& key, const std::u16string& name, DWORD type,
                const BYTE* data, DWORD size) {
    HKEY handle = nullptr;
    LONG result = RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                  nullptr, &handle, nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegSetValueExW(handle, name.c_str(), 0, type, data, size);
    RegCloseKey(handle);
    return result;
}

LONG WriteText(HKEY root, const std::u16string& key, const std::u16string& name,
               const std::u16string& text) {
    return WriteValue(root, key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

void PutBack(const OldValue& old) {
    if (old.existed) {
        WriteValue(old.root, old.key, old.name, old.type, old.data.data(),
                   static_cast<DWORD>(old.data.size()));
        return;
    }
    HKEY handle = nullptr;
    if (RegOpenKeyExW(old.root, old.key.c_str(), 0, KEY_WRITE, &handle) == ERROR_SUCCESS) {
        RegDeleteValueW(handle, old.name.c_str());
        RegCloseKey(handle);
    }
}

// The files moved into place so far, and what they replaced.
class FileMoves {
public:
    explicit FileMoves(std::string staging) : m_staging(std::move(staging)) {}
    ~FileMoves() {
        std::error_code error;
        fs::remove_all(m_staging, error);
    }

    Status Place(const std::string& staged, const std::string& destination) {
        struct stat st {};
        const std::string old = m_staging + "/old-" + std::to_string(m_moves.size());
        bool replaced = false;
        if (lstat(destination.c_str(), &st) == 0) {
            if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
                return Status::Failure(ERROR_ALREADY_EXISTS,
                                       destination + " is there and is not a file");
            if (rename(destination.c_str(), old.c_str()) != 0)
                return FileFailure("move away", destination, errno);
            replaced = true;
        }
        if (rename(staged.c_str(), destination.c_str()) != 0) {
            const int error = errno;
            if (replaced)
                rename(old.c_str(), destination.c_str());
            return FileFailure("move into place", destination, error);
        }
        m_moves.push_back({destination, replaced ? old : std::string()});
        return Status();
    }

    // Puts back what was there before, newest move first.
    void Undo() {
        for (auto move = m_moves.rbegin(); move != m_moves.rend(); ++move) {
            if (move->old.empty())
                unlink(move->destination.c_str());
            else
                rename(move->old.c_str(), move->destination.c_str());
        }
        m_moves.clear();
    }

private:
    struct Move {
        std::string destination, old;
    };
    std::string m_staging;
    std::vector<Move> m_moves;
};

} // namespace

std::optional<std::string> InstalledVersion(const std::string& name) {
    const std::u16string key = kAppsKey + unicode::ToUtf16(name);
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    char16_t text[64] = {};
    DWORD size = sizeof text - sizeof(char16_t);
    DWORD type = 0;
    const LONG result =
        RegQueryValueExW(handle, u"Version", nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    const std::string version = unicode::ToUtf8(text);
    // A record this manager cannot read counts as nothing installed.
    return IsValidVersion(version) ? std::optional(version) : std::nullopt;
}

Status InstallOnHandheld(const Package& package) {
    const std::string handheld = ce::HandheldDirectory();
    const std::string programFiles = handheld + "/Program Files";
    JW_RETURN_IF_FAILED(MakeFolderInside(handheld, programFiles));
    std::string pattern = programFiles + "/.install-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return FileFailure("make a staging folder in", programFiles, errno);
    FileMoves moves(pattern);

    // Every file whole in the staging folder before any is moved.
    std::vector<std::string> staged;
    for (std::size_t i = 0; i < package.files.size(); ++i) {
        staged.push_back(pattern + "/" + std::to_string(i));
        JW_RETURN_IF_FAILED(
            WriteWholeFile(staged.back(), package.files[i].bytes, package.files[i].executable));
    }
    for (std::size_t i = 0; i < package.files.size(); ++i) {
        const std::string destination = handheld + win32::HostPath(package.files[i].destination);
        Status placed = MakeFolderInside(handheld, fs::path(destination).parent_path().string());
        if (placed.ok())
            placed = moves.Place(staged[i], destination);
        if (!placed.ok()) {
            moves.Undo();
            return placed;
        }
    }

    // The values, then the record of the version; a failure puts back both.
    std::vector<OldValue> olds;
    auto write = [&](HKEY root, const std::u16string& key, const std::u16string& name,
                     const std::u16string& text) {
        olds.push_back(ReadOldValue(root, key, name));
        return WriteText(root, key, name, text);
    };
    LONG result = ERROR_SUCCESS;
    for (const PackageValue& value : package.values) {
        result = write(RootOf(value.root), unicode::ToUtf16(value.key),
                       unicode::ToUtf16(value.name), unicode::ToUtf16(value.text));
        if (result != ERROR_SUCCESS)
            break;
    }
    if (result == ERROR_SUCCESS)
        result = write(HKEY_LOCAL_MACHINE, kAppsKey + unicode::ToUtf16(package.name), u"Version",
                       unicode::ToUtf16(package.version));
    if (result != ERROR_SUCCESS) {
        for (auto old = olds.rbegin(); old != olds.rend(); ++old)
            PutBack(*old);
        moves.Undo();
        return Status::Failure(static_cast<DWORD>(result),
                               "cannot write the handheld's registry in " + handheld +
                                   "/objectstore.db (error " + std::to_string(result) +
                                   "); nothing installed" +
                                   platform::sqlite::FileAdvice(static_cast<DWORD>(result)));
    }
    return Status();
}

} // namespace ceappmgr
