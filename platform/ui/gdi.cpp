#include "platform/ui/gdi.h"
#include "platform/ui/icon.h"

#include "platform/ui/printer_dc.h"
#include "platform/ui/window_impl.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <variant>
#include <vector>

namespace {

struct Brush {
    COLORREF color;
};
struct Font {
    LOGFONTW logFont;
};
// A palette bitmap: its rows bottom-up, each padded to 4 bytes, as a DIB keeps them.
struct Bitmap {
    int width;
    int height;
    int bitsPerPixel;
    std::vector<RGBQUAD> colors;
    std::vector<BYTE> rows;
    std::size_t Stride() const {
        return ((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32) * 4;
    }
    // The colour table index of pixel (x, y), y counted from the bottom row.
    int Index(int x, int y) const {
        const BYTE* row = rows.data() + static_cast<std::size_t>(y) * Stride();
        const int bit = x * bitsPerPixel;
        const int shift = 8 - bitsPerPixel - bit % 8;
        return (row[bit / 8] >> shift) & ((1 << bitsPerPixel) - 1);
    }
};
using GdiObject = std::variant<Brush, Font, Bitmap>;

struct DeviceContext {
    HWND hwnd = nullptr;
    COLORREF bk = RGB(0xFF, 0xFF, 0xFF);
    COLORREF text = RGB(0, 0, 0);
    int bkMode = OPAQUE;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    std::shared_ptr<ui::detail::Printer> printer; // null for a window's
};

struct GdiTable {
    std::map<HGDIOBJ, std::unique_ptr<GdiObject>> objects;
    std::map<HDC, std::unique_ptr<DeviceContext>> dcs;
    std::map<int, HGDIOBJ> stock; // never deleted
};

GdiTable& Table() {
    static GdiTable table;
    return table;
}

HGDIOBJ Insert(GdiObject object) {
    auto owned = std::make_unique<GdiObject>(std::move(object));
    auto handle = reinterpret_cast<HGDIOBJ>(owned.get());
    Table().objects[handle] = std::move(owned);
    return handle;
}

GdiObject* Lookup(HGDIOBJ h) {
    auto it = Table().objects.find(h);
    return it == Table().objects.end() ? nullptr : it->second.get();
}

DeviceContext* Dc(HDC hdc) {
    auto it = Table().dcs.find(hdc);
    return it == Table().dcs.end() ? nullptr : it->second.get();
}

HGDIOBJ Stock(int key, GdiObject object) {
    auto& stock = Table().stock;
    if (auto it = stock.find(key); it != stock.end())
        return it->second;
    return stock[key] = Insert(std::move(object));
}

bool IsStock(HGDIOBJ h) {
    for (const auto& [key, handle] : Table().stock)
        if (handle == h)
            return true;
    return false;
}

} // namespace

COLORREF GetSysColor(int nIndex) {
    switch (nIndex) {
    case COLOR_WINDOW:
        return RGB(0xFF, 0xFF, 0xFF);
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
        return RGB(0, 0, 0);
    case COLOR_BTNFACE:
        return RGB(0xC0, 0xC0, 0xC0);
    case COLOR_GRAYTEXT:
        return RGB(0x80, 0x80, 0x80);
    default:
        return 0;
    }
}

HBRUSH GetSysColorBrush(int nIndex) {
    return reinterpret_cast<HBRUSH>(Stock(1000 + nIndex, Brush{GetSysColor(nIndex)}));
}

HGDIOBJ GetStockObject(int i) {
    switch (i) {
    case WHITE_BRUSH:
        return Stock(i, Brush{RGB(0xFF, 0xFF, 0xFF)});
    case BLACK_BRUSH:
        return Stock(i, Brush{RGB(0, 0, 0)});
    case NULL_BRUSH:
        return Stock(i, Brush{CLR_INVALID});
    case SYSTEM_FONT: {
        LOGFONTW lf{};
        lf.lfHeight = ui::kLineHeight;
        lf.lfWidth = ui::kCharWidth;
        std::memcpy(lf.lfFaceName, u"System", sizeof(u"System"));
        return Stock(i, Font{lf});
    }
    default:
        return nullptr;
    }
}

HDC BeginPaint(HWND hWnd, PAINTSTRUCT* lpPaint) {
    auto* w = ui::detail::Find(hWnd);
    if (!w || !lpPaint)
        return nullptr;
    w->needsPaint = false;
    std::memset(lpPaint, 0, sizeof *lpPaint);
    lpPaint->hdc = GetDC(hWnd);
    GetClientRect(hWnd, &lpPaint->rcPaint);
    return lpPaint->hdc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    return lpPaint && ReleaseDC(hWnd, lpPaint->hdc);
}

HDC GetDC(HWND hWnd) {
    auto dc = std::make_unique<DeviceContext>();
    dc->hwnd = hWnd;
    dc->font = GetStockObject(SYSTEM_FONT);
    auto handle = reinterpret_cast<HDC>(dc.get());
    Table().dcs[handle] = std::move(dc);
    return handle;
}

int ReleaseDC(HWND, HDC hDC) {
    return Table().dcs.erase(hDC) ? 1 : 0;
}

BOOL DeleteDC(HDC hdc) {
    return Table().dcs.erase(hdc) ? TRUE : FALSE;
}

HDC ui::detail::CreatePrinterDC(std::shared_ptr<Printer> printer) {
    HDC hdc = GetDC(nullptr);
    Dc(hdc)->printer = std::move(printer);
    return hdc;
}

ui::detail::Printer* ui::detail::PrinterOf(HDC hdc) {
    DeviceContext* dc = Dc(hdc);
    return dc ? dc->printer.get() : nullptr;
}

HFONT ui::detail::SelectedFont(HDC hdc) {
    DeviceContext* dc = Dc(hdc);
    return dc ? reinterpret_cast<HFONT>(dc->font) : nullptr;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = Dc(hdc);
    if (!dc)
        return CLR_INVALID;
    return std::exchange(dc->bk, color);
}

COLORREF GetBkColor(HDC hdc) {
    DeviceContext* dc = Dc(hdc);
    return dc ? dc->bk : CLR_INVALID;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = Dc(hdc);
    if (!dc)
        return CLR_INVALID;
    return std::exchange(dc->text, color);
}

COLORREF GetTextColor(HDC hdc) {
    DeviceContext* dc = Dc(hdc);
    return dc ? dc->text : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode) {
    DeviceContext* dc = Dc(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    return std::exchange(dc->bkMode, mode);
}

int GetBkMode(HDC hdc) {
    DeviceContext* dc = Dc(hdc);
    return dc ? dc->bkMode : 0;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    DeviceContext* dc = Dc(hdc);
    GdiObject* object = Lookup(h);
    // A device context here draws no bitmap.
    if (!dc || !object || std::holds_alternative<Bitmap>(*object))
        return nullptr;
    return std::exchange(std::holds_alternative<Brush>(*object) ? dc->brush : dc->font, h);
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return reinterpret_cast<HBRUSH>(Insert(Brush{color}));
}

COLORREF BrushColor(HBRUSH brush) {
    GdiObject* object = Lookup(reinterpret_cast<HGDIOBJ>(brush));
    return object && std::holds_alternative<Brush>(*object) ? std::get<Brush>(*object).color
                                                            : CLR_INVALID;
}

BOOL DeleteObject(HGDIOBJ ho) {
    if (!Lookup(ho))
        return FALSE;
    if (!IsStock(ho))
        Table().objects.erase(ho);
    return TRUE;
}

HFONT CreateFontIndirectW(const LOGFONTW* lplf) {
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Font font{*lplf};
    font.logFont.lfFaceName[LF_FACESIZE - 1] = 0;
    return reinterpret_cast<HFONT>(Insert(font));
}

int GetObjectW(HGDIOBJ h, int c, LPVOID pv) {
    GdiObject* object = Lookup(h);
    if (object && std::holds_alternative<Bitmap>(*object)) {
        const Bitmap& bitmap = std::get<Bitmap>(*object);
        if (!pv)
            return sizeof(BITMAP);
        if (c < static_cast<int>(sizeof(BITMAP)))
            return 0;
        BITMAP info{};
        info.bmWidth = bitmap.width;
        info.bmHeight = bitmap.height;
        // A device-dependent bitmap's rows are padded to 2 bytes.
        info.bmWidthBytes = ((bitmap.width * bitmap.bitsPerPixel + 15) / 16) * 2;
        info.bmPlanes = 1;
        info.bmBitsPixel = static_cast<WORD>(bitmap.bitsPerPixel);
        std::memcpy(pv, &info, sizeof info);
        return sizeof(BITMAP);
    }
    if (!object || !std::holds_alternative<Font>(*object))
        return 0;
    if (!pv)
        return sizeof(LOGFONTW);
    if (c < static_cast<int>(sizeof(LOGFONTW)))
        return 0;
    std::memcpy(pv, &std::get<Font>(*object).logFont, sizeof(LOGFONTW));
    return sizeof(LOGFONTW);
}

int GetDIBits(HDC, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, BITMAPINFO* lpbmi,
              UINT usage) {
    GdiObject* object = Lookup(reinterpret_cast<HGDIOBJ>(hbm));
    if (!object || !std::holds_alternative<Bitmap>(*object) || !lpbmi ||
        lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const Bitmap& bitmap = std::get<Bitmap>(*object);
    BITMAPINFOHEADER& header = lpbmi->bmiHeader;
    const int asked = header.biBitCount == 0 ? bitmap.bitsPerPixel : header.biBitCount;
    if (asked != bitmap.bitsPerPixel && asked != 32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    header.biWidth = bitmap.width;
    header.biHeight = bitmap.height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(asked);
    header.biCompression = BI_RGB;
    const std::size_t stride = ((static_cast<std::size_t>(bitmap.width) * asked + 31) / 32) * 4;
    header.biSizeImage = static_cast<DWORD>(stride * bitmap.height);
    header.biClrUsed = asked == 32 ? 0 : static_cast<DWORD>(bitmap.colors.size());
    if (!lpvBits)
        return 1;
    if (asked != 32)
        std::memcpy(lpbmi->bmiColors, bitmap.colors.data(), bitmap.colors.size() * sizeof(RGBQUAD));
    const UINT end = std::min<UINT>(start + cLines, static_cast<UINT>(bitmap.height));
    auto* out = static_cast<BYTE*>(lpvBits);
    for (UINT y = start; y < end; ++y, out += stride) {
        if (asked == bitmap.bitsPerPixel) {
            std::memcpy(out, bitmap.rows.data() + y * bitmap.Stride(), stride);
            continue;
        }
        for (int x = 0; x < bitmap.width; ++x) {
            const RGBQUAD color =
                bitmap.colors[static_cast<std::size_t>(bitmap.Index(x, static_cast<int>(y)))];
            std::memcpy(out + 4 * x, &color, sizeof color);
        }
    }
    return end > start ? static_cast<int>(end - start) : 0;
}

namespace ui::detail {

HBITMAP CreatePaletteBitmap(int width, int height, int bitsPerPixel, std::vector<RGBQUAD> colors,
                            std::vector<BYTE> rows) {
    return reinterpret_cast<HBITMAP>(
        Insert(Bitmap{width, height, bitsPerPixel, std::move(colors), std::move(rows)}));
}

} // namespace ui::detail
