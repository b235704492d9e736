#include "platform/base/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

Status WriteFailure(int error) {
    return Status::Failure(ErrorOfErrno(error, ERROR_WRITE_FAULT), std::strerror(error));
}

// 0 when every byte went out, else the errno.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

// A rename is on the disk once its folder is.
void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

DWORD ErrorOfErrno(int error, DWORD otherwise) {
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EACCES:
    case EPERM:
    case EROFS:
    case ELOOP:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    default:
        return otherwise;
    }
}

Result<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Status::Failure(errno == ENOENT || errno == ENOTDIR ? ERROR_FILE_NOT_FOUND
                                                                   : ERROR_ACCESS_DENIED,
                               std::strerror(errno));
    struct stat state {};
    if (::fstat(fd, &state) != 0 || !S_ISREG(state.st_mode)) {
        ::close(fd);
        return Status::Failure(ERROR_ACCESS_DENIED, "it is not a file");
    }
    // One byte more than the limit tells a file that is too large.
    std::string bytes(std::min<std::size_t>(limit + 1, static_cast<std::size_t>(state.st_size) + 1),
                      '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size() && got <= limit)
            bytes.resize(std::min(limit + 1, bytes.size() * 2));
        if (got == bytes.size())
            break;
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return Status::Failure(ERROR_READ_FAULT, std::strerror(error));
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got > limit)
        return Status::Failure(ERROR_INVALID_DATA,
                               "it is larger than " + std::to_string(limit) + " bytes");
    bytes.resize(got);
    return bytes;
}

Status WriteWholeFile(const std::string& path, std::string_view bytes, ExistingFile existing,
                      mode_t mode) {
    std::string target = path;
    int fd = -1;
    if (existing == ExistingFile::Replace) {
        struct stat old {};
        if (::stat(path.c_str(), &old) == 0)
            mode = old.st_mode & 07777;
        target = path + ".XXXXXX";
        fd = ::mkostemp(target.data(), O_CLOEXEC);
    } else {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    }
    if (fd < 0)
        return WriteFailure(errno);
    int error = WriteAll(fd, bytes);
    if (error == 0 && (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0))
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && target != path && ::rename(target.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(target.c_str()); // a partial file is no copy of the text
        return WriteFailure(error);
    }
    SyncFolderOf(path);
    return Status();
}

} // namespace platform
