#include "platform/ui/icon.h"

#include "platform/ui/resources.h"

#include <cstring>
#include <map>
#include <memory>

using platform::Result;
using platform::Status;

namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr int kLargeIcon = 32;

struct IconTable {
    std::map<WORD, std::vector<BYTE>> resources;
    std::map<HICON, std::unique_ptr<ui::detail::IconImage>> icons;
};

IconTable& Table() {
    static IconTable table;
    return table;
}

WORD Word(std::span<const BYTE> bytes, std::size_t at) {
    return static_cast<WORD>(bytes[at] | bytes[at + 1] << 8);
}
DWORD Dword(std::span<const BYTE> bytes, std::size_t at) {
    return static_cast<DWORD>(Word(bytes, at)) | static_cast<DWORD>(Word(bytes, at + 2)) << 16;
}

Status Damaged(const std::string& why) {
    return Status::Failure(ERROR_INVALID_DATA, "damaged icon: " + why);
}

std::size_t Stride(int width, int bitsPerPixel) {
    return ((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

// One directory entry's image, whose bytes are `image`.
Result<ui::detail::IconImage> ReadImage(std::span<const BYTE> image, int width, int height) {
    if (image.size() < sizeof(BITMAPINFOHEADER))
        return Damaged("an image shorter than its header");
    BITMAPINFOHEADER header;
    std::memcpy(&header, image.data(), sizeof header);
    if (header.biSize != sizeof header || header.biWidth != width ||
        header.biHeight != 2 * height || header.biPlanes != 1 || header.biCompression != BI_RGB)
        return Damaged("an image header that does not describe its " + std::to_string(width) +
                       " x " + std::to_string(height) + " entry");
    const int bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8)
        return Damaged("an image of " + std::to_string(bits) + " bits per pixel");
    const std::size_t colors = header.biClrUsed ? header.biClrUsed : std::size_t{1} << bits;
    if (colors > (std::size_t{1} << bits))
        return Damaged("more colours than the image's depth holds");
    const std::size_t pixelBytes = Stride(width, bits) * height;
    const std::size_t maskBytes = Stride(width, 1) * height;
    const std::size_t needed = sizeof header + colors * sizeof(RGBQUAD) + pixelBytes + maskBytes;
    if (image.size() < needed)
        return Damaged("an image cut short (" + std::to_string(image.size()) + " of " +
                       std::to_string(needed) + " bytes)");
    ui::detail::IconImage result;
    result.width = width;
    result.height = height;
    result.bitsPerPixel = bits;
    // Indices past a short colour table are black, as the platform draws them.
    result.colors.assign(std::size_t{1} << bits, RGBQUAD{0, 0, 0, 0});
    std::memcpy(result.colors.data(), image.data() + sizeof header, colors * sizeof(RGBQUAD));
    const BYTE* pixels = image.data() + sizeof header + colors * sizeof(RGBQUAD);
    result.pixels.assign(pixels, pixels + pixelBytes);
    result.mask.assign(pixels + pixelBytes, pixels + pixelBytes + maskBytes);
    return result;
}

} // namespace

namespace ui {

void AddIconResource(WORD id, std::vector<BYTE> icoFile) {
    Table().resources[id] = std::move(icoFile);
}

namespace detail {

Result<IconImage> ReadIconImage(std::span<const BYTE> icoFile, int width, int height) {
    if (icoFile.size() < kDirectorySize || Word(icoFile, 0) != 0 || Word(icoFile, 2) != 1)
        return Damaged("not an icon file");
    const std::size_t count = Word(icoFile, 4);
    if (count == 0 || icoFile.size() < kDirectorySize + count * kEntrySize)
        return Damaged("a directory of " + std::to_string(count) + " images that does not fit");
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kDirectorySize + i * kEntrySize;
        // 0 stands for 256.
        const int entryWidth = icoFile[entry] ? icoFile[entry] : 256;
        const int entryHeight = icoFile[entry + 1] ? icoFile[entry + 1] : 256;
        const std::uint64_t size = Dword(icoFile, entry + 8);
        const std::uint64_t offset = Dword(icoFile, entry + 12);
        if (offset + size > icoFile.size() || offset < kDirectorySize + count * kEntrySize)
            return Damaged("image " + std::to_string(i + 1) + " lies outside the file");
        if (entryWidth != width || entryHeight != height)
            continue;
        return ReadImage(icoFile.subspan(offset, size), width, height);
    }
    return Status::Failure(ERROR_RESOURCE_NAME_NOT_FOUND, "the icon has no " +
                                                              std::to_string(width) + " x " +
                                                              std::to_string(height) + " image");
}

} // namespace detail
} // namespace ui

HANDLE LoadImageW(HINSTANCE, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad) {
    if (type != IMAGE_ICON || !IS_INTRESOURCE(name)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const auto it =
        Table().resources.find(static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name)));
    if (it == Table().resources.end()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    if (fuLoad & LR_DEFAULTSIZE) {
        cx = cx ? cx : kLargeIcon;
        cy = cy ? cy : kLargeIcon;
    }
    auto image = ui::detail::ReadIconImage(it->second, cx, cy);
    if (!image.ok()) {
        platform::ReportFailure(image.status());
        return nullptr;
    }
    auto owned = std::make_unique<ui::detail::IconImage>(std::move(image).value());
    auto handle = reinterpret_cast<HICON>(owned.get());
    Table().icons[handle] = std::move(owned);
    return reinterpret_cast<HANDLE>(handle);
}

HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
    return reinterpret_cast<HICON>(
        LoadImageW(hInstance, lpIconName, IMAGE_ICON, kLargeIcon, kLargeIcon, LR_DEFAULTCOLOR));
}

BOOL DestroyIcon(HICON hIcon) {
    if (Table().icons.erase(hIcon) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL GetIconInfo(HICON hIcon, ICONINFO* piconinfo) {
    const auto it = Table().icons.find(hIcon);
    if (it == Table().icons.end() || !piconinfo) {
        SetLastError(it == Table().icons.end() ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const ui::detail::IconImage& icon = *it->second;
    piconinfo->fIcon = TRUE;
    piconinfo->xHotspot = static_cast<DWORD>(icon.width / 2);
    piconinfo->yHotspot = static_cast<DWORD>(icon.height / 2);
    piconinfo->hbmColor = ui::detail::CreatePaletteBitmap(
        icon.width, icon.height, icon.bitsPerPixel, icon.colors, icon.pixels);
    piconinfo->hbmMask = ui::detail::CreatePaletteBitmap(
        icon.width, icon.height, 1, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}}, icon.mask);
    return TRUE;
}
