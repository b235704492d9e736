// make_handheld_package OUT VERSION JOTTA LIBJOTTADEV: makes the handheld
// package of the build from the built notes program and handheld provider.
#include "peers/ceappmgr/package.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

bool Slurp(const char* path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    *bytes = text.str();
    return static_cast<bool>(in);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: make_handheld_package OUT VERSION JOTTA LIBJOTTADEV\n", stderr);
        return 2;
    }
    constexpr char kFolder[] = "\\Program Files\\Jotterwick\\";
    constexpr char kObjectKey[] = "Windows CE Services\\Synchronization\\Objects\\Jotterwick";
    ceappmgr::Package package;
    package.name = "Jotterwick";
    package.version = argv[2];
    package.files = {{"jotta", std::string(kFolder) + "jotta", true, {}},
                     {"libjottadev.so", std::string(kFolder) + "libjottadev.so", false, {}}};
    // The handheld service manager finds the provider of the object type here.
    package.values = {{"HKLM", kObjectKey, "Display Name", "Jotterwick"},
                      {"HKLM", kObjectKey, "Store", std::string(kFolder) + "libjottadev.so"}};
    for (int i = 0; i < 2; ++i)
        if (!Slurp(argv[3 + i], &package.files[i].bytes)) {
            std::fprintf(stderr, "make_handheld_package: cannot read %s\n", argv[3 + i]);
            return 1;
        }
    auto archive = ceappmgr::WritePackage(package);
    if (!archive.ok()) {
        std::fprintf(stderr, "make_handheld_package: %s\n", archive.status().message().c_str());
        return 1;
    }
    const std::string temporary = std::string(argv[1]) + ".partial";
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(archive->data(), static_cast<std::streamsize>(archive->size()));
    out.close();
    if (!out || std::rename(temporary.c_str(), argv[1]) != 0) {
        std::fprintf(stderr, "make_handheld_package: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
