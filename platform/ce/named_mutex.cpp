#include "platform/ce/named_mutex.h"

#include "platform/base/handles.h"
#include "platform/base/status.h"
#include "platform/base/unicode.h"
#include "platform/ce/machine.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

using platform::Result;
using platform::Status;

namespace {

// A named mutex: the lock on run/<name>.lock, held while the handle is open.
class NamedMutex : public platform::KernelObject {
public:
    NamedMutex(int fd, bool owned) : m_fd(fd), m_owned(owned) {}
    ~NamedMutex() override {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool owned() const { return m_owned; }

private:
    int m_fd;
    bool m_owned;
};

} // namespace

HANDLE CreateMutexW(void*, BOOL, LPCWSTR lpName) {
    return platform::AtBoundary<HANDLE>(nullptr, [&]() -> Result<HANDLE> {
        if (!lpName) {
            SetLastError(ERROR_SUCCESS);
            return platform::InsertHandle(std::make_shared<NamedMutex>(-1, true));
        }
        std::string name = unicode::ToUtf8(lpName);
        for (char& c : name)
            if (c == '/' || c == '\\')
                c = '_';
        const std::string path = ce::HandheldDirectory() + "/run/" + name + ".lock";
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return Status::Failure(ERROR_ACCESS_DENIED,
                                   "cannot open " + path + ": " + std::strerror(errno));
        const bool owned = flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (!owned && errno != EWOULDBLOCK) {
            const std::string error = std::strerror(errno);
            close(fd);
            return Status::Failure(ERROR_ACCESS_DENIED, "cannot lock " + path + ": " + error);
        }
        HANDLE handle =
            platform::InsertHandle(std::make_shared<NamedMutex>(owned ? fd : -1, owned));
        if (!owned)
            close(fd);
        SetLastError(owned ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
        return handle;
    });
}

BOOL ReleaseMutex(HANDLE hMutex) {
    auto mutex = platform::LookupHandleAs<NamedMutex>(hMutex);
    if (!mutex) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!mutex->owned()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    // The lock is the mutex's existence to other processes: it stays until
    // the handle is closed.
    return TRUE;
}
