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

namespace ui {
// The default folder of the file dialogs: the machine's "My Documents", or
// the working directory in a process that runs on no machine.
std::string DocumentsFolder();
} // namespace ui
