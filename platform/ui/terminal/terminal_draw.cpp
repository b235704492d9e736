// Drawing the window tree with ncursesw: each visible window at its cells,
// by its class, style and text: built-in controls by what they hold, the
// command bar as a line of menu titles and tool buttons.
#include "platform/ui/cell_width.h"
#include "platform/ui/commctrl.h"
#include "platform/ui/menu.h"
#include "platform/ui/message_box.h"
#include "platform/ui/terminal/terminal_screen.h"
#include "platform/ui/text_layout.h"

#include <curses.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace ui::terminal {

namespace {

constexpr int kColorCount = 8;

std::u16string TextOf(HWND hwnd) {
    std::u16string text(static_cast<std::size_t>(std::max(0, GetWindowTextLengthW(hwnd))) + 1,
                        u'\0');
    text.resize(static_cast<std::size_t>(
        std::max(0, GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size())))));
    return text;
}

// Children bottom first, so later ones are drawn over earlier ones.
std::vector<HWND> ChildrenBottomFirst(HWND hwnd) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    std::reverse(children.begin(), children.end());
    return children;
}

CellRect CellsOfWindow(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return CellsOf(r);
}

bool Contains(const CellRect& r, int row, int col) {
    return row >= r.row && row < r.row + r.rows && col >= r.col && col < r.col + r.cols;
}

void DrawEdit(HWND edit, const CellRect& at, bool enabled, bool focused) {
    const PaintColors colors = ControlPaintColors(edit);
    Attr base = colors.painted && colors.background != CLR_INVALID
                    ? BackgroundAttr(NearestTermColor(colors.background))
                    : NormalAttr();
    if (!enabled)
        base |= DimAttr();
    Fill(at, base);
    const std::u16string text = TextOf(edit);
    const std::vector<EditLine> lines = EditLayout(edit);
    const POINT scroll = EditScrollPosition(edit);
    DWORD selStart = 0, selEnd = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                 reinterpret_cast<LPARAM>(&selEnd));
    const bool showSelection = focused || (GetWindowLongW(edit, GWL_STYLE) & ES_NOHIDESEL);
    const bool password = (GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD) != 0;
    if (text.empty()) {
        WCHAR cue[256] = {};
        if (SendMessageW(edit, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(cue), 256) && cue[0])
            PutText(at.row, at.col, cue, at.cols, base | DimAttr());
        return;
    }
    for (int row = 0; row < at.rows; ++row) {
        const std::size_t index =
            static_cast<std::size_t>(scroll.y) + static_cast<std::size_t>(row);
        if (index >= lines.size())
            break;
        for (RowPiece& piece : EditRowPieces(text, lines[index], scroll.x, at.cols)) {
            if (password)
                piece.shown.assign(TextCells(piece.shown), u'*');
            const bool selected = showSelection && piece.pos >= selStart && piece.pos < selEnd;
            PutText(at.row + row, at.col + piece.col, piece.shown, at.cols - piece.col,
                    selected ? base | ReverseAttr() : base);
        }
    }
}

void DrawListBox(HWND list, const CellRect& at, bool enabled, bool focused) {
    const Attr base = enabled ? NormalAttr() : DimAttr();
    Fill(at, base);
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    const auto top = std::max<LRESULT>(0, SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    const auto current = SendMessageW(list, LB_GETCURSEL, 0, 0);
    const bool multiple =
        (GetWindowLongW(list, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
    for (int row = 0; row < at.rows && top + row < count; ++row) {
        const WPARAM item = static_cast<WPARAM>(top + row);
        const auto length = SendMessageW(list, LB_GETTEXTLEN, item, 0);
        std::u16string text(static_cast<std::size_t>(std::max<LRESULT>(0, length)) + 1, u'\0');
        const auto got =
            SendMessageW(list, LB_GETTEXT, item, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(std::max<LRESULT>(0, got)));
        const bool atCaret =
            static_cast<LRESULT>(item) == std::max<LRESULT>(current, multiple ? 0 : -1);
        // A list of many choices marks each line chosen, and the line that
        // Space would toggle stands out; a list of one choice shows it by
        // standing out in the focused list and by a mark elsewhere.
        Attr attr = base;
        if (multiple) {
            text = (SendMessageW(list, LB_GETSEL, item, 0) > 0 ? u"[x] " : u"[ ] ") + text;
            if (atCaret && focused)
                attr |= ReverseAttr();
        } else if (atCaret) {
            attr |= focused ? ReverseAttr() : BoldAttr() | A_UNDERLINE;
        }
        PutText(at.row + row, at.col, text, at.cols, attr, true);
    }
}

bool IsPushButton(HWND hwnd) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & BS_TYPEMASK;
    return ClassOf(hwnd) == u"button" && (style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON);
}

// Enter presses the focused push button, else the default one.
bool EnterPresses(HWND button, bool focused) {
    if (focused)
        return true;
    const DWORD style = static_cast<DWORD>(GetWindowLongW(button, GWL_STYLE)) & BS_TYPEMASK;
    HWND focus = GetFocus();
    return style == BS_DEFPUSHBUTTON && !(focus && IsPushButton(focus));
}

void DrawButton(HWND button, const CellRect& at, bool enabled, bool focused) {
    std::u16string label = ParseMenuLabel(TextOf(button)).text;
    const DWORD fullStyle = static_cast<DWORD>(GetWindowLongW(button, GWL_STYLE));
    const DWORD style = fullStyle & BS_TYPEMASK;
    // A multi-line label's later lines go under its first, as far as the
    // button reaches; a single-line one shows its line breaks as spaces.
    std::vector<std::u16string> moreLines;
    if (const auto end = label.find(u'\n'); end != std::u16string::npos) {
        std::u16string rest = label.substr(end + 1);
        label.resize(end);
        if (fullStyle & BS_MULTILINE) {
            for (std::size_t at = 0; at != std::u16string::npos;) {
                const auto next = rest.find(u'\n', at);
                moreLines.push_back(
                    rest.substr(at, next == std::u16string::npos ? next : next - at));
                at = next == std::u16string::npos ? next : next + 1;
            }
        } else {
            for (char16_t& c : rest)
                if (c == u'\n')
                    c = u' ';
            label += u' ' + rest;
        }
    }
    Attr attr = enabled ? NormalAttr() : DimAttr();
    if (style == BS_GROUPBOX) {
        DrawBox(at, label, attr);
        return;
    }
    if (IsPushButton(button)) {
        // No letter is marked: a letter does not press a dialog's button here.
        const MenuLabel face = ButtonFace({label, 0, std::u16string::npos});
        const int left = std::max(0, (at.cols - static_cast<int>(TextCells(face.text))) / 2);
        PutLabel(at.row, at.col + left, face, at.cols - left,
                 ButtonAttr(enabled && EnterPresses(button, focused), enabled));
        return;
    }
    if (focused)
        attr |= ReverseAttr();
    const bool checked = SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
    std::u16string shown;
    switch (style) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
        shown = (checked ? u"[x] " : u"[ ] ") + label;
        break;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        shown = (checked ? u"(*) " : u"( ) ") + label;
        break;
    default:
        shown = label;
    }
    PutText(at.row, at.col, shown, at.cols, attr);
    for (std::size_t i = 0; i < moreLines.size() && static_cast<int>(i) + 1 < at.rows; ++i)
        PutText(at.row + 1 + static_cast<int>(i), at.col + 4, moreLines[i], at.cols - 4,
                enabled ? NormalAttr() : DimAttr());
}

void DrawStatic(HWND control, const CellRect& at, bool enabled) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    if ((style & 0x1F) == SS_ICON)
        return; // an image has no text to show
    std::u16string text = TextOf(control);
    if (!(style & SS_NOPREFIX))
        text = ParseMenuLabel(text).text;
    const Attr attr = enabled ? NormalAttr() : DimAttr();
    if (at.rows == 1 && (style & 0x3) == SS_LEFT) {
        // A label sized for a proportional font may need more cells than it
        // has: it runs on to its parent's edge rather than lose its end.
        const CellRect parent = CellsOfWindow(GetParent(control));
        PutText(at.row, at.col, text, std::max(at.cols, parent.col + parent.cols - at.col), attr);
        return;
    }
    const auto lines = WrapText(text, at.cols);
    for (int row = 0; row < at.rows && row < static_cast<int>(lines.size()); ++row) {
        const auto& line = lines[static_cast<std::size_t>(row)];
        const int width = static_cast<int>(TextCells(line));
        const int left = (style & 0x3) == SS_CENTER  ? std::max(0, (at.cols - width) / 2)
                         : (style & 0x3) == SS_RIGHT ? std::max(0, at.cols - width)
                                                     : 0;
        PutText(at.row + row, at.col + left, line, at.cols - left, attr);
    }
}

void DrawComboBox(HWND combo, const CellRect& at, bool enabled, bool focused) {
    std::u16string text = TextOf(combo);
    const auto current = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (current >= 0) {
        const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(current), 0);
        text.assign(static_cast<std::size_t>(std::max<LRESULT>(0, length)) + 1, u'\0');
        const auto got = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(current),
                                      reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(std::max<LRESULT>(0, got)));
    }
    Attr attr = enabled ? NormalAttr() : DimAttr();
    if (focused)
        attr |= ReverseAttr();
    PutText(at.row, at.col, text, std::max(0, at.cols - 2), attr, true);
    PutText(at.row, at.col + at.cols - 2, u" v", 2, attr);
}

// The label of a command bar's button: the text of its image.
std::u16string ButtonLabel(HWND bar, int command) {
    const auto length = SendMessageW(bar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), 0);
    std::u16string label(static_cast<std::size_t>(std::max<LRESULT>(0, length)) + 1, u'\0');
    SendMessageW(bar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(command),
                 reinterpret_cast<LPARAM>(label.data()));
    label.resize(label.size() - 1);
    return label;
}

void DrawCommandBar(HWND bar, HWND frame, const CellRect& at, DrawnScreen& screen) {
    const Attr barAttr = ReverseAttr();
    Fill({at.row, at.col, 1, at.cols}, barAttr);
    screen.commandBar = bar;
    screen.frame = frame;
    // The adornments keep their place at the right end; what does not fit
    // before them is left out.
    const auto flags = static_cast<DWORD>(SendMessageW(bar, CBM_GETADORNMENTS, 0, 0));
    std::vector<std::pair<std::u16string, BarSlot::Kind>> adornments;
    if (flags & CMDBAR_HELP)
        adornments.push_back({u"[?]", BarSlot::Kind::Help});
    if (flags & CMDBAR_OK)
        adornments.push_back({u"[OK]", BarSlot::Kind::Ok});
    int adornmentWidth = 0;
    for (const auto& a : adornments)
        adornmentWidth += static_cast<int>(TextCells(a.first));
    const int end = at.col + at.cols;
    int col = at.col;
    int limit = end - adornmentWidth;
    auto place = [&](const std::u16string& text, Attr attr, BarSlot slot) {
        const int width = static_cast<int>(TextCells(text));
        if (col + width > limit) {
            limit = col; // the rest is left out too, so the order stays
            return;
        }
        PutText(at.row, col, text, width, attr);
        slot.row = at.row;
        slot.col = col;
        slot.cols = width;
        screen.slots.push_back(slot);
        col += width;
    };
    if (HMENU menu = CommandBar_GetMenu(bar, 0)) {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char16_t title[128] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), title, 128, MF_BYPOSITION);
            const MenuLabel label = ParseMenuLabel(title);
            const std::size_t placed = screen.slots.size();
            place(u" " + label.text + u" ", barAttr,
                  {BarSlot::Kind::Menu, 0, 0, 0, i, 0, label.mnemonic});
            if (screen.slots.size() > placed)
                PutLabel(at.row, screen.slots.back().col + 1, label,
                         static_cast<int>(TextCells(label.text)), barAttr);
        }
    }
    ++col;
    const auto buttons = SendMessageW(bar, TB_BUTTONCOUNT, 0, 0);
    for (LRESULT i = 0; i < buttons; ++i) {
        TBBUTTON button{};
        SendMessageW(bar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
        if (button.fsStyle & TBSTYLE_SEP) {
            ++col;
            continue;
        }
        Attr attr = barAttr;
        if (!(button.fsState & TBSTATE_ENABLED))
            attr |= DimAttr();
        if (button.fsState & TBSTATE_CHECKED)
            attr = NormalAttr() | BoldAttr();
        place(u"[" + ButtonLabel(bar, button.idCommand) + u"]", attr,
              {BarSlot::Kind::Button, 0, 0, 0, 0, static_cast<UINT>(button.idCommand), 0});
    }
    col = std::max(at.col, end - adornmentWidth);
    limit = end;
    for (const auto& [text, kind] : adornments)
        place(text, barAttr, {kind, 0, 0, 0, 0, 0, 0});
}

void DrawWindow(HWND hwnd, bool topLevel, DrawnScreen& screen) {
    if (!IsWindowVisible(hwnd))
        return;
    const CellRect at = CellsOfWindow(hwnd);
    const bool enabled = IsWindowEnabled(hwnd);
    const bool focused = GetFocus() == hwnd;
    const std::u16string cls = ClassOf(hwnd);
    if (cls == u"edit") {
        DrawEdit(hwnd, at, enabled, focused);
    } else if (cls == u"listbox") {
        DrawListBox(hwnd, at, enabled, focused);
    } else if (cls == u"button") {
        DrawButton(hwnd, at, enabled, focused);
    } else if (cls == u"static") {
        DrawStatic(hwnd, at, enabled);
    } else if (cls == u"combobox") {
        DrawComboBox(hwnd, at, enabled, focused);
        return;
    } else if (cls == u"commandbar") {
        // The bar spans its frame's top line, whatever width it was made with.
        const CellRect frame = CellsOfWindow(GetParent(hwnd));
        DrawCommandBar(hwnd, GetParent(hwnd), {at.row, frame.col, at.rows, frame.cols}, screen);
    } else if (cls == u"splitter") {
        // The panes cover it; what shows between them is the splitter bar.
        Fill(at, NormalAttr());
        const bool columns =
            HIWORD(static_cast<DWORD_PTR>(SendMessageW(hwnd, SPM_GETGRID, 0, 0))) > 1;
        for (int r = 0; r < at.rows; ++r)
            for (int c = 0; c < at.cols; ++c)
                mvaddch(at.row + r, at.col + c, columns ? ACS_VLINE : ACS_HLINE);
    } else if (topLevel && (GetWindowLongW(hwnd, GWL_STYLE) & (WS_CAPTION | WS_POPUP))) {
        // A dialog or message window: a frame just outside it, its title on top.
        const CellRect box{at.row - 1, at.col - 1, at.rows + 2, at.cols + 2};
        DrawBox(box, TextOf(hwnd), NormalAttr());
        // The caption's OK button, which Enter presses: a button like any other.
        if (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN) {
            const MenuLabel ok = ButtonFace({u"OK", 0, std::u16string::npos});
            const int width = static_cast<int>(TextCells(ok.text));
            PutLabel(box.row, box.col + box.cols - width - 2, ok, width, ButtonAttr(true, true));
        }
    } else {
        Fill(at, NormalAttr());
    }
    // Group boxes first, as they only frame what lies in them; then labels, so
    // that a label running long never covers a control; then the controls.
    const auto children = ChildrenBottomFirst(hwnd);
    auto isGroupBox = [](HWND child) {
        return ClassOf(child) == u"button" &&
               (static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)) & BS_TYPEMASK) == BS_GROUPBOX;
    };
    for (HWND child : children)
        if (isGroupBox(child))
            DrawWindow(child, false, screen);
    for (HWND child : children)
        if (ClassOf(child) == u"static")
            DrawWindow(child, false, screen);
    for (HWND child : children)
        if (ClassOf(child) != u"static" && !isGroupBox(child))
            DrawWindow(child, false, screen);
}

void PlaceCaret() {
    HWND focus = GetFocus();
    if (!focus || ClassOf(focus) != u"edit" || !IsWindowVisible(focus)) {
        curs_set(0);
        return;
    }
    const CellRect at = CellsOfWindow(focus);
    DWORD selStart = 0, selEnd = 0;
    SendMessageW(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                 reinterpret_cast<LPARAM>(&selEnd));
    const auto cell = CaretCell(TextOf(focus), EditLayout(focus), selEnd, EditScrollPosition(focus),
                                at.rows, at.cols);
    if (!cell) {
        curs_set(0);
        return;
    }
    curs_set(1);
    move(at.row + static_cast<int>(cell->y), at.col + static_cast<int>(cell->x));
}

} // namespace

void InitColors() {
    if (!has_colors() || start_color() == ERR)
        return;
    use_default_colors();
    for (int c = 0; c < kColorCount; ++c)
        init_pair(static_cast<short>(c + 1),
                  static_cast<short>(TextColorOn(static_cast<TermColor>(c))),
                  static_cast<short>(c));
}

Attr NormalAttr() {
    return A_NORMAL;
}
Attr ReverseAttr() {
    return A_REVERSE;
}
Attr DimAttr() {
    return A_DIM;
}
Attr BoldAttr() {
    return A_BOLD;
}
Attr UnderlineAttr() {
    return A_UNDERLINE;
}
Attr BackgroundAttr(TermColor background) {
    if (!has_colors() || COLOR_PAIRS <= kColorCount)
        return A_NORMAL;
    return COLOR_PAIR(static_cast<int>(background) + 1);
}

int ScreenRows() {
    return LINES;
}
int ScreenCols() {
    return COLS;
}

void PutText(int row, int col, std::u16string_view text, int width, Attr attr, bool pad) {
    if (row < 0 || row >= LINES || width <= 0 || col >= COLS)
        return;
    // Each character at its real width; one that would cross the right end
    // (of `width` or of the screen) or start left of it is left out and its
    // cells are blank, so nothing spills into the next window. Control
    // characters and a lone surrogate half show as one mark each.
    const int right = std::min(col + width, COLS);
    std::wstring shown;
    int x = col; // the cell the next character starts at
    for (std::size_t i = 0; i < text.size();) {
        const auto [code, units] = detail::CodePointAt(text, i);
        i += units;
        const int cells = CellWidth(code);
        if (cells > 0 && x >= right)
            break;
        const bool plain = code >= 0x20 && code != 0x7F && (code < 0x80 || code > 0x9F) &&
                           (code < 0xD800 || code > 0xDFFF);
        if (cells == 0) {
            if (x > std::max(col, 0) && plain) // drawn onto the character before it
                shown += static_cast<wchar_t>(code);
            continue;
        }
        if (x < 0 || x + cells > right) {
            const int blank = std::min(x + cells, right) - std::max(x, 0);
            if (blank > 0)
                shown.append(static_cast<std::size_t>(blank), L' ');
        } else {
            shown += plain ? static_cast<wchar_t>(code) : L'?';
        }
        x += cells;
    }
    if (pad && x < right)
        shown.append(static_cast<std::size_t>(right - std::max(x, 0)), L' ');
    if (shown.empty())
        return;
    attrset(static_cast<attr_t>(attr));
    mvaddnwstr(row, std::max(col, 0), shown.c_str(), static_cast<int>(shown.size()));
    attrset(A_NORMAL);
}

void Fill(const CellRect& cells, Attr attr) {
    for (int r = 0; r < cells.rows; ++r)
        PutText(cells.row + r, cells.col, u"", cells.cols, attr, true);
}

void DrawBox(const CellRect& outer, std::u16string_view title, Attr attr) {
    if (outer.rows < 2 || outer.cols < 2)
        return;
    Fill(outer, attr);
    const int bottom = outer.row + outer.rows - 1, right = outer.col + outer.cols - 1;
    attrset(static_cast<attr_t>(attr));
    auto at = [](int r, int c, chtype ch) {
        if (r >= 0 && r < LINES && c >= 0 && c < COLS)
            mvaddch(r, c, ch);
    };
    for (int c = outer.col + 1; c < right; ++c) {
        at(outer.row, c, ACS_HLINE);
        at(bottom, c, ACS_HLINE);
    }
    for (int r = outer.row + 1; r < bottom; ++r) {
        at(r, outer.col, ACS_VLINE);
        at(r, right, ACS_VLINE);
    }
    at(outer.row, outer.col, ACS_ULCORNER);
    at(outer.row, right, ACS_URCORNER);
    at(bottom, outer.col, ACS_LLCORNER);
    at(bottom, right, ACS_LRCORNER);
    attrset(A_NORMAL);
    if (!title.empty())
        PutText(outer.row, outer.col + 2, u" " + std::u16string(title) + u" ", outer.cols - 4,
                attr | A_BOLD);
}

DrawnScreen DrawWindows(int waitDepth) {
    erase();
    DrawnScreen screen;
    for (HWND top : ui::TopLevelWindows())
        DrawWindow(top, true, screen);
    DrawStatusLine(waitDepth);
    PlaceCaret();
    return screen;
}

void DrawStatusLine(int waitDepth) {
    const int row = LINES - 1;
    PutText(row, 0, u" F10 menu   Tab next pane   Ctrl+Q quit", COLS, A_REVERSE, true);
    if (waitDepth > 0)
        PutText(row, std::max(0, COLS - 9), u" [busy] ", 8, A_REVERSE | A_BOLD);
    if (const std::u16string& text = ui::StatusText(); !text.empty()) {
        const int width = static_cast<int>(TextCells(text)) + 2;
        PutText(row, std::max(0, COLS - 10 - width), u" " + text + u" ", width, A_REVERSE | A_BOLD);
    }
}

void Present() {
    refresh();
}

std::u16string ClassOf(HWND hwnd) {
    char16_t name[64] = {};
    const int n = GetClassNameW(hwnd, name, 64);
    std::u16string cls(name, static_cast<std::size_t>(std::max(0, n)));
    for (auto& c : cls)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return cls;
}

HWND CommandBarOf(HWND top) {
    for (HWND c = GetWindow(top, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (ClassOf(c) == u"commandbar")
            return c;
    return nullptr;
}

HWND WindowAtCell(int row, int col) {
    const auto tops = ui::TopLevelWindows();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        if (!IsWindowVisible(*it) || !Contains(CellsOfWindow(*it), row, col))
            continue;
        HWND found = *it;
        for (bool deeper = true; deeper;) {
            deeper = false;
            for (HWND c = GetWindow(found, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                if (IsWindowVisible(c) && Contains(CellsOfWindow(c), row, col)) {
                    found = c;
                    deeper = true;
                    break;
                }
            }
        }
        return found;
    }
    return nullptr;
}

void TapAt(int row, int col) {
    HWND target = WindowAtCell(row, col);
    if (!target)
        return;
    // The middle of the cell, in the window's client coordinates.
    POINT pt{col * kCharWidth + kCharWidth / 2, row * kLineHeight + kLineHeight / 2};
    ScreenToClient(target, &pt);
    const LPARAM at = MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
    PostMessageW(target, WM_LBUTTONDOWN, 0, at);
    PostMessageW(target, WM_LBUTTONUP, 0, at);
}

} // namespace ui::terminal
