// The common controls a frame is built of: the command bar ("CommandBar":
// menu bar, tool buttons and adornments in one line across the top) and the
// static splitter ("Splitter": a grid of panes). Each keeps its state in the
// window system, so a back end draws it from its class and messages alone.
#pragma once

#include "platform/ui/winuser.h"

// Class names.
inline constexpr const char16_t* WC_COMMANDBARW = u"CommandBar";
inline constexpr const char16_t* WC_SPLITTERW = u"Splitter";

struct TBBUTTON {
    int iBitmap;
    int idCommand;
    BYTE fsState;
    BYTE fsStyle;
    DWORD_PTR dwData;
    INT_PTR iString;
};
using LPTBBUTTON = TBBUTTON*;

// The images of a tool-bar resource: nID in module hInst.
struct TBADDBITMAP {
    HINSTANCE hInst;
    UINT_PTR nID;
};

constexpr BYTE TBSTATE_CHECKED = 0x01;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTATE_HIDDEN = 0x08;
constexpr BYTE TBSTYLE_BUTTON = 0x00;
constexpr BYTE TBSTYLE_SEP = 0x01;
constexpr BYTE TBSTYLE_CHECK = 0x02;

constexpr DWORD CMDBAR_HELP = 0x0001;
constexpr DWORD CMDBAR_OK = 0x0002;

// Tool-bar messages. A button is named by its command in TB_SETSTATE,
// TB_GETSTATE and TB_GETBUTTONTEXTW, by its index in TB_GETBUTTON.
constexpr UINT TB_SETSTATE = WM_USER + 17;  // wParam command, lParam state; FALSE if none
constexpr UINT TB_GETSTATE = WM_USER + 18;  // wParam command; the state, or -1
constexpr UINT TB_ADDBITMAP = WM_USER + 19; // wParam count, lParam TBADDBITMAP*; first index or -1
constexpr UINT TB_ADDBUTTONSW = WM_USER + 20; // wParam count, lParam TBBUTTON*; FALSE if any is bad
constexpr UINT TB_GETBUTTON = WM_USER + 23;   // wParam index, lParam TBBUTTON*
constexpr UINT TB_BUTTONCOUNT = WM_USER + 24;
// wParam command, lParam buffer or null; the length of the button's image
// label (its text on a text-only screen), or -1.
constexpr UINT TB_GETBUTTONTEXTW = WM_USER + 75;

// Command-bar messages.
constexpr UINT CBM_INSERTMENUBAR = WM_USER + 0x200; // wParam HINSTANCE, lParam menu id
constexpr UINT CBM_GETMENU = WM_USER + 0x201;       // the bar's menu (the bar owns it)
constexpr UINT CBM_ADDADORNMENTS = WM_USER + 0x202; // wParam CMDBAR_* flags
constexpr UINT CBM_GETADORNMENTS = WM_USER + 0x203;
// A tap on a button (wParam command): WM_COMMAND to the parent when it is
// enabled; FALSE otherwise.
constexpr UINT CBM_CLICKBUTTON = WM_USER + 0x204;
// A tap on an adornment (wParam CMDBAR_HELP: WM_HELP to the parent; CMDBAR_OK:
// WM_COMMAND IDOK); FALSE when the bar does not have it.
constexpr UINT CBM_CLICKADORNMENT = WM_USER + 0x205;

// The height of a command bar.
constexpr int kCommandBarHeight = ui::kLineHeight + 8;

HWND CommandBar_Create(HINSTANCE hInst, HWND hwndParent, int idCmdBar);
BOOL CommandBar_InsertMenubar(HWND hwndCB, HINSTANCE hInst, WORD idMenu, WORD iButton);
HMENU CommandBar_GetMenu(HWND hwndCB, WORD iButton);
int CommandBar_AddBitmap(HWND hwndCB, HINSTANCE hInst, int idBitmap, int iNumImages,
                         int iImageWidth, int iImageHeight);
BOOL CommandBar_AddButtons(HWND hwndCB, UINT uNumButtons, const TBBUTTON* lpButtons);
BOOL CommandBar_AddAdornments(HWND hwndCB, DWORD dwFlags, DWORD dwReserved);

// Splitter messages. Pane (row, column) is the child with id
// SPLITTER_PANE_FIRST + row * 16 + column; rows and columns keep the largest
// size asked for them, the last row and column take what is left, with a
// gap of one character cell between panes (where the divider shows).
constexpr UINT SPLITTER_PANE_FIRST = 0xE900;
constexpr int kSplitterMaxPanes = 16;
constexpr int kSplitterColumnGap = ui::kCharWidth;
constexpr int kSplitterRowGap = ui::kLineHeight;
constexpr UINT SPM_SETGRID = WM_USER + 0x210; // wParam rows, lParam columns (1..16); once
constexpr UINT SPM_GETGRID = WM_USER + 0x211; // MAKELONG(rows, columns)
constexpr UINT SPM_SETPANESIZE =
    WM_USER + 0x212; // wParam MAKEWPARAM(row, col), lParam MAKELPARAM(cx, cy)
constexpr UINT SPM_RECALCLAYOUT = WM_USER + 0x213; // places the panes
// Turns the grid: pane (row, column) becomes pane (column, row), and the sizes
// asked for are forgotten (SPM_SETPANESIZE sets them anew). FALSE without a grid.
constexpr UINT SPM_TRANSPOSE = WM_USER + 0x214;
