// The local heap: blocks with a small header in front, so that LocalSize and
// LocalReAlloc know a block's size and LocalFree refuses what is not a block.
#include "platform/base/kernel.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint64_t kLiveBlock = 0x4C4F43414C424C4Bull; // "LOCALBLK"
constexpr std::uint64_t kFreedBlock = 0x46524545444C4F43ull;

// 16 bytes, so the data after it keeps malloc's alignment.
struct alignas(16) BlockHeader {
    std::uint64_t magic;
    std::uint64_t size;
};

BlockHeader* HeaderOf(HLOCAL block) {
    if (!block)
        return nullptr;
    auto* header = static_cast<BlockHeader*>(block) - 1;
    return header->magic == kLiveBlock ? header : nullptr;
}

} // namespace

HLOCAL LocalAlloc(UINT uFlags, std::size_t uBytes) {
    if (uBytes > SIZE_MAX - sizeof(BlockHeader)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + uBytes));
    if (!header) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    header->magic = kLiveBlock;
    header->size = uBytes;
    if (uFlags & LMEM_ZEROINIT)
        std::memset(header + 1, 0, uBytes);
    return header + 1;
}

// Blocks may move when they grow, whatever the flags: callers use the
// returned address, as the platform requires.
HLOCAL LocalReAlloc(HLOCAL hMem, std::size_t uBytes, UINT uFlags) {
    BlockHeader* header = HeaderOf(hMem);
    if (!header) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (uBytes > SIZE_MAX - sizeof(BlockHeader)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const std::size_t oldSize = header->size;
    auto* grown = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + uBytes));
    if (!grown) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr; // the old block stays valid
    }
    grown->size = uBytes;
    if ((uFlags & LMEM_ZEROINIT) && uBytes > oldSize)
        std::memset(reinterpret_cast<BYTE*>(grown + 1) + oldSize, 0, uBytes - oldSize);
    return grown + 1;
}

HLOCAL LocalFree(HLOCAL hMem) {
    if (!hMem)
        return nullptr;
    BlockHeader* header = HeaderOf(hMem);
    if (!header) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem;
    }
    header->magic = kFreedBlock;
    std::free(header);
    return nullptr;
}

std::size_t LocalSize(HLOCAL hMem) {
    BlockHeader* header = HeaderOf(hMem);
    if (!header) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return header->size;
}
