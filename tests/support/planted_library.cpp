// A library a crafted machine directory names in a registration: loading it
// runs its constructor, which leaves "<its own path>.ran" behind. Tests check
// that the file never appears.
#include <dlfcn.h>

#include <cstdio>
#include <string>

namespace {

__attribute__((constructor)) void LeaveMarker() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&LeaveMarker), &info) || !info.dli_fname)
        return;
    if (std::FILE* marker = std::fopen((std::string(info.dli_fname) + ".ran").c_str(), "w"))
        std::fclose(marker);
}

} // namespace
