// Installing the distribution folder with the installer's engine (the INF
// opened, its files queued and committed with the default callback, its
// registry section carried out) against the limit: the same file copied
// the same safe way (a temporary file written, flushed and renamed) and the
// same registry values written directly.
#include "platform/ui/backend.h"
#include "platform/ui/headless/headless_backend.h"
#include "platform/win32/machine.h"
#include "platform/win32/registry.h"
#include "platform/win32/setupapi.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Folders {
    fs::path dist;
    fs::path desktop;
};

const Folders& Prepared() {
    static Folders folders = [] {
        char pattern[] = "/tmp/setup_bench.XXXXXX";
        if (!mkdtemp(pattern))
            std::abort();
        Folders made{fs::path(pattern) / "dist", fs::path(pattern) / "desktop"};
        fs::create_directories(made.dist);
        fs::copy_file(JOTTAPC_LIBRARY, made.dist / "libjottapc.so");
        fs::copy_file(JOTTAPC_INF, made.dist / "Jottapc.inf");
        win32::SetDesktopDirectory(made.desktop.string());
        ui::SetBackend(std::make_unique<ui::HeadlessBackend>());
        return made;
    }();
    return folders;
}

void InstallWithTheEngine(benchmark::State& state) {
    const Folders& folders = Prepared();
    const std::string dir = folders.dist.string();
    const std::string inf = dir + "\\Jottapc.inf";
    for (auto _ : state) {
        HINF hInf = SetupOpenInfFileA(inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
        HSPFILEQ queue = SetupOpenFileQueue();
        void* context = SetupInitDefaultQueueCallback(nullptr);
        const bool done =
            SetupInstallFilesFromInfSectionA(hInf, nullptr, queue, "DesktopInstall", dir.c_str(),
                                             SP_COPY_SOURCEPATH_ABSOLUTE) &&
            SetupInstallFromInfSectionA(nullptr, hInf, "DesktopInstall", 0x0F, nullptr, dir.c_str(),
                                        0, nullptr, nullptr, nullptr, nullptr) &&
            SetupCommitFileQueueA(nullptr, queue, SetupDefaultQueueCallbackA, context);
        SetupTermDefaultQueueCallback(context);
        SetupCloseFileQueue(queue);
        SetupCloseInfFile(hInf);
        if (!done)
            state.SkipWithError("the installation failed");
    }
}
BENCHMARK(InstallWithTheEngine)->Unit(benchmark::kMillisecond);

void CopyAndWriteDirectly(benchmark::State& state) {
    const Folders& folders = Prepared();
    const fs::path target = folders.desktop / "Program Files/Jotterwick/libjottapc.so";
    const std::string clsid = "{6A1F3C52-8E4B-4D7A-9B21-5C0E7D3F9A14}";
    const std::string progId = "Jotterwick.WinCE.Jotterwick";
    const std::string objectKey =
        "Software\\Microsoft\\Windows CE Services\\Services\\Synchronization\\Objects\\Jotterwick";
    for (auto _ : state) {
        fs::create_directories(target.parent_path());
        const fs::path temp = target.string() + ".new";
        fs::copy_file(folders.dist / "libjottapc.so", temp, fs::copy_options::overwrite_existing);
        const int fd = ::open(temp.c_str(), O_WRONLY);
        ::fsync(fd);
        ::close(fd);
        fs::rename(temp, target);
        LONG result =
            win32::WriteRegistryText(HKEY_CLASSES_ROOT, progId + "\\CLSID", nullptr, clsid);
        result |= win32::WriteRegistryText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid, nullptr,
                                           "Jotterwick Store");
        result |= win32::WriteRegistryText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\ProgID",
                                           nullptr, progId);
        result |= win32::WriteRegistryText(
            HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32", nullptr, target.string());
        result |=
            win32::WriteRegistryText(HKEY_LOCAL_MACHINE, objectKey, "Display Name", "Jotterwick");
        result |= win32::WriteRegistryText(HKEY_LOCAL_MACHINE, objectKey, "Store", progId);
        if (result != ERROR_SUCCESS)
            state.SkipWithError("a registry write failed");
    }
}
BENCHMARK(CopyAndWriteDirectly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
