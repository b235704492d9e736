#include "peers/notepad/text_file.h"

#include "platform/base/whole_file.h"
#include "platform/win32/codepage.h"

namespace notepad {

using platform::Result;
using platform::Status;

Result<std::u16string> ReadTextFile(const std::string& hostPath) {
    auto read = platform::ReadWholeFile(hostPath, kMaxFileBytes);
    if (!read.ok()) {
        if (read.status().code() == ERROR_FILE_NOT_FOUND)
            return std::u16string();
        if (read.status().code() == ERROR_INVALID_DATA)
            return Status::Failure(ERROR_BAD_FORMAT, hostPath +
                                                         " is too large for Notepad (more than " +
                                                         std::to_string(kMaxFileBytes) + " bytes)");
        return Status::Failure(read.status().code(),
                               "cannot open " + hostPath + ": " + read.status().message());
    }
    const std::string& bytes = read.value();
    if (bytes.find('\0') != std::string::npos)
        return Status::Failure(ERROR_BAD_FORMAT, hostPath + " is not a text file");

    const std::u16string wide = win32::AnsiToWide(bytes);
    std::u16string text;
    text.reserve(wide.size() + wide.size() / 16);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == u'\n' && (i == 0 || wide[i - 1] != u'\r'))
            text += u'\r';
        text += wide[i];
    }
    return text;
}

Status WriteTextFile(const std::string& hostPath, const std::u16string& text) {
    const Status saved = platform::WriteWholeFile(hostPath, win32::WideToAnsi(text),
                                                  platform::ExistingFile::Replace);
    if (!saved.ok())
        return Status::Failure(saved.code(), "cannot save " + hostPath + ": " + saved.message());
    return Status();
}

} // namespace notepad
