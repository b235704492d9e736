// The drawing surface the window system offers its windows: device contexts
// that carry colours and the selected font and brush, solid brushes, fonts and
// system colours. Nothing is rasterised here: back ends read the colours a
// window painted with (for the edit control, ui::EditPaintColors).
#pragma once

#include "platform/ui/winuser.h"

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// System colours.
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_GRAYTEXT = 17;
COLORREF GetSysColor(int nIndex);
// A stock brush of the system colour; never deleted.
HBRUSH GetSysColorBrush(int nIndex);

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int SYSTEM_FONT = 13;
HGDIOBJ GetStockObject(int i);

HDC BeginPaint(HWND hWnd, PAINTSTRUCT* lpPaint);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);
// Return the previous value; CLR_INVALID (or 0) for a DC that is not open.
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);

HBRUSH CreateSolidBrush(COLORREF color);
// The brush's colour, for back ends and tests; CLR_INVALID for no brush.
COLORREF BrushColor(HBRUSH brush);
// FALSE for an object that is not open; stock objects stay.
BOOL DeleteObject(HGDIOBJ ho);

constexpr int LF_FACESIZE = 32;
struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};
HFONT CreateFontIndirectW(const LOGFONTW* lplf);
// Fills the font's LOGFONTW; returns the bytes written, 0 for an unknown font.
int GetObjectW(HGDIOBJ h, int c, LPVOID pv);
