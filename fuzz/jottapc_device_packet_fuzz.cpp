// SetPacket's reading of a DeviceNotePacket from the handheld: whatever the
// bytes, the reader stays inside them, and a packet it takes gives texts no
// longer than their declared lengths allow.
#include "desktop/sync/note_handler.h"
#include "platform/win32/machine.h"
#include "shared/notes/note_packet.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string desktop =
        (std::filesystem::temp_directory_path() / "jottapc-fuzz-desktop").string();
    win32::SetDesktopDirectory(desktop);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The packet arrives in a block of exactly its size.
    std::vector<BYTE> block(data, data + size);
    const auto fields = CNoteHandler::FieldsFromDevicePacket(block.empty() ? nullptr : block.data(),
                                                             static_cast<DWORD>(block.size()));
    if (!fields)
        return 0;
    const unsigned long long lenCat = LoadU32(block.data() + 4);
    const unsigned long long lenNote = LoadU32(block.data() + 8);
    // A region holds its length's units and a NUL's; an ANSI character takes
    // at most two bytes per UTF-16 unit; the joined categories add at most a
    // separator and a space per name.
    if (fields->body.size() > 2 * (lenNote + 1) || fields->categories.size() > 4 * (lenCat + 1))
        std::abort();
    return 0;
}
