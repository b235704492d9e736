// The terminal back end: draws the windows with ncursesw in the terminal the
// program runs in, and turns keys and mouse taps into the window system's
// input. Message boxes, file dialogs and help show as centred boxes; modal
// dialogs are drawn as boxes of their controls and worked with the keyboard.
//
// Keys: accelerators reach the frame's table as the keyboard delivers them;
// F10 (or Alt with a title's mnemonic) opens the command bar's menus; Ctrl+Q
// closes the frame (WM_CLOSE, as its close button would); Tab
// moves between the panes of a frame; a mouse tap is the stylus. Pasted text
// (bracketed paste mode is on while the program runs) reaches the focused
// control as one insertion. After a resize the windows that filled the
// screen fill it again and dialogs are centred again. The
// terminal is given back on exit and on SIGINT, SIGTERM and SIGHUP; before
// such a signal ends the program, every top-level window gets WM_ENDSESSION
// (and an open box is cancelled) so that unsaved work is kept.
#pragma once

#include "platform/ui/backend.h"

#include <memory>
#include <vector>

namespace ui {

class TerminalBackend : public Backend {
public:
    // Takes over the terminal on standard input and output; null when they
    // are not a terminal curses can drive (the caller then stays headless).
    // The screen size the window system reports becomes the terminal's.
    static std::unique_ptr<TerminalBackend> Create();
    ~TerminalBackend() override;
    TerminalBackend(const TerminalBackend&) = delete;
    TerminalBackend& operator=(const TerminalBackend&) = delete;

    int ShowMessageBox(const MessageBoxPrompt& prompt) override;
    std::optional<std::u16string> ChooseFile(const FileDialogPrompt& prompt) override;
    void RunModalDialog(HWND dialog, const std::u16string& caption) override;
    bool WaitForInput(int timeoutMs, std::span<const int> fds) override;
    void WindowChanged(HWND hwnd) override;
    void WaitCursorChanged(int depth) override;
    void StatusTextChanged() override;
    void ShowHelp(const std::u16string& helpFile) override;

private:
    TerminalBackend() = default;
    // Draws every window again and shows it.
    void Redraw();
    // Lets the windows keep their work after a termination signal, then ends
    // the program by that signal.
    void EndForSignal();
    // Shows a box of `text` with `buttons` until one is chosen (Enter, a
    // button's first letter or a tap); Escape chooses `escape` (0: Escape
    // does nothing).
    int RunButtonBox(const std::u16string& title, const std::u16string& text,
                     const std::vector<int>& buttons, int defaultButton, int escape);

    bool m_dirty = true;
    bool m_drawing = false;
    bool m_inputGone = false;  // the terminal hung up: nothing more to read
    HWND m_lastPane = nullptr; // the pane of the frame that had the focus last
    int m_waitDepth = 0;
};

// The one place where a program picks how it meets the user: the terminal
// when it runs in one, headless (prompts answered by the scripted user of
// $JOTTERWICK_SCRIPT) when $JOTTERWICK_HEADLESS is set, when input or output
// is not a terminal, or when curses cannot drive it (then `program` says so
// on standard error).
void ChooseTerminalOrHeadless(const char* program);

} // namespace ui
