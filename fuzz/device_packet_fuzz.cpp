// Both note packet readers on arbitrary bytes: never a read past the block,
// and what they accept re-encodes to a block the reader accepts again.
#include "shared/notes/note_packet.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly `size` bytes, so that any over-read hits the
    // sanitizer's redzone.
    std::vector<BYTE> block(data, data + size);
    notepacket::DeviceNote device;
    if (notepacket::ReadDeviceNotePacket(block.data(), block.size(), &device) ==
        notepacket::ReadResult::Ok) {
        std::vector<BYTE> again(
            notepacket::DeviceNotePacketSize(device.categories.size(), device.text.size()));
        notepacket::WriteDeviceNotePacket(again.data(), device.color, device.categories,
                                          device.text);
        notepacket::DeviceNote back;
        if (notepacket::ReadDeviceNotePacket(again.data(), again.size(), &back) !=
                notepacket::ReadResult::Ok ||
            back.text != device.text || back.categories != device.categories)
            std::abort();
    }
    notepacket::DesktopNote desktop;
    notepacket::ReadDesktopNotePacket(block.data(), block.size(), &desktop);
    return 0;
}
