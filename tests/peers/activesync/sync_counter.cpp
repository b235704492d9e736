// Preloaded into a program by the disk-sync test: counts the program's
// fsync and fdatasync calls by the name of the file synced, and appends each
// to $JOTTERWICK_SYNC_COUNTS as a line "name 1".
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Each sync is appended as it happens: a count kept in memory would be lost
// to a sync made while the program's statics are being destroyed.
void Count(int fd) {
    const char* counts = std::getenv("JOTTERWICK_SYNC_COUNTS");
    if (!counts)
        return;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[4096];
    const ssize_t size = readlink(link, path, sizeof path - 1);
    path[size > 0 ? size : 0] = '\0';
    const char* name = std::strrchr(path, '/');
    char line[4200];
    const int length = std::snprintf(line, sizeof line, "%s 1\n", name ? name + 1 : "?");
    const int out = open(counts, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (out >= 0) {
        (void)!write(out, line, static_cast<std::size_t>(length));
        close(out);
    }
}

template <typename Function> Function Real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int fsync(int fd) {
    static const auto real = Real<int (*)(int)>("fsync");
    Count(fd);
    return real(fd);
}

extern "C" int fdatasync(int fd) {
    static const auto real = Real<int (*)(int)>("fdatasync");
    Count(fd);
    return real(fd);
}
