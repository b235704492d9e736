// Pasting in the terminal: with bracketed paste mode on, the terminal wraps
// pasted text in ESC [ 200 ~ ... ESC [ 201 ~, and the text reaches the
// focused control as one insertion (one change, one undo step, one redraw)
// instead of as thousands of typed keys.
#include "platform/ui/terminal/terminal_screen.h"

#include <curses.h>
#include <unistd.h>

namespace ui::terminal {

namespace {

// The codes the two markers arrive as; far above curses' own and the
// modified keys'.
constexpr int kPasteBeginCode = 0x4100;
constexpr int kPasteEndCode = 0x4101;
// A paste whose end marker never comes (the terminal lost it) ends after
// this long without input.
constexpr int kPasteSilenceMs = 1000;

void WriteToTerminal(const char* sequence, std::size_t size) {
    // write(2) only: this also runs in a signal handler.
    [[maybe_unused]] const ssize_t written = write(STDOUT_FILENO, sequence, size);
}

void AppendCodePoint(std::u16string& text, char32_t c) {
    if (c > 0xFFFF) {
        text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        text += static_cast<char16_t>(c);
    }
}

} // namespace

void SetBracketedPaste(bool on) {
    static constexpr char kOn[] = "\x1b[?2004h";
    static constexpr char kOff[] = "\x1b[?2004l";
    if (on)
        WriteToTerminal(kOn, sizeof kOn - 1);
    else
        WriteToTerminal(kOff, sizeof kOff - 1);
}

void DefinePasteKeys() {
    define_key("\x1b[200~", kPasteBeginCode);
    define_key("\x1b[201~", kPasteEndCode);
}

bool IsPasteBegin(int code) {
    return code == kPasteBeginCode;
}

std::u16string ReadPastedText() {
    std::u16string raw;
    timeout(kPasteSilenceMs);
    for (;;) {
        wint_t code = 0;
        const int kind = get_wch(&code);
        if (kind == ERR || EndingSignal())
            break;
        if (kind == KEY_CODE_YES) {
            if (code == kPasteEndCode)
                break;
            if (code == KEY_RESIZE)
                FitWindowsToScreen();
            continue; // a key sequence inside pasted text is no text
        }
        if (code <= 0x10FFFF)
            AppendCodePoint(raw, static_cast<char32_t>(code));
    }
    timeout(0);
    return PastedLines(raw);
}

void DeliverPaste(const std::u16string& text) {
    HWND focus = GetFocus();
    if (!focus || text.empty() || !IsWindowEnabled(focus))
        return;
    if (ClassOf(focus) == u"edit") {
        const auto style = static_cast<DWORD>(GetWindowLongW(focus, GWL_STYLE));
        if (style & ES_READONLY)
            return;
        // A single-line control takes the first line, as its paste does.
        const std::u16string taken =
            (style & ES_MULTILINE) ? text : text.substr(0, text.find(u'\r'));
        SendMessageW(focus, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(taken.c_str()));
        return;
    }
    // Other controls take the characters as typed (a list box searches by them).
    for (std::size_t i = 0; i < text.size();) {
        const auto [code, units] = detail::CodePointAt(text, i);
        i += units;
        if (code == u'\n')
            continue;
        if (auto key = TranslateKey(static_cast<int>(code), false, false))
            PostKeyStroke(key->virtualKey, key->modifiers, key->character, key->trail);
    }
}

} // namespace ui::terminal
