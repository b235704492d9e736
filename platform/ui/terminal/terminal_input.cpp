// Reading the terminal: keys (with Escape-prefixed Alt keys), stylus taps
// from the mouse, and size changes.
#include "platform/ui/terminal/terminal_screen.h"

#include <curses.h>

namespace ui::terminal {

std::optional<Input> ReadInput(int timeoutMs) {
    timeout(timeoutMs);
    wint_t code = 0;
    int kind = get_wch(&code);
    if (kind == ERR)
        return std::nullopt;
    bool alt = false;
    if (kind == OK && code == 0x1B) {
        // Alt+key arrives as Escape and the key together; a lone Escape has nothing after it.
        timeout(0);
        wint_t next = 0;
        const int nextKind = get_wch(&next);
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
    if (kind == KEY_CODE_YES && code == KEY_RESIZE) {
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
