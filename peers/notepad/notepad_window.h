// Notepad's window: a dialog with the multi-line edit control holding the
// file's text, "Save" and "Exit" buttons (Escape and the close box exit too).
// Each save ends the dialog and shows it again with the saved text, so that
// every round of the user's work is one modal dialog: in the terminal it
// looks the same, and the headless back end's scripted user answers one
// dialog per round.
#pragma once

#include <string>

namespace notepad {

// The edit control's id, as on the platform's Notepad.
constexpr int kEditId = 15;

// The window's caption for a file: "<file name> - Notepad".
std::u16string CaptionFor(const std::string& desktopPath);

// Opens `desktopPath` ('\' separators allowed) and lets the user edit and
// save it. Returns the exit status: 0 when the user exited with nothing
// unsaved (or chose not to save), 1 when the file could not be opened or the
// window was closed with unsaved changes without the user's say.
int RunNotepad(const std::string& desktopPath);

} // namespace notepad
