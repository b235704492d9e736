// Fuzzes the readers of the managers' partnership files: the input is taken
// as the desktop's partnerships.db and the handheld's partners.db (seed it
// with real ones), and every reader is run on them. A damaged file or row
// must be refused with a message, never crash or read out of bounds.
#include "peers/activesync/desktop_state.h"
#include "peers/activesync/handheld_state.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::string& Root() {
    static const std::string root = [] {
        char directory[] = "/tmp/partnership_files_fuzz.XXXXXX";
        if (!mkdtemp(directory))
            std::abort();
        return std::string(directory);
    }();
    return root;
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A fresh pair of folders each time: the state classes keep one
    // connection per file and process.
    static unsigned run = 0;
    const std::string dir = Root() + "/" + std::to_string(run++);
    WriteFile(dir + "/desktop/activesync/partnerships.db", data, size);
    WriteFile(dir + "/handheld/activesync/partners.db", data, size);

    if (auto desktop = jsync::DesktopState::Open(dir + "/desktop"); desktop.ok()) {
        for (std::uint64_t device : {0ull, 1ull, 77ull}) {
            auto found = desktop.value()->FindPartnership(device);
            if (found.ok() && found.value()) {
                (void)desktop.value()->Pairings(found.value()->id);
                (void)desktop.value()->PendingCopies(found.value()->id);
            }
        }
        for (std::uint32_t id : {0u, 1u})
            (void)desktop.value()->Pairings(id), (void)desktop.value()->PendingCopies(id);
    }
    if (auto handheld = jsync::HandheldState::Open(dir + "/handheld"); handheld.ok()) {
        (void)handheld.value()->DeviceId(false);
        for (UINT bit : {0u, 1u, 2u}) {
            (void)handheld.value()->Slot(bit);
            (void)handheld.value()->Stamps(bit);
            (void)handheld.value()->SyncedNotes(bit);
        }
    }
    std::filesystem::remove_all(dir);
    return 0;
}
