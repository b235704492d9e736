#include "peers/notepad/text_file.h"

#include "platform/win32/bounded_file.h"
#include "platform/win32/codepage.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace notepad {

using platform::Result;
using platform::Status;

namespace {

Status Failure(DWORD code, const std::string& what, const std::string& path, int error) {
    return Status::Failure(code, "cannot " + what + " " + path + ": " + std::strerror(error));
}

} // namespace

Result<std::u16string> ReadTextFile(const std::string& hostPath) {
    auto read = win32::ReadBoundedFile(hostPath, kMaxFileBytes);
    if (!read.ok()) {
        if (read.status().code() == ERROR_FILE_NOT_FOUND)
            return std::u16string();
        if (read.status().code() == ERROR_INVALID_DATA)
            return Status::Failure(ERROR_BAD_FORMAT, hostPath +
                                                         " is too large for Notepad (more than " +
                                                         std::to_string(kMaxFileBytes) + " bytes)");
        return read.status();
    }
    const std::string& bytes = read.value();
    if (bytes.find('\0') != std::string::npos)
        return Status::Failure(ERROR_BAD_FORMAT, hostPath + " is not a text file");

    const std::u16string wide = win32::AnsiToWide(bytes);
    std::u16string text;
    text.reserve(wide.size() + wide.size() / 16);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == u'\n' && (i == 0 || wide[i - 1] != u'\r'))
            text += u'\r';
        text += wide[i];
    }
    return text;
}

Status WriteTextFile(const std::string& hostPath, const std::u16string& text) {
    const std::string bytes = win32::WideToAnsi(text);
    std::string temporary = hostPath + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return Failure(ERROR_WRITE_FAULT, "save", hostPath, errno);
    // The saved file keeps the old one's permissions.
    struct stat st {};
    fchmod(fd, stat(hostPath.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    bool good = true;
    for (std::size_t done = 0; good && done < bytes.size();) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        good = wrote > 0 || (wrote < 0 && errno == EINTR);
        done += wrote > 0 ? static_cast<std::size_t>(wrote) : 0;
    }
    good = good && fsync(fd) == 0;
    int error = errno;
    close(fd);
    if (good && rename(temporary.c_str(), hostPath.c_str()) == 0)
        return Status();
    error = good ? errno : error;
    unlink(temporary.c_str());
    return Failure(error == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT, "save", hostPath, error);
}

} // namespace notepad
