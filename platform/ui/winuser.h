// The window system's Win32 surface: windows, messages, the message loop,
// timers, keyboard state, accelerators, the clipboard, cursors and screen
// metrics. Controls, dialogs and GDI have their own headers (controls.h,
// dialog.h, gdi.h, commdlg.h); platform/base/machine.h has the messages shared
// with other processes (WM_NULL, WM_DESTROY, WM_SETTEXT, WM_CLOSE, WM_QUIT,
// WM_USER). PostMessageW, SetWindowTextW, FindWindowW and SetForegroundWindow
// reach other processes' windows through the window station of the machine
// the process runs on (platform::InstalledMachine).
//
// One user-interface thread: every call here belongs to it.
#pragma once

#include "platform/base/machine.h"
#include "platform/base/windef.h"

#include <functional>
#include <string>
#include <vector>

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;
struct POINT {
    LONG x;
    LONG y;
};
struct SIZE {
    LONG cx;
    LONG cy;
};

struct HMENU__;
using HMENU = HMENU__*;
struct HACCEL__;
using HACCEL = HACCEL__*;
struct HICON__;
using HICON = HICON__*;
struct HCURSOR__;
using HCURSOR = HCURSOR__*;
struct HDC__;
using HDC = HDC__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HFONT__;
using HFONT = HFONT__*;
// Any GDI object, as on the platform: brushes and fonts convert to it.
using HGDIOBJ = void*;
using ATOM = WORD;
using COLORREF = DWORD;

using INT_PTR = std::intptr_t;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

constexpr WORD LOWORD(DWORD_PTR v) {
    return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(DWORD_PTR v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
constexpr DWORD MAKELONG(WORD lo, WORD hi) {
    return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16);
}
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) {
    return MAKELONG(lo, hi);
}
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) {
    return static_cast<LPARAM>(MAKELONG(lo, hi));
}
constexpr LRESULT MAKELRESULT(WORD lo, WORD hi) {
    return static_cast<LRESULT>(MAKELONG(lo, hi));
}
constexpr short GET_X_LPARAM(LPARAM l) {
    return static_cast<short>(LOWORD(static_cast<DWORD_PTR>(l)));
}
constexpr short GET_Y_LPARAM(LPARAM l) {
    return static_cast<short>(HIWORD(static_cast<DWORD_PTR>(l)));
}
// A resource named by number, as the platform passes it in a string pointer.
inline LPCWSTR MAKEINTRESOURCEW(WORD id) {
    return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(id));
}
inline bool IS_INTRESOURCE(LPCWSTR name) {
    return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}

// Window messages (those in platform/base/machine.h are not repeated).
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETREDRAW = 0x000B;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_ERASEBKGND = 0x0014;
// wParam TRUE: the program is about to end (a termination signal); keep what is unsaved.
constexpr UINT WM_ENDSESSION = 0x0016;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_HELP = 0x0053;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_CTLCOLOREDIT = 0x0133;
constexpr UINT WM_CTLCOLORLISTBOX = 0x0134;
constexpr UINT WM_CTLCOLORBTN = 0x0135;
constexpr UINT WM_CTLCOLORDLG = 0x0136;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_CUT = 0x0300;
constexpr UINT WM_COPY = 0x0301;
constexpr UINT WM_PASTE = 0x0302;
constexpr UINT WM_CLEAR = 0x0303;
constexpr UINT WM_UNDO = 0x0304;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_APP = 0x8000;

// Window styles.
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_CAPTIONOKBTN = 0x80000000;

// CreateWindowExW position default.
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// Window-long indices.
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_ID = -12;
constexpr int GWLP_WNDPROC = -4;
constexpr int GWLP_HINSTANCE = -6;
constexpr int GWLP_USERDATA = -21;
constexpr int GWL_WNDPROC = GWLP_WNDPROC;
constexpr int GWL_USERDATA = GWLP_USERDATA;
// Extra slots of dialog windows.
constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = 8;
constexpr int DWLP_USER = 16;
constexpr int DWL_MSGRESULT = DWLP_MSGRESULT;
constexpr int DWL_USER = DWLP_USER;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWNA = 8;

// SetWindowPos.
#define HWND_TOP (static_cast<HWND>(nullptr))
#define HWND_BOTTOM (reinterpret_cast<HWND>(static_cast<std::intptr_t>(1)))
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;

// GetWindow relations.
constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;

// WM_SIZE types.
constexpr WPARAM SIZE_RESTORED = 0;

// PeekMessage.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Virtual keys.
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_F1 = 0x70;
constexpr UINT VK_F10 = 0x79;

// Accelerators.
constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;
struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

struct CREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
};
using CREATESTRUCT = CREATESTRUCTW;
using LPCREATESTRUCTW = CREATESTRUCTW*;

struct WNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
};

struct HELPINFO {
    UINT cbSize;
    int iContextType;
    int iCtrlId;
    HANDLE hItemHandle;
    DWORD_PTR dwContextId;
    POINT MousePos;
};

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};

// Window classes. A class registered twice fails with ERROR_CLASS_ALREADY_EXISTS.
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLIPBOARD_NOT_OPEN = 1418;
constexpr DWORD ERROR_INVALID_INDEX = 1413;
ATOM RegisterClassW(const WNDCLASSW* lpWndClass);
BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance);
BOOL GetClassInfoW(HINSTANCE hInstance, LPCWSTR lpClassName, WNDCLASSW* lpWndClass);
int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount);

// Windows. Creation sends WM_NCCREATE, WM_CREATE (either may refuse: -1 /
// FALSE gives null and destroys the window), then WM_SIZE and, for a visible
// window, WM_SHOWWINDOW. A child without WS_CHILD's parent fails.
HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                     int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam);
inline HWND CreateWindowW(LPCWSTR cls, LPCWSTR name, DWORD style, int x, int y, int w, int h,
                          HWND parent, HMENU menu, HINSTANCE inst, LPVOID param) {
    return CreateWindowExW(0, cls, name, style, x, y, w, h, parent, menu, inst, param);
}
// Sends WM_DESTROY to the window, destroys its children, then WM_NCDESTROY.
BOOL DestroyWindow(HWND hWnd);
BOOL IsWindow(HWND hWnd);
BOOL IsChild(HWND hWndParent, HWND hWnd);
HWND GetParent(HWND hWnd);
HWND SetParent(HWND hWndChild, HWND hWndNewParent);
HWND GetWindow(HWND hWnd, UINT uCmd);
HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
int GetDlgCtrlID(HWND hWnd);
LONG GetWindowLongW(HWND hWnd, int nIndex);
LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong);
LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex);
LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount);
int GetWindowTextLengthW(HWND hWnd);
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL IsWindowVisible(HWND hWnd);
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
BOOL IsWindowEnabled(HWND hWnd);
HWND SetFocus(HWND hWnd);
HWND GetFocus();
HWND GetActiveWindow();
HWND SetActiveWindow(HWND hWnd);
BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
BOOL GetWindowRect(HWND hWnd, LPRECT lpRect);
BOOL GetClientRect(HWND hWnd, LPRECT lpRect);
BOOL ScreenToClient(HWND hWnd, POINT* lpPoint);
BOOL ClientToScreen(HWND hWnd, POINT* lpPoint);
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
BOOL UpdateWindow(HWND hWnd);
BOOL CenterWindow(HWND hWnd, HWND hWndCenter);
BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom);
LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// Messages. SendMessageW calls the window procedure at once; 0 with
// ERROR_INVALID_WINDOW_HANDLE for an unknown window.
LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Queues the message for a window of this process, or for its owner through
// the station. FALSE (ERROR_INVALID_WINDOW_HANDLE) for an unknown or dead window.
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// On a window of another process the text arrives there as WM_SETTEXT.
BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString);
// A top-level window on the station by class and/or title (null matches
// any): the newest live match, or null.
HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName);
BOOL SetForegroundWindow(HWND hWnd);
// The owner of a top-level window on the station: its process id is stored in
// *lpdwProcessId (when not null) and returned; 0 for an unknown or dead window.
DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId);
// Waits for the next message for the thread (hWnd null) or for hWnd and its
// children; FALSE when it is WM_QUIT.
BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
// Keyboard translation is the back end's: it delivers WM_CHAR itself. Returns FALSE.
BOOL TranslateMessage(const MSG* lpMsg);
LRESULT DispatchMessageW(const MSG* lpMsg);
void PostQuitMessage(int nExitCode);
BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);

// Timers. WM_TIMER comes from the message loop when a timer is due; a timer
// with a procedure calls it from DispatchMessageW. Returns the timer id (the
// given one for a window timer), 0 on failure.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);

// Keyboard state as the back end reports it (high bit set: key down).
SHORT GetKeyState(int nVirtKey);
SHORT GetAsyncKeyState(int vKey);

// Accelerator tables.
HACCEL CreateAcceleratorTableW(const ACCEL* paccel, int cAccel);
BOOL DestroyAcceleratorTable(HACCEL hAccel);
int CopyAcceleratorTableW(HACCEL hAccelSrc, ACCEL* lpAccelDst, int cAccelEntries);
// On a WM_KEYDOWN / WM_SYSKEYDOWN that matches an entry (with the shift,
// control and alt states of the entry), sends WM_COMMAND (command, 1) to
// hWnd and returns non-zero.
int TranslateAcceleratorW(HWND hWnd, HACCEL hAccTable, LPMSG lpMsg);

// Clipboard, shared by every process of the handheld (a file in its run/
// directory). Formats: CF_TEXT and CF_UNICODETEXT hold NUL-ended text; other
// formats hold bytes. SetClipboardData takes ownership of a LocalAlloc block.
constexpr UINT CF_TEXT = 1;
constexpr UINT CF_UNICODETEXT = 13;
BOOL OpenClipboard(HWND hWndNewOwner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
HANDLE SetClipboardData(UINT uFormat, HANDLE hMem);
// A block owned by the clipboard, valid until the clipboard is closed.
HANDLE GetClipboardData(UINT uFormat);
BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();

// Cursors: the arrow and the wait cursor.
#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define IDC_WAIT MAKEINTRESOURCEW(32514)
HCURSOR LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName);
// Returns the previous cursor.
HCURSOR SetCursor(HCURSOR hCursor);
HCURSOR GetCursor();

// Screen metrics. The screen size is the handheld's (640 x 240 unless a test
// or the back end sets another, ui::SetScreenSize); unknown indices give 0.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
int GetSystemMetrics(int nIndex);

namespace ui {

// Joins the handheld's window station: from now on every top-level window
// (and each that exists) is registered there under its class and title, so
// other processes find it with FindWindowW and reach it with PostMessageW and
// SetWindowTextW; the message loop then also waits on the station socket.
// The notes program joins at start; a desktop program does not. False when
// the process runs on no machine with a station.
bool JoinWindowStation();

// Every top-level window of this process, oldest first (back ends draw them).
std::vector<HWND> TopLevelWindows();

// The screen size GetSystemMetrics reports.
void SetScreenSize(int width, int height);

// Keyboard state. The message loop keeps it as it takes key messages (so
// GetKeyState tells the state at the message being handled, as on the
// platform); SetKeyDown sets it directly.
void SetKeyDown(UINT virtualKey, bool down);

// Queues a key stroke for the window with the focus (else the active
// window), as the keyboard delivers it: the modifiers held (FSHIFT,
// FCONTROL, FALT) go down, the key goes down, `character` (when not 0)
// arrives as WM_CHAR, then all come up again. A character beyond 16 bits is
// a surrogate pair: `character` its first half, `trail` its second, two
// WM_CHARs. False with no window to take it.
bool PostKeyStroke(UINT virtualKey, BYTE modifiers = 0, WCHAR character = 0, WCHAR trail = 0);

// The wait cursor, counted: Begin shows it, the matching End hides it again.
void BeginWaitCursor();
void EndWaitCursor();
int WaitCursorDepth();
// How many times the wait cursor appeared (depth went from 0 to 1).
int WaitCursorShownCount();
// A short text that the screen's status line shows while the program works
// ("Searching..."); empty shows none. The back end is told at once.
void SetStatusText(const std::u16string& text);
const std::u16string& StatusText();

// Opens `helpFile` in the platform's help viewer (the back end shows it;
// help_file.h says where it is looked for). An empty name opens nothing.
void OpenHelpFile(const std::u16string& helpFile);
// The help file last opened (empty if none), for tests.
std::u16string LastHelpFile();

// Handles everything pending without waiting: posted and station messages,
// due timers, paints. Returns false after WM_QUIT was taken (it is left queued
// for the loop).
bool PumpPendingMessages();

// Calls `hook` with the handle of the next window created by this thread,
// before its first message (the framework attaches its window objects so).
void HookNextWindowCreation(std::function<void(HWND)> hook);

// Text units: the system font's character cell in pixels, which dialog units
// and the controls' line layout use.
constexpr int kCharWidth = 8;
constexpr int kLineHeight = 16;

} // namespace ui
