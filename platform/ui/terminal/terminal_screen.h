// Inside the terminal back end: drawing the windows with ncursesw, reading
// the terminal's input, and the menu bar. Not for callers outside
// platform/ui's terminal files; every call belongs to the UI thread.
#pragma once

#include "platform/ui/cell_width.h"
#include "platform/ui/terminal/terminal_keys.h"
#include "platform/ui/terminal/terminal_layout.h"
#include "platform/ui/text_layout.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui::terminal {

// Sets up the colour pairs, one per background colour (when the terminal has colours).
void InitColors();

// Character attributes as curses takes them (attr_t), kept opaque here.
using Attr = unsigned long;
Attr NormalAttr();
Attr ReverseAttr();
Attr DimAttr();
Attr BoldAttr();
Attr UnderlineAttr();
// The colour pair attribute for a background, or normal without colours.
Attr BackgroundAttr(TermColor background);

int ScreenRows();
int ScreenCols();
// The window system's screen takes the terminal's size (less the status line).
void FitScreenSize();
// After the terminal changed its size: the screen follows it, windows that
// filled the screen fill it again, dialogs and message windows are centred.
void FitWindowsToScreen();
// Writes `text` at (row, col), cut at `width` cells and at the screen's edge,
// padded with spaces to `width` when `pad`.
void PutText(int row, int col, std::u16string_view text, int width, Attr attr, bool pad = false);
// Writes a menu or button label as PutText does, its mnemonic letter underlined.
void PutLabel(int row, int col, const MenuLabel& label, int width, Attr attr, bool pad = false);
// A push button as every dialog and message box shows it: "[ Name ]", shown
// reversed when Enter presses it (the chosen button of a message box, the
// focused or default button of a dialog), dim when disabled.
MenuLabel ButtonFace(const MenuLabel& label);
Attr ButtonAttr(bool entersPress, bool enabled);
// Fills the cells of `cells` with spaces.
void Fill(const CellRect& cells, Attr attr);
// A frame around `outer` with `title` in its top edge; the inside is cleared.
void DrawBox(const CellRect& outer, std::u16string_view title, Attr attr);

// One clickable place of a command bar.
struct BarSlot {
    enum class Kind { Menu, Button, Help, Ok };
    Kind kind;
    int row;
    int col;
    int cols;
    int index;         // Menu: the title's position in the menu bar
    UINT command;      // Button: its command
    char16_t mnemonic; // Menu: the title's mnemonic (lower case)
};

// What the last drawing showed: the command bar of the frame and its places.
struct DrawnScreen {
    HWND commandBar = nullptr;
    HWND frame = nullptr;
    std::vector<BarSlot> slots;
};

// Draws every visible top-level window (oldest first, so newer ones lie on
// top), the status line with the wait marker when `waitDepth` > 0, and puts
// the terminal cursor on the focused edit control's caret. Does not refresh.
DrawnScreen DrawWindows(int waitDepth);
// Only the status line (the wait marker changed).
void DrawStatusLine(int waitDepth);
// Shows what was drawn.
void Present();

// The class name of a window in lower case ("edit", "listbox" ...).
std::u16string ClassOf(HWND hwnd);
// The command bar ("CommandBar" child) of top-level window `top`, or null.
HWND CommandBarOf(HWND top);

// The deepest visible window at a cell, newest top-level window first; null
// when no window is there.
HWND WindowAtCell(int row, int col);
// Sends a stylus tap at a cell to the window there (button down and up, in
// its client coordinates).
void TapAt(int row, int col);

// One input from the terminal.
struct Input {
    enum class Kind { Key, Tap, Resize, Paste, Ignored };
    Kind kind = Kind::Ignored;
    KeyStroke key;
    int row = 0;
    int col = 0;
    std::u16string text; // Paste: the pasted text, its lines ending in CR LF
};
// Reads one input, waiting up to `timeoutMs` (-1: forever); nullopt when none
// came. Once a termination signal arrived it is Escape, so that a box or menu
// that waits for the user closes.
std::optional<Input> ReadInput(int timeoutMs);
// The termination signal that arrived (0: none), and the descriptor that
// becomes readable when one does.
int EndingSignal();
int EndingSignalDescriptor();

// Bracketed paste mode of the terminal, on while the program runs (safe in a
// signal handler); the keys its markers arrive as; and, once the begin marker
// came, the text up to the end marker.
void SetBracketedPaste(bool on);
void DefinePasteKeys();
bool IsPasteBegin(int code);
std::u16string ReadPastedText();
// Gives pasted text to the focused control: an edit control takes it as one
// replacement of its selection (one change, one undo step); another control
// gets its characters as typed.
void DeliverPaste(const std::u16string& text);

// Runs the menu bar of `screen` with title `first` open, until a command is
// chosen (posted to the frame as WM_COMMAND) or the user leaves with Escape.
// `redraw` draws the windows beneath again.
void RunMenuBar(const DrawnScreen& screen, int first, const std::function<DrawnScreen()>& redraw);

// Runs `menu` (a window's system menu) as a popup at row, col until an item
// is chosen or the user leaves with Escape; the command chosen, or 0.
UINT RunPopupMenu(HWND owner, HMENU menu, int row, int col, const std::function<void()>& redraw);

} // namespace ui::terminal
