#include "device/app/rescue_file.h"

#include "platform/base/unicode.h"
#include "platform/base/whole_file.h"
#include "platform/ce/machine.h"

#include <unistd.h>

#include <string>

namespace {

constexpr char16_t kFolder[] = u"\\My Documents\\";

// Where the handheld's "\My Documents\name" lies on this machine.
std::string LocalPath(const std::u16string& name) {
    const std::u16string folder = kFolder;
    const std::u16string file =
        name.compare(0, folder.size(), folder) == 0 ? name.substr(folder.size()) : name;
    return ce::HandheldDirectory() + "/My Documents/" + unicode::ToUtf8(file);
}

} // namespace

std::u16string FreeRescueFileName() {
    for (int n = 1;; ++n) {
        const std::u16string name = std::u16string(kFolder) + u"Unsaved note" +
                                    (n == 1 ? u"" : u" " + unicode::ToUtf16(std::to_string(n))) +
                                    u".txt";
        if (::access(LocalPath(name).c_str(), F_OK) != 0)
            return name;
    }
}

bool WriteRescueFile(const std::u16string& name, const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    // A rescued note is as private as the store it could not be saved to.
    return platform::WriteWholeFile(LocalPath(name), bytes, platform::ExistingFile::Refuse, 0600)
        .ok();
}
