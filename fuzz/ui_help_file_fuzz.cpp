// Help files (.htc): any bytes are refused with a reason or read into
// blocks that each carry text, headings never empty.
#include "platform/ui/help_file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto document = ui::ParseHelpFile(bytes, "fuzz.htc");
    if (!document.ok()) {
        if (document.status().message().empty())
            std::abort();
        return 0;
    }
    bool headed = false;
    for (const auto& block : document.value().blocks) {
        const bool heading = block.kind == ui::HelpBlock::Kind::Heading ||
                             block.kind == ui::HelpBlock::Kind::Subheading;
        if (heading && block.text.empty())
            std::abort();
        headed |= heading;
        for (char16_t c : block.text)
            if (c < 0x20 || c == 0x7F)
                std::abort(); // a control character reached the screen
    }
    if (!headed)
        std::abort();
    return 0;
}
