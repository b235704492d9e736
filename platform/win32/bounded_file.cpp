// Reading a whole small file without ever blocking on a pipe or a device.
#include "platform/win32/bounded_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32 {

using platform::Result;
using platform::Status;

Result<std::string> ReadBoundedFile(const std::string& path, std::size_t limit) {
    // Non-blocking: opening a pipe must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Status::Failure(errno == ENOENT || errno == ENOTDIR ? ERROR_FILE_NOT_FOUND
                                                                   : ERROR_ACCESS_DENIED,
                               "cannot open " + path + ": " + std::strerror(errno));
    struct stat state;
    if (::fstat(fd, &state) != 0 || !S_ISREG(state.st_mode)) {
        ::close(fd);
        return Status::Failure(ERROR_ACCESS_DENIED, path + " is not a regular file");
    }
    std::string text(limit + 1, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return Status::Failure(ERROR_READ_FAULT,
                                   "cannot read " + path + ": " + std::strerror(error));
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got > limit)
        return Status::Failure(ERROR_INVALID_DATA,
                               path + " is larger than " + std::to_string(limit) + " bytes");
    text.resize(got);
    return text;
}

} // namespace win32
