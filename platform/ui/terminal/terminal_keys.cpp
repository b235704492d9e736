#include "platform/ui/terminal/terminal_keys.h"

#include <curses.h>

namespace ui::terminal {

namespace {

// Punctuation has no virtual key of its own here; this one matches no
// accelerator and no editing key (VK_DELETE is '.', VK_HOME is '$' ...).
constexpr UINT kCharacterKey = 0xE5;

// Keys with modifiers as xterm-style terminals send them.
struct ModifiedKey {
    const char* sequence;
    UINT virtualKey;
    BYTE modifiers;
};
constexpr ModifiedKey kModifiedKeys[] = {
    {"\x1b[1;5H", VK_HOME, FCONTROL},          {"\x1b[1;5F", VK_END, FCONTROL},
    {"\x1b[1;6H", VK_HOME, FCONTROL | FSHIFT}, {"\x1b[1;6F", VK_END, FCONTROL | FSHIFT},
    {"\x1b[2;5~", VK_INSERT, FCONTROL},        {"\x1b[2;2~", VK_INSERT, FSHIFT},
    {"\x1b[3;2~", VK_DELETE, FSHIFT},          {"\x1b[3;5~", VK_DELETE, FCONTROL},
};
// Codes for the sequences curses did not know, far above its own.
constexpr int kFirstOwnCode = 0x4000;

// The curses code each modified key arrives as, once defined.
int g_modifiedCodes[std::size(kModifiedKeys)] = {};

std::optional<KeyStroke> FunctionKey(int code) {
    struct Entry {
        int code;
        UINT virtualKey;
        BYTE modifiers;
    };
    static constexpr Entry kKeys[] = {
        {KEY_UP, VK_UP, 0},           {KEY_DOWN, VK_DOWN, 0},         {KEY_LEFT, VK_LEFT, 0},
        {KEY_RIGHT, VK_RIGHT, 0},     {KEY_SR, VK_UP, FSHIFT},        {KEY_SF, VK_DOWN, FSHIFT},
        {KEY_SLEFT, VK_LEFT, FSHIFT}, {KEY_SRIGHT, VK_RIGHT, FSHIFT}, {KEY_HOME, VK_HOME, 0},
        {KEY_END, VK_END, 0},         {KEY_SHOME, VK_HOME, FSHIFT},   {KEY_SEND, VK_END, FSHIFT},
        {KEY_PPAGE, VK_PRIOR, 0},     {KEY_NPAGE, VK_NEXT, 0},        {KEY_DC, VK_DELETE, 0},
        {KEY_IC, VK_INSERT, 0},       {KEY_BTAB, VK_TAB, FSHIFT},     {KEY_ENTER, VK_RETURN, 0},
        {KEY_SDC, VK_DELETE, FSHIFT}, {KEY_SIC, VK_INSERT, FSHIFT},
    };
    for (const Entry& e : kKeys)
        if (e.code == code)
            return KeyStroke{e.virtualKey, e.modifiers, 0};
    for (std::size_t i = 0; i < std::size(kModifiedKeys); ++i)
        if (g_modifiedCodes[i] == code)
            return KeyStroke{kModifiedKeys[i].virtualKey, kModifiedKeys[i].modifiers, 0};
    if (code == KEY_BACKSPACE)
        return KeyStroke{VK_BACK, 0, u'\b'};
    if (code >= KEY_F(1) && code <= KEY_F(12))
        return KeyStroke{VK_F1 + static_cast<UINT>(code - KEY_F(1)), 0, 0};
    return std::nullopt;
}

} // namespace

void DefineModifiedKeys() {
    for (std::size_t i = 0; i < std::size(kModifiedKeys); ++i) {
        // A sequence the terminal description names already keeps its code.
        int code = key_defined(kModifiedKeys[i].sequence);
        if (code <= 0) {
            code = kFirstOwnCode + static_cast<int>(i);
            if (define_key(kModifiedKeys[i].sequence, code) != OK)
                code = 0;
        }
        g_modifiedCodes[i] = code;
    }
}

std::optional<KeyStroke> TranslateKey(int code, bool isKeyCode, bool alt) {
    std::optional<KeyStroke> key;
    if (isKeyCode) {
        key = FunctionKey(code);
    } else if (code == '\r' || code == '\n') {
        key = KeyStroke{VK_RETURN, 0, u'\r'};
    } else if (code == '\t') {
        key = KeyStroke{VK_TAB, 0, u'\t'};
    } else if (code == 0x7F || code == '\b') {
        key = KeyStroke{VK_BACK, 0, u'\b'};
    } else if (code == 0x1B) {
        key = KeyStroke{VK_ESCAPE, 0, 0x1B};
    } else if (code >= 1 && code <= 26) {
        // Ctrl+letter arrives as its control code, which is also what it types.
        key = KeyStroke{static_cast<UINT>('A' + code - 1), FCONTROL, static_cast<WCHAR>(code)};
    } else if (code == ' ') {
        key = KeyStroke{VK_SPACE, 0, u' '};
    } else if (code >= 'a' && code <= 'z') {
        key = KeyStroke{static_cast<UINT>(code - 'a' + 'A'), 0, static_cast<WCHAR>(code)};
    } else if (code >= 'A' && code <= 'Z') {
        key = KeyStroke{static_cast<UINT>(code), FSHIFT, static_cast<WCHAR>(code)};
    } else if (code >= '0' && code <= '9') {
        key = KeyStroke{static_cast<UINT>(code), 0, static_cast<WCHAR>(code)};
    } else if (code > 0x20 && code <= 0xFFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
        key = KeyStroke{kCharacterKey, 0, static_cast<WCHAR>(code)};
    } else if (code > 0xFFFF && code <= 0x10FFFF) {
        const int offset = code - 0x10000;
        key = KeyStroke{kCharacterKey, 0, static_cast<WCHAR>(0xD800 + (offset >> 10)),
                        static_cast<WCHAR>(0xDC00 + (offset & 0x3FF))};
    }
    if (key && alt) {
        // Alt+key types nothing; it is a command key.
        key->modifiers |= FALT;
        key->character = 0;
        key->trail = 0;
    }
    return key;
}

} // namespace ui::terminal
