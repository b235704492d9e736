// The edit control ("edit"): single- and multi-line text with selection and
// caret, one-level undo, the modified flag, a text limit, word wrap or
// horizontal scrolling, clipboard commands and change notifications.
#include "platform/base/kernel.h"
#include "platform/ui/cell_width.h"
#include "platform/ui/text_layout.h"
#include "platform/ui/window_impl.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

namespace {

using ui::detail::Find;

// The limit before a program sets one, as on the platform.
constexpr std::size_t kDefaultLimit = 32767;

struct Snapshot {
    std::u16string text;
    std::size_t anchor;
    std::size_t caret;
};

struct EditState : ui::detail::ControlState {
    std::u16string text;
    std::size_t anchor = 0; // where the selection started
    std::size_t caret = 0;  // where it ends: the caret
    bool modified = false;
    std::optional<Snapshot> undo;
    bool typing = false; // characters typed in a row share one undo step
    std::size_t limit = kDefaultLimit;
    int firstLine = 0;
    int firstColumn = 0;
    // The first half of a surrogate pair typed, held until its second half
    // comes (a character beyond 16 bits arrives as two WM_CHARs).
    WCHAR pendingHigh = 0;
    std::u16string cue; // shown while the text is empty
};

bool IsHighSurrogate(WCHAR c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(WCHAR c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
// True when `pos` falls between the two halves of a surrogate pair, where no
// caret, cut or line break may go.
bool InsidePair(std::u16string_view text, std::size_t pos) {
    return pos > 0 && pos < text.size() && IsHighSurrogate(text[pos - 1]) &&
           IsLowSurrogate(text[pos]);
}

EditState* State(HWND hwnd) {
    return ui::detail::ControlOf<EditState>(hwnd);
}

DWORD Style(HWND hwnd) {
    return Find(hwnd)->style;
}
bool Multiline(HWND hwnd) {
    return Style(hwnd) & ES_MULTILINE;
}
bool Wraps(HWND hwnd) {
    return Multiline(hwnd) && !(Style(hwnd) & ES_AUTOHSCROLL);
}
bool ReadOnly(HWND hwnd) {
    return Style(hwnd) & ES_READONLY;
}

std::size_t SelectionStart(const EditState& s) {
    return std::min(s.anchor, s.caret);
}
std::size_t SelectionEnd(const EditState& s) {
    return std::max(s.anchor, s.caret);
}

RECT Client(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}
int VisibleColumns(HWND hwnd) {
    return std::max(1, static_cast<int>(Client(hwnd).right) / ui::kCharWidth);
}
int VisibleLines(HWND hwnd) {
    return std::max(1, static_cast<int>(Client(hwnd).bottom) / ui::kLineHeight);
}

std::vector<ui::EditLine> Layout(HWND hwnd, const EditState& s) {
    std::vector<ui::EditLine> lines;
    const std::u16string& text = s.text;
    const bool multiline = Multiline(hwnd);
    const bool wraps = Wraps(hwnd);
    const auto width = static_cast<std::size_t>(VisibleColumns(hwnd));
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = multiline ? text.find(u"\r\n", start) : std::u16string::npos;
        const std::size_t stop = end == std::u16string::npos ? text.size() : end;
        std::size_t at = start;
        if (wraps) {
            // Break at the last blank that fits; a word longer than the line is
            // cut, a wide character never. The blank is looked for within the
            // piece that fits only, so a long line without blanks costs its
            // length, not its square.
            for (;;) {
                std::size_t cut = ui::PositionAtCell(text, at, stop, width);
                if (cut >= stop)
                    break;
                if (cut == at) // one character wider than the whole line
                    cut = at + ui::detail::CodePointAt(text, at).second;
                std::size_t afterBlank = cut;
                while (afterBlank > at && text[afterBlank - 1] != u' ' &&
                       text[afterBlank - 1] != u'\t')
                    --afterBlank;
                if (afterBlank > at)
                    cut = afterBlank;
                lines.push_back({at, cut - at});
                at = cut;
            }
        }
        lines.push_back({at, stop - at});
        if (end == std::u16string::npos)
            return lines;
        start = end + 2;
    }
}

// The cell of position `pos` in its laid-out line.
int CellInLine(const EditState& s, const ui::EditLine& line, std::size_t pos) {
    return static_cast<int>(ui::TextCells(s.text, line.start, pos));
}

std::size_t LineOf(const std::vector<ui::EditLine>& lines, std::size_t pos) {
    for (std::size_t i = lines.size(); i-- > 0;)
        if (lines[i].start <= pos)
            return i;
    return 0;
}

void Changed(HWND hwnd) {
    ui::detail::NeedsPaint(hwnd);
}

void ScrollCaret(HWND hwnd, EditState& s) {
    const auto lines = Layout(hwnd, s);
    const int line = static_cast<int>(LineOf(lines, s.caret));
    const int visible = VisibleLines(hwnd);
    if (line < s.firstLine)
        s.firstLine = line;
    else if (line >= s.firstLine + visible)
        s.firstLine = line - visible + 1;
    if (!Wraps(hwnd)) {
        const int column = CellInLine(s, lines[line], s.caret);
        const int columns = VisibleColumns(hwnd);
        // Scroll a quarter of the width further, as the control does, so
        // typing on does not scroll at every character.
        if (column < s.firstColumn)
            s.firstColumn = std::max(0, column - columns / 4);
        else if (column >= s.firstColumn + columns)
            s.firstColumn = column - columns + 1 + columns / 4;
    } else {
        s.firstColumn = 0;
    }
    Changed(hwnd);
}

void SetSelection(HWND hwnd, EditState& s, std::size_t anchor, std::size_t caret) {
    s.anchor = std::min(anchor, s.text.size());
    s.caret = std::min(caret, s.text.size());
    s.typing = false;
    Changed(hwnd);
}

enum class UndoMode { Record, ExtendTyping, None };

// Replaces the selection with `insert` as a user edit: honours the limit
// (EN_MAXTEXT when it cuts), records undo, marks modified, scrolls the caret
// into view and notifies EN_UPDATE and EN_CHANGE. False when nothing changed.
bool ReplaceSelection(HWND hwnd, EditState& s, std::u16string insert, UndoMode undo) {
    const std::size_t start = SelectionStart(s), end = SelectionEnd(s);
    const std::size_t kept = s.text.size() - (end - start);
    const std::size_t room = s.limit > kept ? s.limit - kept : 0;
    if (insert.size() > room) {
        insert.resize(room);
        if (!insert.empty() && IsHighSurrogate(insert.back()))
            insert.pop_back(); // a character fits whole or not at all
        ui::detail::NotifyParent(hwnd, EN_MAXTEXT);
        if (State(hwnd) != &s)
            return false; // the parent destroyed the control
    }
    if (insert.empty() && start == end)
        return false;
    if (undo == UndoMode::Record || (undo == UndoMode::ExtendTyping && (!s.typing || !s.undo)))
        s.undo = Snapshot{s.text, s.anchor, s.caret};
    s.text.replace(start, end - start, insert);
    s.anchor = s.caret = start + insert.size();
    s.typing = undo == UndoMode::ExtendTyping;
    s.modified = true;
    ScrollCaret(hwnd, s);
    ui::detail::NotifyParent(hwnd, EN_UPDATE);
    ui::detail::NotifyParent(hwnd, EN_CHANGE);
    return true;
}

void SetText(HWND hwnd, EditState& s, const std::u16string& text) {
    s.text = text;
    s.anchor = s.caret = 0;
    s.undo.reset();
    s.typing = false;
    s.modified = false;
    s.firstLine = s.firstColumn = 0;
    Changed(hwnd);
}

bool Undo(HWND hwnd, EditState& s) {
    if (!s.undo || ReadOnly(hwnd))
        return false;
    // Undo swaps with the state before the last edit, so a second undo redoes.
    Snapshot current{s.text, s.anchor, s.caret};
    s.text = s.undo->text;
    s.anchor = s.undo->anchor;
    s.caret = s.undo->caret;
    s.undo = std::move(current);
    s.typing = false;
    s.modified = true;
    ScrollCaret(hwnd, s);
    ui::detail::NotifyParent(hwnd, EN_UPDATE);
    ui::detail::NotifyParent(hwnd, EN_CHANGE);
    return true;
}

bool CopySelection(HWND hwnd, const EditState& s) {
    const std::size_t start = SelectionStart(s), end = SelectionEnd(s);
    if (start == end || (Style(hwnd) & ES_PASSWORD) || !OpenClipboard(hwnd))
        return false;
    const std::u16string selected = s.text.substr(start, end - start);
    const std::size_t bytes = (selected.size() + 1) * sizeof(WCHAR);
    HLOCAL block = LocalAlloc(LMEM_FIXED, bytes);
    bool done = false;
    if (block) {
        std::memcpy(block, selected.c_str(), bytes);
        done = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, static_cast<HANDLE>(block));
        if (!done)
            LocalFree(block);
    }
    CloseClipboard();
    return done;
}

void Paste(HWND hwnd, EditState& s) {
    if (ReadOnly(hwnd) || !OpenClipboard(hwnd))
        return;
    std::u16string pasted;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
        pasted = static_cast<const WCHAR*>(static_cast<void*>(data));
    CloseClipboard();
    if (!Multiline(hwnd))
        pasted = pasted.substr(0, pasted.find_first_of(u"\r\n"));
    if (!pasted.empty())
        ReplaceSelection(hwnd, s, pasted, UndoMode::Record);
}

void Clear(HWND hwnd, EditState& s) {
    if (!ReadOnly(hwnd) && s.anchor != s.caret)
        ReplaceSelection(hwnd, s, {}, UndoMode::Record);
}

// Moves the caret; with shift held the selection grows from its anchor.
void MoveCaret(HWND hwnd, EditState& s, std::size_t to) {
    const bool extend = GetKeyState(VK_SHIFT) < 0;
    s.caret = std::min(to, s.text.size());
    if (!extend)
        s.anchor = s.caret;
    s.typing = false;
    ScrollCaret(hwnd, s);
}

// The position one unit of text before or after `pos`: CR LF and
// surrogate pairs are one, and so is a character with the zero-width marks
// drawn onto it (a caret between them would show inside one cell).
std::size_t StepUnit(const EditState& s, std::size_t pos, int direction) {
    if (direction < 0) {
        if (pos == 0)
            return 0;
        const bool pair =
            pos >= 2 && (s.text.compare(pos - 2, 2, u"\r\n") == 0 || InsidePair(s.text, pos - 1));
        return pair ? pos - 2 : pos - 1;
    }
    if (pos >= s.text.size())
        return s.text.size();
    const bool pair = s.text.compare(pos, 2, u"\r\n") == 0 || InsidePair(s.text, pos + 1);
    return pair ? pos + 2 : pos + 1;
}

bool ZeroWidthAt(const EditState& s, std::size_t pos) {
    return pos < s.text.size() && ui::CellWidth(ui::detail::CodePointAt(s.text, pos).first) == 0;
}

std::size_t Step(const EditState& s, std::size_t pos, int direction) {
    if (direction < 0) {
        pos = StepUnit(s, pos, -1);
        while (pos > 0 && ZeroWidthAt(s, pos))
            pos = StepUnit(s, pos, -1);
        return pos;
    }
    pos = StepUnit(s, pos, +1);
    while (ZeroWidthAt(s, pos))
        pos = StepUnit(s, pos, +1);
    return pos;
}

std::size_t PositionAt(HWND hwnd, const EditState& s, int line, int column) {
    const auto lines = Layout(hwnd, s);
    line = std::clamp(line, 0, static_cast<int>(lines.size()) - 1);
    const auto& l = lines[line];
    return ui::PositionAtCell(s.text, l.start, l.start + l.length,
                              static_cast<std::size_t>(std::max(column, 0)));
}

bool KeyDown(HWND hwnd, EditState& s, UINT key) {
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const auto lines = Layout(hwnd, s);
    const int line = static_cast<int>(LineOf(lines, s.caret));
    const int column = CellInLine(s, lines[line], s.caret);
    switch (key) {
    case VK_LEFT:
        MoveCaret(hwnd, s, Step(s, s.caret, -1));
        return true;
    case VK_RIGHT:
        MoveCaret(hwnd, s, Step(s, s.caret, +1));
        return true;
    case VK_UP:
        MoveCaret(hwnd, s, PositionAt(hwnd, s, line - 1, column));
        return true;
    case VK_DOWN:
        MoveCaret(hwnd, s, PositionAt(hwnd, s, line + 1, column));
        return true;
    case VK_PRIOR:
        MoveCaret(hwnd, s, PositionAt(hwnd, s, line - VisibleLines(hwnd), column));
        return true;
    case VK_NEXT:
        MoveCaret(hwnd, s, PositionAt(hwnd, s, line + VisibleLines(hwnd), column));
        return true;
    case VK_HOME:
        MoveCaret(hwnd, s, control ? 0 : lines[line].start);
        return true;
    case VK_END: {
        // To the end of the line as written, not of the wrapped screen line.
        const std::size_t end = s.text.find_first_of(u"\r\n", s.caret);
        MoveCaret(hwnd, s, control || end == std::u16string::npos ? s.text.size() : end);
        return true;
    }
    case VK_DELETE:
        if (shift) {
            SendMessageW(hwnd, WM_CUT, 0, 0);
        } else if (!ReadOnly(hwnd)) {
            if (s.anchor == s.caret)
                s.anchor = Step(s, s.caret, +1);
            ReplaceSelection(hwnd, s, {}, UndoMode::Record);
        }
        return true;
    case VK_INSERT:
        if (control)
            SendMessageW(hwnd, WM_COPY, 0, 0);
        else if (shift)
            SendMessageW(hwnd, WM_PASTE, 0, 0);
        return true;
    default:
        return false;
    }
}

void Char(HWND hwnd, EditState& s, WCHAR c) {
    switch (c) {
    case 0x03:
        SendMessageW(hwnd, WM_COPY, 0, 0);
        return; // Ctrl+C
    case 0x16:
        SendMessageW(hwnd, WM_PASTE, 0, 0);
        return; // Ctrl+V
    case 0x18:
        SendMessageW(hwnd, WM_CUT, 0, 0);
        return; // Ctrl+X
    case 0x1A:
        SendMessageW(hwnd, WM_UNDO, 0, 0);
        return; // Ctrl+Z
    }
    if (ReadOnly(hwnd))
        return;
    const WCHAR high = std::exchange(s.pendingHigh, 0);
    if (IsHighSurrogate(c)) {
        s.pendingHigh = c;
        return;
    }
    if (IsLowSurrogate(c)) {
        // Only the second half of a pair is a character; a lone half is none.
        if (high && !(Style(hwnd) & ES_NUMBER))
            ReplaceSelection(hwnd, s, std::u16string{high, c}, UndoMode::ExtendTyping);
        return;
    }
    if (c == VK_BACK) {
        if (s.anchor == s.caret)
            s.anchor = Step(s, s.caret, -1);
        ReplaceSelection(hwnd, s, {}, UndoMode::Record);
        return;
    }
    std::u16string insert(1, c);
    if (c == u'\r' || c == u'\n') {
        if (!Multiline(hwnd))
            return;
        insert = u"\r\n";
    } else if (c < 0x20 && c != u'\t') {
        return;
    }
    if (Style(hwnd) & ES_UPPERCASE)
        insert[0] = c >= u'a' && c <= u'z' ? c - 0x20 : c;
    else if (Style(hwnd) & ES_LOWERCASE)
        insert[0] = c >= u'A' && c <= u'Z' ? c + 0x20 : c;
    if ((Style(hwnd) & ES_NUMBER) && (c < u'0' || c > u'9'))
        return;
    ReplaceSelection(hwnd, s, insert, UndoMode::ExtendTyping);
}

LRESULT CopyText(const std::u16string& text, WPARAM capacity, LPARAM buffer) {
    auto* out = reinterpret_cast<LPWSTR>(buffer);
    if (!out || capacity == 0)
        return 0;
    const std::size_t n = std::min<std::size_t>(capacity - 1, text.size());
    std::copy_n(text.data(), n, out);
    out[n] = 0;
    return static_cast<LRESULT>(n);
}

LRESULT EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    ui::detail::Window* w = Find(hwnd);
    if (msg == WM_NCCREATE) {
        auto state = std::make_unique<EditState>();
        if (const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
            state->text = cs->lpszName;
        w->control = std::move(state);
        return TRUE;
    }
    EditState* s = State(hwnd);
    if (!s)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_SETTEXT:
        SetText(hwnd, *s, lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"");
        // A single-line control reports the new text; a multi-line one does not.
        if (!Multiline(hwnd))
            ui::detail::NotifyParent(hwnd, EN_CHANGE);
        return TRUE;
    case WM_GETTEXT:
        return CopyText(s->text, wParam, lParam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(s->text.size());
    case EM_GETSEL: {
        const auto start = static_cast<DWORD>(SelectionStart(*s));
        const auto end = static_cast<DWORD>(SelectionEnd(*s));
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = end;
        return start > 0xFFFF || end > 0xFFFF
                   ? -1
                   : MAKELRESULT(static_cast<WORD>(start), static_cast<WORD>(end));
    }
    case EM_SETSEL: {
        const auto start = static_cast<LONG>(wParam);
        const auto end = static_cast<LONG>(lParam);
        if (start == -1) {
            // Removes the selection and keeps the caret where it is.
            SetSelection(hwnd, *s, s->caret, s->caret);
            return 0;
        }
        const std::size_t last = s->text.size();
        SetSelection(hwnd, *s, static_cast<std::size_t>(start),
                     end < 0 ? last : static_cast<std::size_t>(end));
        return 0;
    }
    case EM_REPLACESEL: {
        // Programs may replace text in a read-only control; only users may not.
        const std::u16string text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
        ReplaceSelection(hwnd, *s, text, wParam ? UndoMode::Record : UndoMode::None);
        if (!wParam && (s = State(hwnd)))
            s->undo.reset();
        return 0;
    }
    case EM_SCROLLCARET:
        ScrollCaret(hwnd, *s);
        return TRUE;
    case EM_GETMODIFY:
        return s->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
        s->modified = wParam != 0;
        return 0;
    case EM_CANUNDO:
        return s->undo ? TRUE : FALSE;
    case EM_UNDO:
    case WM_UNDO:
        return Undo(hwnd, *s) ? TRUE : FALSE;
    case EM_EMPTYUNDOBUFFER:
        s->undo.reset();
        s->typing = false;
        return 0;
    case EM_LIMITTEXT:
        s->limit = wParam == 0 ? ui::kEditMaximumLimit : static_cast<std::size_t>(wParam);
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(s->limit);
    case EM_GETLINECOUNT:
        return static_cast<LRESULT>(Layout(hwnd, *s).size());
    case EM_LINEINDEX: {
        const auto lines = Layout(hwnd, *s);
        const auto line = static_cast<LONG>(wParam);
        if (line < 0)
            return static_cast<LRESULT>(lines[LineOf(lines, s->caret)].start);
        return line < static_cast<LONG>(lines.size()) ? static_cast<LRESULT>(lines[line].start)
                                                      : -1;
    }
    case EM_LINEFROMCHAR: {
        const auto lines = Layout(hwnd, *s);
        const auto pos = static_cast<LONG>(wParam);
        return static_cast<LRESULT>(
            LineOf(lines, pos < 0 ? s->caret : static_cast<std::size_t>(pos)));
    }
    case EM_LINELENGTH: {
        const auto lines = Layout(hwnd, *s);
        const auto pos = static_cast<LONG>(wParam);
        return static_cast<LRESULT>(
            lines[LineOf(lines, pos < 0 ? s->caret : static_cast<std::size_t>(pos))].length);
    }
    case EM_GETLINE: {
        // The buffer's first WORD holds its size in characters; no terminator.
        const auto lines = Layout(hwnd, *s);
        auto* buffer = reinterpret_cast<LPWSTR>(lParam);
        if (!buffer || wParam >= lines.size())
            return 0;
        const std::size_t n =
            std::min<std::size_t>(*reinterpret_cast<WORD*>(buffer), lines[wParam].length);
        std::copy_n(s->text.data() + lines[wParam].start, n, buffer);
        return static_cast<LRESULT>(n);
    }
    case EM_GETFIRSTVISIBLELINE:
        return s->firstLine;
    case EM_LINESCROLL: {
        const int count = static_cast<int>(Layout(hwnd, *s).size());
        s->firstLine =
            std::clamp(s->firstLine + static_cast<int>(lParam), 0, std::max(0, count - 1));
        if (!Wraps(hwnd))
            s->firstColumn = std::max(0, s->firstColumn + static_cast<int>(wParam));
        Changed(hwnd);
        return TRUE;
    }
    case EM_SETCUEBANNER:
        s->cue = lParam ? std::u16string(reinterpret_cast<LPCWSTR>(lParam)) : std::u16string();
        Changed(hwnd);
        return TRUE;
    case EM_GETCUEBANNER: {
        auto* buffer = reinterpret_cast<LPWSTR>(wParam);
        if (!buffer || lParam <= 0 || s->cue.size() >= static_cast<std::size_t>(lParam))
            return FALSE;
        std::copy(s->cue.begin(), s->cue.end(), buffer);
        buffer[s->cue.size()] = u'\0';
        return TRUE;
    }
    case EM_SETREADONLY:
        w->style = wParam ? (w->style | ES_READONLY) : (w->style & ~ES_READONLY);
        Changed(hwnd);
        return TRUE;
    case WM_CUT:
        if (!ReadOnly(hwnd) && CopySelection(hwnd, *s))
            Clear(hwnd, *s);
        return 0;
    case WM_COPY:
        CopySelection(hwnd, *s);
        return 0;
    case WM_PASTE:
        Paste(hwnd, *s);
        return 0;
    case WM_CLEAR:
        Clear(hwnd, *s);
        return 0;
    case WM_CHAR:
        if (IsWindowEnabled(hwnd))
            Char(hwnd, *s, static_cast<WCHAR>(wParam));
        return 0;
    case WM_KEYDOWN:
        if (IsWindowEnabled(hwnd) && KeyDown(hwnd, *s, static_cast<UINT>(wParam)))
            return 0;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
        if (!IsWindowEnabled(hwnd))
            return 0;
        SetFocus(hwnd);
        MoveCaret(hwnd, *s,
                  PositionAt(hwnd, *s, s->firstLine + GET_Y_LPARAM(lParam) / ui::kLineHeight,
                             s->firstColumn + GET_X_LPARAM(lParam) / ui::kCharWidth));
        return 0;
    case WM_SETFOCUS:
        ui::detail::NotifyParent(hwnd, EN_SETFOCUS);
        Changed(hwnd);
        return 0;
    case WM_KILLFOCUS:
        ui::detail::NotifyParent(hwnd, EN_KILLFOCUS);
        Changed(hwnd);
        return 0;
    case WM_SIZE:
        ScrollCaret(hwnd, *s);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS |
               (Multiline(hwnd) ? DLGC_WANTALLKEYS : 0);
    case WM_PAINT:
        // A read-only or disabled control asks for the static colours, as on the platform.
        ui::detail::PaintControl(hwnd, ReadOnly(hwnd) || !IsWindowEnabled(hwnd) ? WM_CTLCOLORSTATIC
                                                                                : WM_CTLCOLOREDIT);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace

namespace ui {

std::vector<EditLine> EditLayout(HWND edit) {
    EditState* s = State(edit);
    return s ? Layout(edit, *s) : std::vector<EditLine>{};
}

POINT EditScrollPosition(HWND edit) {
    EditState* s = State(edit);
    return s ? POINT{s->firstColumn, s->firstLine} : POINT{0, 0};
}

PaintColors ControlPaintColors(HWND control) {
    ui::detail::Window* w = Find(control);
    return w && w->control ? w->control->paint : PaintColors{};
}

} // namespace ui

namespace ui::detail {
void RegisterEditClass() {
    RegisterSystemClass(u"edit", EditProc);
}
} // namespace ui::detail
