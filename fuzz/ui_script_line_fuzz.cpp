// The scripted user's script lines (a file named by $JOTTERWICK_SCRIPT): any
// line is refused with a reason or parsed, and a parsed line formats to a
// line that parses to the same expectation.
#include "platform/ui/headless/scripted_user.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
bool Same(const ui::Expectation& a, const ui::Expectation& b) {
    if (a.kind != b.kind || a.caption != b.caption || a.text != b.text || a.button != b.button ||
        a.fileName != b.fileName || a.fields.size() != b.fields.size())
        return false;
    for (std::size_t i = 0; i < a.fields.size(); ++i)
        if (a.fields[i].controlId != b.fields[i].controlId ||
            a.fields[i].value != b.fields[i].value)
            return false;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto parsed = ui::ParseScriptLine(line, &error);
    if (!parsed) {
        if (error.empty())
            std::abort();
        return 0;
    }
    const auto again = ui::ParseScriptLine(ui::FormatScriptLine(*parsed), &error);
    if (!again || !Same(*parsed, *again))
        std::abort();
    return 0;
}
