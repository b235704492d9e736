// Keys as a terminal reports them, turned into the key strokes the window
// system expects (ui::PostKeyStroke): a virtual key, the modifiers held and
// the character it types.
#pragma once

#include "platform/ui/winuser.h"

#include <optional>

namespace ui::terminal {

struct KeyStroke {
    UINT virtualKey = 0;
    BYTE modifiers = 0; // FSHIFT, FCONTROL, FALT
    WCHAR character = 0;
    WCHAR trail = 0; // for a character beyond 16 bits, the second half of its pair
    bool operator==(const KeyStroke&) const = default;
};

// The key stroke for one key read with wget_wch: `code` is a character when
// `isKeyCode` is false, else a KEY_* code. `alt` is true when Escape came just
// before it (how terminals send Alt+key). A character beyond 16 bits types
// its surrogate pair. nullopt for keys that have no
// meaning here (an unknown function key, a mouse or resize event).
// Ctrl+letter carries its control code as the character, as a keyboard types
// it; where an accelerator table takes such keys, the caller drops it.
std::optional<KeyStroke> TranslateKey(int code, bool isKeyCode, bool alt);

// Teaches curses the keys with Ctrl or Shift that many terminal descriptions
// lack (Ctrl+Home, Ctrl+End, Ctrl+Insert, Shift+Insert, Shift+Delete ...),
// as xterm-style terminals send them. Call once the screen exists.
void DefineModifiedKeys();

} // namespace ui::terminal
