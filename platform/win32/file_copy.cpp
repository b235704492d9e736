// Carrying out one queued file operation on the host's file system.
#include "platform/base/private_files.h"
#include "platform/base/whole_file.h"
#include "platform/win32/inf_directories.h"
#include "platform/win32/machine.h"
#include "platform/win32/setup_objects.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace win32 {

using platform::ErrorOfErrno;

namespace {

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder must exist and lie inside the desktop.
DWORD PrepareTargetFolder(const std::string& folder) {
    // The desktop's folders are its owner's alone.
    platform::MakePrivateDirectories(folder);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return ERROR_WRITE_FAULT;
    return ResolvesInside(folder, DesktopDirectory()) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

DWORD WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return ErrorOfErrno(errno, ERROR_WRITE_FAULT);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return ERROR_SUCCESS;
}

// Copies the open source into a new temporary file in the target's folder
// and renames it over the target.
DWORD CopyContents(int source, mode_t mode, const QueuedFile& file) {
    std::string temp = file.targetFolder + "/." + BaseName(file.target) + ".XXXXXX";
    const int out = ::mkstemp(temp.data());
    if (out < 0)
        return ErrorOfErrno(errno, ERROR_WRITE_FAULT);
    DWORD result = ERROR_SUCCESS;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(source, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result = ErrorOfErrno(errno, ERROR_READ_FAULT);
            break;
        }
        if (got == 0)
            break;
        if ((result = WriteAll(out, buffer, static_cast<std::size_t>(got))) != ERROR_SUCCESS)
            break;
    }
    // Programs and libraries stay executable; nobody else reads or changes them.
    if (result == ERROR_SUCCESS && (::fchmod(out, mode & 0700) != 0 || ::fsync(out) != 0))
        result = ErrorOfErrno(errno, ERROR_WRITE_FAULT);
    if (::close(out) != 0 && result == ERROR_SUCCESS)
        result = ErrorOfErrno(errno, ERROR_WRITE_FAULT);
    if (result == ERROR_SUCCESS && ::rename(temp.c_str(), file.target.c_str()) != 0)
        result = ErrorOfErrno(errno, ERROR_WRITE_FAULT);
    if (result != ERROR_SUCCESS)
        ::unlink(temp.c_str());
    return result;
}

DWORD Copy(const QueuedFile& file) {
    if (DWORD prepared = PrepareTargetFolder(file.targetFolder); prepared != ERROR_SUCCESS)
        return prepared;
    struct stat targetState;
    if ((file.copyFlags & SP_COPY_NOOVERWRITE) && ::lstat(file.target.c_str(), &targetState) == 0)
        return ERROR_SUCCESS;
    // Non-blocking: a pipe planted as a source must not hold the copy up.
    const int source = ::open(file.source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (source < 0)
        return ErrorOfErrno(errno, ERROR_READ_FAULT);
    struct stat state;
    DWORD result = ERROR_SUCCESS;
    // Only regular files from inside the source folder: a link planted
    // there must not carry a file from elsewhere into the desktop.
    if (::fstat(source, &state) != 0 || !S_ISREG(state.st_mode) ||
        !ResolvesInside(file.source, file.sourceRoot))
        result = ERROR_ACCESS_DENIED;
    else
        result = CopyContents(source, state.st_mode, file);
    ::close(source);
    return result;
}

DWORD Delete(const QueuedFile& file) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file.target, error)))
        return ERROR_SUCCESS;
    if (!ResolvesInside(file.targetFolder, DesktopDirectory()))
        return ERROR_ACCESS_DENIED;
    if (::unlink(file.target.c_str()) != 0 && errno != ENOENT)
        return ErrorOfErrno(errno, ERROR_WRITE_FAULT);
    return ERROR_SUCCESS;
}

} // namespace

DWORD CarryOut(const QueuedFile& file) {
    return file.operation == FileOperation::Copy ? Copy(file) : Delete(file);
}

std::string FileErrorText(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return "the file was not found";
    case ERROR_PATH_NOT_FOUND:
        return "the folder was not found";
    case ERROR_ACCESS_DENIED:
        return "access is denied";
    case ERROR_DISK_FULL:
        return "the disk is full";
    case ERROR_WRITE_FAULT:
        return "the file could not be written";
    case ERROR_READ_FAULT:
        return "the file could not be read";
    default:
        return "error " + std::to_string(error);
    }
}

} // namespace win32
