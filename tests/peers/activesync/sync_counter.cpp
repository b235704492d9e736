// Preloaded into a program by the disk-sync test: counts the program's
// fsync and fdatasync calls by the name of the file synced, and appends them
// to $JOTTERWICK_SYNC_COUNTS ("name count" lines) when the program ends.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace {

struct Counts {
    std::mutex mutex;
    std::map<std::string, int> byName;
    ~Counts() {
        const char* path = std::getenv("JOTTERWICK_SYNC_COUNTS");
        if (!path || byName.empty())
            return;
        if (std::FILE* out = std::fopen(path, "a")) {
            for (const auto& [name, count] : byName)
                std::fprintf(out, "%s %d\n", name.c_str(), count);
            std::fclose(out);
        }
    }
};

Counts& TheCounts() {
    static Counts counts;
    return counts;
}

void Count(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[4096];
    const ssize_t size = readlink(link, path, sizeof path - 1);
    std::string name = size > 0 ? std::string(path, static_cast<std::size_t>(size)) : "?";
    name = name.substr(name.find_last_of('/') + 1);
    Counts& counts = TheCounts();
    std::lock_guard lock(counts.mutex);
    ++counts.byName[name];
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
