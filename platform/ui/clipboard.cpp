// The clipboard, shared by every process of the handheld: a file in its run/
// directory that is replaced whole on each change, and a lock file that one
// opener holds from OpenClipboard to CloseClipboard.
//
// File layout (little-endian): "JWCB", entry count (u32), then per entry the
// format (u32), the byte count (u32) and the bytes. A file that does not fit
// this layout reads as an empty clipboard.
#include "platform/base/byte_order.h"
#include "platform/base/kernel.h"
#include "platform/base/machine.h"
#include "platform/base/whole_file.h"
#include "platform/ui/clipboard_file.h"
#include "platform/ui/window_impl.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

namespace {

using Contents = ui::detail::ClipboardContents;

struct ClipboardState {
    int lockFd = -1;
    std::vector<HLOCAL> handedOut; // blocks given by GetClipboardData, freed at close
};

ClipboardState& State() {
    static ClipboardState state;
    return state;
}

// Empty in a process that runs on no machine: it has no clipboard to share.
std::string FilePath() {
    platform::Machine* machine = platform::InstalledMachine();
    return machine ? machine->Folder() + "/run/clipboard" : std::string();
}

std::uint32_t ReadU32(const std::string& bytes, std::size_t at) {
    return LoadU32(reinterpret_cast<const BYTE*>(bytes.data()) + at);
}

void AppendU32(std::string& out, std::uint32_t v) {
    BYTE bytes[4];
    StoreU32(bytes, v);
    out.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

} // namespace

namespace ui::detail {

std::optional<Contents> ParseClipboard(const std::string& bytes) {
    Contents contents;
    if (bytes.empty())
        return contents;
    if (bytes.size() < 8 || bytes.compare(0, 4, "JWCB") != 0)
        return std::nullopt;
    const std::uint32_t count = ReadU32(bytes, 4);
    std::size_t at = 8;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (bytes.size() - at < 8)
            return std::nullopt;
        const std::uint32_t format = ReadU32(bytes, at);
        const std::uint32_t size = ReadU32(bytes, at + 4);
        at += 8;
        if (bytes.size() - at < size)
            return std::nullopt;
        contents[format].assign(bytes.begin() + at, bytes.begin() + at + size);
        at += size;
    }
    if (at != bytes.size())
        return std::nullopt;
    return contents;
}

std::string FormatClipboard(const Contents& contents) {
    std::string out = "JWCB";
    AppendU32(out, static_cast<std::uint32_t>(contents.size()));
    for (const auto& [format, data] : contents) {
        AppendU32(out, format);
        AppendU32(out, static_cast<std::uint32_t>(data.size()));
        out.append(data.begin(), data.end());
    }
    return out;
}

} // namespace ui::detail

namespace {

// More than any text a person copies; a larger file is no clipboard of ours.
constexpr std::size_t kMaxClipboardBytes = 256u << 20;

Contents Load() {
    auto bytes = platform::ReadWholeFile(FilePath(), kMaxClipboardBytes);
    if (!bytes.ok() && bytes.status().code() == ERROR_FILE_NOT_FOUND)
        return {};
    auto contents = bytes.ok() ? ui::detail::ParseClipboard(*bytes) : std::nullopt;
    if (!contents) {
        std::fprintf(stderr, "jotterwick: the clipboard file %s is damaged; it reads as empty\n",
                     FilePath().c_str());
        return {};
    }
    return *contents;
}

bool Store(const Contents& contents) {
    return platform::WriteWholeFile(FilePath(), ui::detail::FormatClipboard(contents),
                                    platform::ExistingFile::Replace, 0600)
        .ok();
}

bool IsOpen() {
    return State().lockFd >= 0;
}

} // namespace

BOOL OpenClipboard(HWND) {
    auto& state = State();
    if (state.lockFd >= 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (FilePath().empty()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    const std::string lockPath = FilePath() + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another process has it open, as another window would on the platform.
        if (fd >= 0)
            ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    state.lockFd = fd;
    return TRUE;
}

BOOL CloseClipboard() {
    auto& state = State();
    if (state.lockFd < 0) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    for (HLOCAL block : state.handedOut)
        LocalFree(block);
    state.handedOut.clear();
    ::flock(state.lockFd, LOCK_UN);
    ::close(state.lockFd);
    state.lockFd = -1;
    return TRUE;
}

BOOL EmptyClipboard() {
    if (!IsOpen()) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    if (!Store({})) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    return TRUE;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem) {
    if (!IsOpen()) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    if (!hMem || uFormat == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::size_t size = LocalSize(hMem);
    if (size == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    Contents contents = Load();
    const auto* bytes = static_cast<const BYTE*>(static_cast<void*>(hMem));
    contents[uFormat].assign(bytes, bytes + size);
    if (!Store(contents)) {
        SetLastError(ERROR_WRITE_FAULT);
        return nullptr;
    }
    // The clipboard owns the block now; its bytes are in the file.
    State().handedOut.push_back(hMem);
    return hMem;
}

HANDLE GetClipboardData(UINT uFormat) {
    if (!IsOpen()) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    const Contents contents = Load();
    auto it = contents.find(uFormat);
    if (it == contents.end() || it->second.empty()) {
        SetLastError(ERROR_NOT_FOUND);
        return nullptr;
    }
    HLOCAL block = LocalAlloc(LMEM_FIXED, it->second.size() + sizeof(WCHAR));
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memcpy(block, it->second.data(), it->second.size());
    // A text whose terminator was lost still ends inside the block.
    std::memset(static_cast<BYTE*>(block) + it->second.size(), 0, sizeof(WCHAR));
    State().handedOut.push_back(block);
    return static_cast<HANDLE>(block);
}

BOOL IsClipboardFormatAvailable(UINT format) {
    const Contents contents = Load();
    return contents.count(format) != 0;
}

int CountClipboardFormats() {
    return static_cast<int>(Load().size());
}
