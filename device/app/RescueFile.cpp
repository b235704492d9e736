#include "device/app/RescueFile.h"

#include "platform/base/unicode.h"
#include "platform/ce/machine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

constexpr char16_t kFolder[] = u"\\My Documents\\";

// Where the handheld's "\My Documents\name" lies on this machine.
std::string LocalPath(const std::u16string& name) {
    const std::u16string folder = kFolder;
    const std::u16string file =
        name.compare(0, folder.size(), folder) == 0 ? name.substr(folder.size()) : name;
    return ce::HandheldDirectory() + "/My Documents/" + unicode::ToUtf8(file);
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::u16string FreeRescueFileName() {
    for (int n = 1;; ++n) {
        const std::u16string name = std::u16string(kFolder) + u"Unsaved note" +
                                    (n == 1 ? u"" : u" " + unicode::ToUtf16(std::to_string(n))) +
                                    u".txt";
        if (::access(LocalPath(name).c_str(), F_OK) != 0)
            return name;
    }
}

bool WriteRescueFile(const std::u16string& name, const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    const std::string path = LocalPath(name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written) {
        ::unlink(path.c_str()); // a partial file is no copy of the text
        return false;
    }
    return true;
}
