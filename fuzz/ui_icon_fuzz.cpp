// Icon files (resources of a library, outside bytes to the window system):
// any file is refused with a reason or read into an image whose rows, mask
// and colour table are as long as its size and depth say, at every size.
#include "platform/ui/icon.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const BYTE> file(data, size);
    for (int side : {16, 32, 48}) {
        auto image = ui::detail::ReadIconImage(file, side, side);
        if (!image.ok()) {
            if (image.status().message().empty())
                std::abort();
            continue;
        }
        const std::size_t stride =
            ((static_cast<std::size_t>(side) * image->bitsPerPixel + 31) / 32) * 4;
        const std::size_t maskStride = ((static_cast<std::size_t>(side) + 31) / 32) * 4;
        if (image->pixels.size() != stride * side || image->mask.size() != maskStride * side ||
            image->colors.size() != (std::size_t{1} << image->bitsPerPixel))
            std::abort();
    }
    return 0;
}
