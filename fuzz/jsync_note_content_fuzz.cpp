// jsync reads both packet forms for a note's content (pairing equal notes,
// recognising conflict copies, the dry run's titles): any bytes are either
// read within their bounds or refused.
#include "peers/activesync/note_content.h"
#include "platform/win32/machine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// The list separator and code page come from a desktop registry: a scratch one.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/jsync-fuzz-XXXXXX";
    if (const char* desktop = mkdtemp(pattern))
        win32::SetDesktopDirectory(desktop);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const BYTE> bytes(data, size);
    if (auto content = jsync::ContentOfDesktopPacket(bytes); content.ok()) {
        jsync::ContentHash(content.value());
        jsync::TitleOf(content.value());
    }
    if (auto content = jsync::ContentOfDevicePacket(bytes); content.ok())
        jsync::ContentHash(content.value());
    // The same bytes as a category list and a separator.
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * sizeof(char16_t));
    const std::size_t cut = text.size() / 2;
    jsync::DesktopFormOfCategories(
        std::u16string_view(text).substr(cut),
        std::u16string_view(text).substr(0, std::min<std::size_t>(cut, 4)));
    return 0;
}
