// The common file dialogs (open and save), shown through the back end.
#pragma once

#include "platform/ui/winuser.h"

#include <string>

struct OPENFILENAMEW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCWSTR lpstrFilter;
    LPWSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPWSTR lpstrFile;
    DWORD nMaxFile;
    LPWSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCWSTR lpstrInitialDir;
    LPCWSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCWSTR lpstrDefExt;
    LPARAM lCustData;
    void* lpfnHook;
    LPCWSTR lpTemplateName;
};
using LPOPENFILENAMEW = OPENFILENAMEW*;

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;

// CommDlgExtendedError codes.
constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
constexpr DWORD CDERR_INITIALIZATION = 0x0002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

// TRUE with the chosen path in lpstrFile (and its name in lpstrFileTitle),
// FALSE when cancelled (CommDlgExtendedError 0) or failed (its code). A name
// without an extension gets lpstrDefExt; a relative name is taken in
// lpstrInitialDir, else in DocumentsFolder(). The open dialog
// with OFN_FILEMUSTEXIST refuses a missing file with a message box and asks
// again; the save dialog with OFN_OVERWRITEPROMPT asks "<path> already
// exists.\nDo you want to replace it?" and on No asks again.
BOOL GetOpenFileNameW(LPOPENFILENAMEW lpofn);
BOOL GetSaveFileNameW(LPOPENFILENAMEW lpofn);
DWORD CommDlgExtendedError();

// The print dialog. The layout is the platform's; programs give the size
// of its 32-bit form, PRINTDLG_SIZE, in lStructSize.
struct PRINTDLGW {
    DWORD lStructSize;
    HWND hwndOwner;
    HDC hDC; // out: the printer's device context, with PD_RETURNDC
    DWORD Flags;
    RECT rcMinMargin;
    RECT rcMargin;
    HINSTANCE hInstance;
    LPARAM lCustData;
    void* lpfnPrintHook;
    LPCWSTR lpPrintTemplateName;
    void* hPrintTemplate;
};
using PRINTDLG = PRINTDLGW;
using LPPRINTDLGW = PRINTDLGW*;
constexpr DWORD PRINTDLG_SIZE = 68;

constexpr DWORD PD_DISABLEPRINTRANGE = 0x00000200;
constexpr DWORD PD_DISABLEMARGINS = 0x00000400;
constexpr DWORD PD_DISABLEORIENTATION = 0x00000800;
constexpr DWORD PD_RETURNDC = 0x00040000;

// Lets the user choose the paper (A4 or Letter, the printable size shown)
// and the PDF file the printer writes (empty: the document's name + ".pdf"
// in DocumentsFolder()). TRUE when confirmed, with a new printer device
// context in hDC under PD_RETURNDC (the caller releases it with DeleteDC);
// FALSE when cancelled (CommDlgExtendedError 0) or failed (its code).
BOOL PrintDlg(LPPRINTDLGW lppd);

namespace ui {
// The default folder of the file dialogs: the machine's "My Documents", or
// the working directory in a process that runs on no machine.
std::string DocumentsFolder();
} // namespace ui
