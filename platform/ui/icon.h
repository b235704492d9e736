// Icons and the bitmaps they are made of. An icon resource is the bytes of an
// .ico file (a directory of images, each a BITMAPINFOHEADER, its colour
// table, the colour rows and the transparency mask, rows bottom-up); loading
// one picks the image of the size asked for. The bytes are checked as a
// reader of outside bytes must: an image that does not fit the file, or a
// header that does not describe a palette image, is refused.
#pragma once

#include "platform/base/status.h"
#include "platform/ui/gdi.h"

#include <cstdint>
#include <span>
#include <vector>

struct HBITMAP__;
using HBITMAP = HBITMAP__*;

#pragma pack(push, 2)
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};
// A header and its colour table: the caller gives room for as many colours
// as the bitmap's depth has (16 for 4 bits per pixel).
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

struct ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
};

constexpr UINT IMAGE_ICON = 1;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_DEFAULTSIZE = 0x0040;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;

// Icon `name` of the resource table at cx x cy pixels (0 with LR_DEFAULTSIZE:
// the system's 32 x 32). Null with ERROR_RESOURCE_NAME_NOT_FOUND when there
// is no such icon or no image of that size, ERROR_INVALID_DATA when its
// bytes are damaged. Only IMAGE_ICON is loaded.
HANDLE LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad);
// The icon at the system's large size.
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
BOOL DestroyIcon(HICON hIcon);
// New bitmaps of the icon's colours and mask; the caller deletes them.
BOOL GetIconInfo(HICON hIcon, ICONINFO* piconinfo);

// A bitmap's rows (bottom-up, each padded to 4 bytes) and colour table in
// its own depth, or at 32 bits per pixel; with lpvBits null only the header
// is filled (biBitCount 0 asks for the bitmap's own). Returns the rows
// copied, 0 on failure.
int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, BITMAPINFO* lpbmi,
              UINT usage);

namespace ui {

// Adds icon `id` to the resource table: the bytes of an .ico file, checked
// when it is loaded.
void AddIconResource(WORD id, std::vector<BYTE> icoFile);

namespace detail {

// One image of an .ico file, read and checked.
struct IconImage {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<RGBQUAD> colors;
    std::vector<BYTE> pixels; // colour rows, bottom-up, 4-byte padded
    std::vector<BYTE> mask;   // 1 bit per pixel, set = transparent
};
// The image of `width` x `height` in an .ico file; ERROR_INVALID_DATA with
// the reason when the file is damaged, ERROR_RESOURCE_NAME_NOT_FOUND when it
// has no image of that size.
platform::Result<IconImage> ReadIconImage(std::span<const BYTE> icoFile, int width, int height);

// A bitmap handle over the rows; for GetIconInfo.
HBITMAP CreatePaletteBitmap(int width, int height, int bitsPerPixel, std::vector<RGBQUAD> colors,
                            std::vector<BYTE> rows);

} // namespace detail
} // namespace ui
