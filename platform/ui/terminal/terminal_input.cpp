// Reading the terminal: keys (with Escape-prefixed Alt keys), stylus taps
// from the mouse, and size changes; control sequences of keys that the
// terminal's description does not name are passed over.
#include "platform/ui/terminal/terminal_screen.h"

#include <curses.h>
#include <poll.h>
#include <unistd.h>

namespace ui::terminal {

namespace {

Input Escape() {
    Input input;
    input.kind = Input::Kind::Key;
    input.key = KeyStroke{VK_ESCAPE, 0, 0x1B};
    return input;
}

// After Escape and `introducer` ('[' or 'O'): the rest of a control
// sequence, as a terminal sends a key its description does not name (ESC [
// parameters final, ESC O final). Read whole, it is dropped instead of
// arriving as Alt+[ and characters typed. False when nothing followed: the
// user's own Alt+[ or Alt+O.
bool SkipControlSequence(wint_t introducer) {
    timeout(0);
    wint_t code = 0;
    int kind = get_wch(&code);
    if (kind == ERR)
        return false;
    if (introducer == '[') {
        // Parameter and intermediate bytes, then one final byte.
        while (kind == OK && code >= 0x20 && code <= 0x3F)
            kind = get_wch(&code);
    }
    return true;
}

// Waits up to `timeoutMs` for the terminal or a termination signal.
void WaitForTerminalOrSignal(int timeoutMs) {
    pollfd polls[] = {{STDIN_FILENO, POLLIN, 0}, {EndingSignalDescriptor(), POLLIN, 0}};
    ::poll(polls, 2, timeoutMs);
}

} // namespace

std::optional<Input> ReadInput(int timeoutMs) {
    if (EndingSignal())
        return Escape();
    // What curses holds already comes first; only then is there a wait.
    timeout(0);
    wint_t code = 0;
    int kind = get_wch(&code);
    if (kind == ERR && timeoutMs != 0) {
        WaitForTerminalOrSignal(timeoutMs);
        if (EndingSignal())
            return Escape();
        kind = get_wch(&code);
    }
    if (kind == ERR)
        return std::nullopt;
    bool alt = false;
    if (kind == OK && code == 0x1B) {
        // Alt+key arrives as Escape and the key together; a lone Escape has nothing after it.
        timeout(0);
        wint_t next = 0;
        const int nextKind = get_wch(&next);
        if (nextKind == OK && (next == '[' || next == 'O') && SkipControlSequence(next))
            return Input{};
        if (nextKind != ERR) {
            alt = true;
            kind = nextKind;
            code = next;
        }
    }
    Input input;
    if (kind == KEY_CODE_YES && code == KEY_MOUSE) {
        MEVENT event{};
        if (getmouse(&event) == OK && (event.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED))) {
            input.kind = Input::Kind::Tap;
            input.row = event.y;
            input.col = event.x;
        }
        return input;
    }
    if (kind == KEY_CODE_YES && IsPasteBegin(static_cast<int>(code))) {
        input.kind = Input::Kind::Paste;
        input.text = ReadPastedText();
        return input;
    }
    if (kind == KEY_CODE_YES && code == KEY_RESIZE) {
        // Fitted here, so that a box or menu waiting for a key is drawn on the
        // new screen, over windows that follow it, when it draws again.
        FitWindowsToScreen();
        input.kind = Input::Kind::Resize;
        return input;
    }
    if (auto key = TranslateKey(static_cast<int>(code), kind == KEY_CODE_YES, alt)) {
        input.kind = Input::Kind::Key;
        input.key = *key;
    }
    return input;
}

} // namespace ui::terminal
