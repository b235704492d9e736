// Both providers and the Outlook stand-in in one process, as jsync holds
// them: every module imports the same platform libraries, so they share one
// registry and its key handles, one clock pin and one pair of machine
// folders, chosen through the platform's own functions and never through
// the environment.
#include "device/app/note_store.h"
#include "peers/activesync/desktop_provider.h"
#include "peers/activesync/device_provider.h"
#include "peers/activesync/registration.h"
#include "peers/activesync/repl_notify.h"
#include "peers/outlook/message_store.h"
#include "platform/base/kernel.h"
#include "platform/ce/machine.h"
#include "platform/ce/registry.h"
#include "platform/win32/machine.h"
#include "platform/win32/path.h"
#include "platform/win32/registry.h"
#include "support/system_install.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr std::uint32_t kPartnership = 0x2A;
// 2026-12-01 00:00:00 UTC.
constexpr FILETIME kPinned{static_cast<DWORD>(134090208000000000ull),
                           static_cast<DWORD>(134090208000000000ull >> 32)};

std::vector<std::string> JotterwickVariables() {
    std::vector<std::string> names;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::strncmp(*entry, "JOTTERWICK_", 11) == 0)
            names.emplace_back(*entry, std::strcspn(*entry, "="));
    return names;
}

// Where a platform function is defined: the library file and the symbol.
struct Definition {
    std::string file;
    std::string symbol;
};

Definition DefinitionOf(void* address) {
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname || !info.dli_sname)
        return {"(not found)", ""};
    return {std::filesystem::canonical(info.dli_fname).string(), info.dli_sname};
}

// The file in which the library `path` (already loaded) finds `symbol`.
std::string FileSeenBy(const std::string& path, const std::string& symbol) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr)
        return "(" + path + " is not loaded)";
    void* address = dlsym(library, symbol.c_str());
    const std::string file = address ? DefinitionOf(address).file : "(" + symbol + " not found)";
    dlclose(library);
    return file;
}

class OneRuntimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        // This process names its machines and pins its clock through the
        // platform alone.
        const char* build = std::getenv("JOTTERWICK_BUILD_DIR");
        ASSERT_NE(nullptr, build);
        buildDir = build;
        for (const std::string& name : JotterwickVariables())
            unsetenv(name.c_str());
        char pattern[] = "/tmp/jotterwick-runtime-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root = pattern;
        std::filesystem::create_directories(root + "/handheld");
        std::filesystem::create_directories(root + "/desktop");
        ce::SetHandheldDirectory(root + "/handheld");
        win32::SetDesktopDirectory(root + "/desktop");
        platform::PinSystemTime(kPinned);
    }
    void TearDown() override {
        platform::PinSystemTime(std::nullopt);
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    // The installed providers and Outlook, as the desktop's registry names them.
    static std::string InprocServer(const std::string& progId) {
        const auto clsid = win32::ReadRegistryText(HKEY_CLASSES_ROOT, progId + "\\CLSID", nullptr);
        const auto path = win32::ReadRegistryText(
            HKEY_CLASSES_ROOT, "CLSID\\" + clsid.value_or("?") + "\\InprocServer32", nullptr);
        if (!path)
            return "(" + progId + " is not registered)";
        // "\Program Files\..." lies in the desktop's folder.
        return (path->front() == '\\' ? win32::DesktopDirectory() : "") + win32::HostPath(*path);
    }

    std::string root;
    std::string buildDir;
};

TEST_F(OneRuntimeTest, ProvidersAndOutlookShareTheProcessRuntime) {
    // The partnership's options, written here; the desktop store reads them
    // through the key that jsync's QueryDevice opens and hands over.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, jsync::PartnerKeyPath(kPartnership).c_str(), 0,
                              nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr));
    const DWORD realTime = 1, delay = 42;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "RealTime", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&realTime), 4));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "RefreshDelay", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&delay), 4));
    RegCloseKey(key);

    CEOID oidDatabase = 0;
    HANDLE cursor = OpenNoteDatabase(&oidDatabase);
    ASSERT_NE(INVALID_HANDLE_VALUE, cursor);
    const CEOID sent = AddNote(cursor, u"Shared runtime\r\nbody", 2, u"Work\n");
    ASSERT_NE(0u, sent);

    ASSERT_EQ("", testsupport::InstallSystem(buildDir, root + "/handheld", root + "/desktop"));
    ASSERT_EQ(
        "", testsupport::InstallPendingOnHandheld(buildDir, root + "/handheld", root + "/desktop"));
    auto registration = jsync::FindProviders();
    ASSERT_TRUE(registration.ok()) << registration.status().message();
    const struct {
        std::string deviceProvider, desktopStore, outlook;
    } libraries{root + "/handheld" + win32::HostPath(registration->deviceLibrary),
                InprocServer(registration->progId), InprocServer("Outlook.Application")};
    auto device = jsync::DeviceProvider::Load(registration->deviceLibrary, 1);
    ASSERT_TRUE(device.ok()) << device.status().message();
    auto desktop = jsync::DesktopProvider::Create(registration->clsid);
    ASSERT_TRUE(desktop.ok()) << desktop.status().message();
    jsync::ReplNotify notify(kPartnership);
    ASSERT_TRUE(desktop.value()->Initialize(&notify).ok());
    EXPECT_EQ(std::optional<UINT>(42000), desktop.value()->RefreshTimer())
        << "the store read its options through the key opened in this module";
    ASSERT_TRUE(desktop.value()->OpenFolder(std::nullopt).ok());

    // Every module finds the platform's functions in the library files this
    // module uses: the kernel, and its machine's registry.
    const Definition kernel = DefinitionOf(reinterpret_cast<void*>(&GetSystemTime));
    const Definition handheld = DefinitionOf(reinterpret_cast<void*>(&RegOpenKeyExW));
    const Definition desktopRegistry = DefinitionOf(reinterpret_cast<void*>(&RegOpenKeyExA));
    for (const std::string& module :
         {libraries.deviceProvider, libraries.desktopStore, libraries.outlook})
        EXPECT_EQ(kernel.file, FileSeenBy(module, kernel.symbol)) << module;
    EXPECT_EQ(handheld.file, FileSeenBy(libraries.deviceProvider, handheld.symbol));
    EXPECT_EQ(desktopRegistry.file, FileSeenBy(libraries.desktopStore, desktopRegistry.symbol));
    EXPECT_EQ(desktopRegistry.file, FileSeenBy(libraries.outlook, desktopRegistry.symbol));

    // The handheld note goes to Outlook: JOTTADEV reads this module's
    // handheld, the Outlook stand-in saves into this module's desktop at the
    // pinned time.
    jsync::Bytes packet;
    ASSERT_EQ(S_OK, device.value()->GetPacket(sent, &packet));
    jsync::StoreHandle created;
    ASSERT_EQ(S_OK, desktop.value()->SetPacket(nullptr, packet, &created));
    ASSERT_TRUE(created);
    auto store = outlook::MessageStore::ForCurrentDesktop();
    ASSERT_TRUE(store.ok()) << store.status().message();
    ASSERT_EQ(std::size_t{1}, store.value()->Count().value());
    auto note = store.value()->CachedAt(0);
    ASSERT_TRUE(note.ok() && note.value()) << note.status().message();
    EXPECT_EQ(u"Shared runtime\r\nbody", note.value()->body);
    EXPECT_EQ(outlook::NowAsDate(), note.value()->modified) << "Outlook's clock is pinned too";

    // And back as a new handheld note, stamped by JOTTADEV with the pin.
    jsync::Bytes back;
    ASSERT_EQ(S_OK, desktop.value()->GetPacket(created.get(), &back));
    CEOID written = 0;
    ASSERT_EQ(S_OK, device.value()->SetPacket(0, back, &written));
    NoteContents contents;
    ASSERT_TRUE(ReadNote(cursor, written, &contents));
    EXPECT_EQ(u"Shared runtime\r\nbody", contents.text);
    EXPECT_EQ(0, CompareFileTime(&kPinned, &contents.modified));
    CloseHandle(cursor);

    created.Reset();
    desktop.value().reset();
    device.value().reset();
    EXPECT_EQ(std::vector<std::string>(), JotterwickVariables())
        << "nothing was handed between modules through the environment";
}

} // namespace

// Every library a process may load with dlopen keeps its thread-local
// variables in the static TLS block (see jotterwick_static_tls): a block
// malloc'd per thread is what the sanitizer runtimes misread at exit.
TEST(RuntimeLibraries, KeepTheirThreadLocalsInTheStaticBlock) {
    const char* built = std::getenv("JOTTERWICK_BUILD_DIR");
    ASSERT_NE(nullptr, built);
    const std::string build = built;
    std::vector<std::string> libraries{build + "/device/sync/libjottadev.so",
                                       build + "/desktop/sync/libjottapc.so",
                                       build + "/peers/outlook/liboutlook.so"};
    for (void* symbol : {reinterpret_cast<void*>(&GetLastError),
                         reinterpret_cast<void*>(&ce::SetHandheldDirectory),
                         reinterpret_cast<void*>(&win32::SetDesktopDirectory)})
        libraries.push_back(DefinitionOf(symbol).file);
    for (const std::string& library : libraries) {
        const std::string command = "readelf -ldW '" + library + "'";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(nullptr, pipe) << command;
        std::string text;
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        ASSERT_EQ(0, pclose(pipe)) << command;
        const bool hasTls = text.find("\n  TLS ") != std::string::npos;
        EXPECT_TRUE(!hasTls || text.find("STATIC_TLS") != std::string::npos)
            << library << " has thread-local variables outside the static TLS block";
    }
}
