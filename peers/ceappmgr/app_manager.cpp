#include "peers/ceappmgr/app_manager.h"

#include "peers/ceappmgr/app_manager_ini.h"
#include "peers/ceappmgr/handheld_install.h"
#include "peers/ceappmgr/package.h"
#include "platform/base/whole_file.h"
#include "platform/ce/machine.h"
#include "platform/win32/machine.h"
#include "platform/win32/path.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace ceappmgr {

using platform::Result;
using platform::Status;
namespace fs = std::filesystem;

namespace {

// An flock held for the life of the object.
class FileLock {
public:
    static Result<FileLock> Take(const std::string& path, int how) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 || flock(fd, how) != 0) {
            const int error = errno;
            if (fd >= 0)
                close(fd);
            return Status::Failure(ERROR_ACCESS_DENIED,
                                   "cannot lock " + path + ": " + std::strerror(error));
        }
        return FileLock(fd);
    }
    FileLock(FileLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileLock& operator=(FileLock&&) = delete;
    ~FileLock() {
        if (m_fd >= 0)
            close(m_fd);
    }

private:
    explicit FileLock(int fd) : m_fd(fd) {}
    int m_fd;
};

// A whole regular file of at most `limit` bytes.
Result<std::string> ReadFile(const std::string& path, std::size_t limit) {
    auto read = platform::ReadWholeFile(path, limit);
    if (!read.ok())
        return Status::Failure(read.status().code(),
                               "cannot read " + path + ": " + read.status().message());
    return read;
}

Status WriteFile(const std::string& path, const std::string& bytes) {
    const Status written =
        platform::WriteWholeFile(path, bytes, platform::ExistingFile::Refuse, 0600);
    if (!written.ok())
        return Status::Failure(written.code(), "cannot write " + path + ": " + written.message());
    return Status();
}

Result<std::string> MakeStore() {
    const std::string store = StoreFolder();
    if (mkdir(store.c_str(), 0700) != 0 && errno != EEXIST)
        return Status::Failure(ERROR_WRITE_FAULT,
                               "cannot make the store " + store + ": " + std::strerror(errno));
    return store;
}

// A component's packages, read from the store and checked again: the store
// is a folder on disk like any other.
// One package of the store, with the files `wanted` names.
// Only the parts of the file it needs are read: a package is megabytes, and
// jsync asks about the store before every pass.
Result<Package> ReadStoredPackage(const std::string& file, const FileFilter& wanted) {
    // Opening never waits: a pipe or a device is refused as not a file.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        return Status::Failure(platform::ErrorOfErrno(error, ERROR_ACCESS_DENIED),
                               "cannot read " + file + ": " + std::strerror(error));
    }
    auto package = ReadPackageFile(fd, wanted);
    ::close(fd);
    if (!package.ok() && package.status().code() == ERROR_ACCESS_DENIED)
        return Status::Failure(ERROR_ACCESS_DENIED,
                               "cannot read " + file + ": " + package.status().message());
    if (!package.ok())
        return Status::Failure(package.status().code(),
                               file + ": " + package.status().message() +
                                   " (take a good package into the store: run the "
                                   "installer again)");
    return package;
}

// The store's packages, described; their files are not read.
Result<std::vector<std::pair<std::string, Package>>> ReadStoredPackages(const std::string& store) {
    std::vector<std::pair<std::string, Package>> packages;
    std::error_code error;
    std::vector<fs::path> files;
    for (const auto& component : fs::directory_iterator(store, error)) {
        if (component.path().filename().string().front() == '.' || !component.is_directory())
            continue;
        for (const auto& file : fs::directory_iterator(component.path(), error))
            if (file.path().filename().string().front() != '.')
                files.push_back(file.path());
    }
    if (error)
        return Status::Failure(ERROR_READ_FAULT,
                               "cannot read the store " + store + ": " + error.message());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        JW_ASSIGN_OR_RETURN(auto package, ReadStoredPackage(file.string(), NoFiles));
        packages.emplace_back(file.string(), std::move(package));
    }
    return packages;
}

// Whether every file of `package` is in its place on the process's handheld.
bool FilesInPlace(const Package& package) {
    const std::string handheld = ce::HandheldDirectory();
    std::error_code error;
    return std::all_of(package.files.begin(), package.files.end(), [&](const PackageFile& file) {
        return fs::is_regular_file(handheld + win32::HostPath(file.destination), error);
    });
}

} // namespace

std::string StoreFolder() {
    return win32::DesktopDirectory() + "/CE App Manager";
}

Result<std::vector<std::string>> TakePackages(const std::string& iniPath) {
    const std::string ini = win32::HostPath(iniPath);
    JW_ASSIGN_OR_RETURN(auto text, ReadFile(ini, kMaxIniBytes));
    JW_ASSIGN_OR_RETURN(auto description, ParseAppManagerIni(text, ini));
    const fs::path folder = fs::path(ini).parent_path();

    // Everything is read and checked before the store changes.
    struct Taken {
        const Component* component;
        std::vector<std::pair<std::string, std::string>> files; // name, bytes
        std::vector<Package> packages;
    };
    std::vector<Taken> taken;
    for (const Component& component : description.components) {
        Taken one{&component, {}, {}};
        for (const std::string& name : component.packageFiles) {
            const std::string path = (folder / name).string();
            JW_ASSIGN_OR_RETURN(auto bytes, ReadFile(path, kMaxPackageBytes));
            auto package = ReadPackage(bytes);
            if (!package.ok())
                return Status::Failure(package.status().code(),
                                       path + ": " + package.status().message());
            one.packages.push_back(std::move(package.value()));
            one.files.emplace_back(name, std::move(bytes));
        }
        taken.push_back(std::move(one));
    }

    JW_ASSIGN_OR_RETURN(auto store, MakeStore());
    JW_ASSIGN_OR_RETURN(auto lock, FileLock::Take(store + "/.lock", LOCK_EX));
    std::vector<std::string> lines;
    for (const Taken& one : taken) {
        // The component's new folder is made whole beside the old, then
        // swapped in: a reader sees the old packages or the new, never a mix.
        std::string fresh = store + "/.take-XXXXXX";
        if (!mkdtemp(fresh.data()))
            return Status::Failure(ERROR_WRITE_FAULT, "cannot write into the store " + store +
                                                          ": " + std::strerror(errno));
        for (const auto& [name, bytes] : one.files)
            if (Status written = WriteFile(fresh + "/" + name, bytes); !written.ok()) {
                std::error_code ignored;
                fs::remove_all(fresh, ignored);
                return written;
            }
        const std::string target = store + "/" + one.component->name;
        std::string old = store + "/.old-XXXXXX";
        std::error_code error;
        const bool hadOld = fs::exists(target, error);
        if (hadOld && (!mkdtemp(old.data()) || rmdir(old.c_str()) != 0 ||
                       rename(target.c_str(), old.c_str()) != 0)) {
            fs::remove_all(fresh, error);
            return Status::Failure(ERROR_WRITE_FAULT, "cannot replace " + target);
        }
        if (rename(fresh.c_str(), target.c_str()) != 0) {
            const int why = errno;
            if (hadOld)
                rename(old.c_str(), target.c_str());
            fs::remove_all(fresh, error);
            return Status::Failure(ERROR_WRITE_FAULT,
                                   "cannot write " + target + ": " + std::strerror(why));
        }
        if (hadOld)
            fs::remove_all(old, error);
        for (std::size_t i = 0; i < one.packages.size(); ++i)
            lines.push_back(one.packages[i].name + " " + one.packages[i].version + " (" +
                            one.files[i].first +
                            ") is pending for every handheld: it is installed at each "
                            "handheld's next synchronization");
    }
    return lines;
}

Result<std::vector<Installation>> InstallPending(bool dryRun) {
    std::vector<Installation> done;
    const std::string store = StoreFolder();
    std::error_code error;
    if (!fs::is_directory(store, error))
        return done;
    JW_ASSIGN_OR_RETURN(auto storeLock, FileLock::Take(store + "/.lock", LOCK_SH));
    JW_ASSIGN_OR_RETURN(auto packages, ReadStoredPackages(store));
    // One manager at a time installs on a handheld.
    JW_ASSIGN_OR_RETURN(auto handheldLock,
                        FileLock::Take(ce::HandheldDirectory() + "/run/ceappmgr.lock", LOCK_EX));
    for (const auto& [file, package] : packages) {
        Installation installation{package.name, package.version, Outcome::Installed};
        const auto installed = InstalledVersion(package.name);
        // A file removed since is put back by installing again.
        if (installed && CompareVersions(*installed, package.version) >= 0 &&
            (CompareVersions(*installed, package.version) > 0 || FilesInPlace(package)))
            installation.outcome = Outcome::AlreadyInstalled;
        else if (dryRun)
            installation.outcome = Outcome::WouldInstall;
        else {
            JW_ASSIGN_OR_RETURN(const Package whole, ReadStoredPackage(file, AllFiles));
            if (Status status = InstallOnHandheld(whole); !status.ok())
                return Status::Failure(status.code(), "cannot install " + package.name + " " +
                                                          package.version + " from " + file + ": " +
                                                          status.message());
        }
        done.push_back(installation);
    }
    return done;
}

bool IsFromStoredPackage(const std::string& hostPath) {
    const std::string store = StoreFolder();
    std::error_code error;
    if (!fs::is_directory(store, error))
        return false;
    auto storeLock = FileLock::Take(store + "/.lock", LOCK_SH);
    if (!storeLock.ok())
        return false;
    auto packages = ReadStoredPackages(store);
    if (!packages.ok())
        return false;
    const fs::path wanted = fs::weakly_canonical(hostPath, error);
    if (error)
        return false;
    const std::string handheld = ce::HandheldDirectory();
    for (const auto& [file, package] : packages.value())
        for (const PackageFile& packaged : package.files) {
            if (fs::weakly_canonical(handheld + win32::HostPath(packaged.destination), error) !=
                    wanted ||
                error)
                continue;
            auto bytes = ReadFile(wanted.string(), kMaxFileBytes);
            const auto entry = [&](const std::string& name) { return name == packaged.entry; };
            auto unpacked = ReadStoredPackage(file, entry);
            if (!bytes.ok() || !unpacked.ok())
                continue;
            for (const PackageFile& stored : unpacked->files)
                if (stored.entry == packaged.entry && stored.bytes == bytes.value())
                    return true;
        }
    return false;
}

std::string DescribeInstallation(const Installation& installation, const std::string& handheld) {
    const char* what = installation.outcome == Outcome::Installed ? " installed on the handheld "
                       : installation.outcome == Outcome::AlreadyInstalled
                           ? " already installed on the handheld "
                           : " would be installed on the handheld ";
    return installation.name + " " + installation.version + what + handheld;
}

} // namespace ceappmgr
