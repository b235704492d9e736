// The drawing surface the window system offers its windows: device contexts
// that carry colours and the selected font and brush, solid brushes, fonts and
// system colours. A window's device context rasterises nothing: back ends
// read the colours a window painted with (for the edit control,
// ui::EditPaintColors). A printer's (PrintDlg) lays text out and draws its
// pages into a PDF file (printer.cpp).
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

// Releases a device context made by PrintDlg (a printer's) or GetDC.
BOOL DeleteDC(HDC hdc);

// What GetDeviceCaps reports; a printer's sizes are in its dots, the
// printable area (HORZRES x VERTRES) starting PHYSICALOFFSETX/Y into the paper.
constexpr int HORZSIZE = 4; // printable width in millimetres
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;
// 0 for an index the device does not know, or a device context that is not a printer's.
int GetDeviceCaps(HDC hdc, int index);

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
// The metrics of the font selected into a printer's device context.
BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* lptm);

constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
// Lays the text out in lprc in the selected font (cchText -1: up to its NUL)
// and draws it, or with DT_CALCRECT only measures it: bottom becomes that of
// the laid-out text, and right too when it is a single line. CR LF, CR and LF
// end a line; with DT_WORDBREAK lines break at spaces and a word wider than
// the rectangle at the character that no longer fits; with DT_EXPANDTABS a
// tab goes on to the next multiple of eight average character widths. The
// height of the text, 0 on failure. Printer device contexts only.
int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, RECT* lprc, UINT format);

// The print job of a printer's device context.
struct DOCINFOW {
    int cbSize;
    LPCWSTR lpszDocName;
    LPCWSTR lpszOutput; // null: the file chosen in the print dialog
    LPCWSTR lpszDatatype;
    DWORD fwType;
};
using ABORTPROC = BOOL (*)(HDC, int);
constexpr int SP_ERROR = -1;
constexpr int SP_APPABORT = -2;
// Called at the end of each page; FALSE cancels the job.
int SetAbortProc(HDC hdc, ABORTPROC proc);
// Each > 0 when done; SP_ERROR (with GetLastError) when the device refused.
int StartDocW(HDC hdc, const DOCINFOW* lpdi);
int StartPage(HDC hdc);
int EndPage(HDC hdc);
// The job's file appears whole only when EndDoc succeeds.
int EndDoc(HDC hdc);
int AbortDoc(HDC hdc);
