// Pasting in the terminal: with bracketed paste mode on, the terminal wraps
// pasted text in ESC [ 200 ~ ... ESC [ 201 ~, and the text reaches the
// focused control as one insertion (one change, one undo step, one redraw)
// instead of as thousands of typed keys.
#include "platform/ui/terminal/terminal_screen.h"

#include <curses.h>
#include <poll.h>
#include <unistd.h>

#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

namespace ui::terminal {

namespace {

// The codes the two markers arrive as; far above curses' own and the
// modified keys'.
constexpr int kPasteBeginCode = 0x4100;
constexpr int kPasteEndCode = 0x4101;
// A paste whose end marker never comes (the terminal lost it) ends after
// this long without input.
constexpr int kPasteSilenceMs = 1000;
// A paste larger than this is refused whole (no edit control takes more
// than its limit, and a part of a paste is no paste).
constexpr std::size_t kMaxPasteBytes = 64u * 1024 * 1024;

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

// Terminal bytes in the locale's encoding (UTF-8 as a rule); a byte that
// starts no character is left out.
std::wstring DecodeTerminalBytes(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    std::mbstate_t state{};
    for (std::size_t i = 0; i < bytes.size();) {
        wchar_t c = 0;
        const std::size_t n = std::mbrtowc(&c, bytes.data() + i, bytes.size() - i, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
            state = {};
            ++i;
            continue;
        }
        text += c;
        i += n == 0 ? 1 : n;
    }
    return text;
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
    // Straight from the terminal in large reads: curses takes input a byte
    // at a time (a read and a poll each), which made a 100 KB paste take most
    // of a second. Curses holds nothing beyond the begin marker it matched.
    PasteBytes paste(kMaxPasteBytes);
    std::vector<char> chunk(64 * 1024);
    while (!paste.Ended()) {
        pollfd polls[] = {{STDIN_FILENO, POLLIN, 0}, {EndingSignalDescriptor(), POLLIN, 0}};
        if (::poll(polls, 2, kPasteSilenceMs) <= 0 || EndingSignal() ||
            !(polls[0].revents & POLLIN))
            break;
        const ssize_t n = ::read(STDIN_FILENO, chunk.data(), chunk.size());
        if (n <= 0)
            break;
        paste.Take({chunk.data(), static_cast<std::size_t>(n)});
    }
    // Keys typed after the paste go back to curses, in order.
    const std::wstring rest = DecodeTerminalBytes(paste.After());
    for (std::size_t i = rest.size(); i-- > 0;)
        unget_wch(rest[i]);
    if (paste.TooLarge()) {
        beep();
        return {};
    }
    std::u16string text;
    for (const wchar_t c : DecodeTerminalBytes(paste.Text()))
        AppendCodePoint(text, static_cast<char32_t>(c));
    return PastedLines(text);
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
