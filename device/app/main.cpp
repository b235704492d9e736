// jotta [--handheld DIR]: the notes program of the handheld.
#include "device/app/CJottaApp.h"
#include "platform/ce/machine.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
CJottaApp theApp;
} // namespace

int main(int argc, char** argv) {
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--handheld") == 0 && i + 1 < argc) {
            ce::SetHandheldDirectory(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::puts("usage: jotta [--handheld DIR]");
            return 0;
        } else {
            std::fprintf(stderr, "jotta: unknown argument '%s'\nusage: jotta [--handheld DIR]\n",
                         argv[i]);
            return 2;
        }
    }
    return AfxWinMain(static_cast<int>(rest.size()), rest.data());
}
