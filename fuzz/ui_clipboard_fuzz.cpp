// The clipboard file reader: any bytes are refused or read in bounds, and
// what it accepts writes back to the same bytes.
#include "platform/ui/clipboard_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto contents = ui::detail::ParseClipboard(bytes);
    if (contents && !bytes.empty()) {
        const auto again = ui::detail::ParseClipboard(ui::detail::FormatClipboard(*contents));
        if (!again || *again != *contents)
            std::abort();
    }
    return 0;
}
