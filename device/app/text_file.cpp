#include "device/app/text_file.h"

#include "platform/base/unicode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::u16string Reason(int error) {
    return unicode::ToUtf16(std::strerror(error));
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit,
                                         std::u16string* reason) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *reason = Reason(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *reason = S_ISREG(info.st_mode) ? Reason(errno) : u"it is not a file";
        ::close(fd);
        return std::nullopt;
    }
    std::string bytes;
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *reason = Reason(errno);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > limit) {
            *reason = u"it is larger than " + unicode::ToUtf16(std::to_string(limit)) + u" bytes";
            ::close(fd);
            return std::nullopt;
        }
        bytes.append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes, Replace replace,
                    std::u16string* reason) {
    // A file that is replaced is written beside it first and renamed over it
    // once whole, so that a failed write leaves the old file as it was.
    std::string target = path;
    int fd = -1;
    if (replace == Replace::Yes) {
        target = path + ".XXXXXX";
        fd = ::mkostemp(target.data(), O_CLOEXEC);
    } else {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    }
    if (fd < 0) {
        *reason = Reason(errno);
        return false;
    }
    bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && target != path && ::rename(target.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(target.c_str()); // a partial file is no copy of the text
        *reason = Reason(error);
    }
    return written;
}
