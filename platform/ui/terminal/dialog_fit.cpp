// Widening a dialog so that its labels and read-only fields show whole in the
// terminal's cells.
#include "platform/ui/terminal/dialog_fit.h"

#include "platform/ui/cell_width.h"
#include "platform/ui/terminal/terminal_screen.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace ui::terminal {

namespace {

constexpr int kButtonMarkCols = 4;

bool RowsOverlap(const CellRect& a, const CellRect& b) {
    return a.row < b.row + b.rows && b.row < a.row + a.rows;
}

std::u16string TextOf(HWND hwnd) {
    std::u16string text(static_cast<std::size_t>(std::max(0, GetWindowTextLengthW(hwnd))) + 1,
                        u'\0');
    text.resize(static_cast<std::size_t>(
        std::max(0, GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size())))));
    return text;
}

CellRect CellsOfWindow(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return CellsOf(r);
}

FitControl Describe(HWND control) {
    FitControl fit{CellsOfWindow(control), 0, FitControl::Kind::Other};
    const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    const std::u16string cls = ClassOf(control);
    if (!IsWindowVisible(control))
        return fit;
    const std::u16string text = TextOf(control);
    if (text.find(u'\n') != std::u16string::npos)
        return fit; // text of several lines wraps inside its cells
    if (cls == u"static" && (style & 0x1F) == SS_LEFT) {
        fit.textCols =
            static_cast<int>(TextCells((style & SS_NOPREFIX) ? text : ParseMenuLabel(text).text));
        fit.kind = FitControl::Kind::Label;
    } else if (cls == u"edit" && (style & ES_READONLY) && !(style & ES_MULTILINE)) {
        fit.textCols = static_cast<int>(TextCells(text));
        fit.kind = FitControl::Kind::Field;
    } else if (cls == u"button") {
        switch (style & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            // The mark "( ) " or "[ ] " comes before the text.
            fit.textCols = kButtonMarkCols + static_cast<int>(TextCells(ParseMenuLabel(text).text));
            fit.kind = FitControl::Kind::Field;
            break;
        case BS_GROUPBOX:
            fit.kind = FitControl::Kind::Group;
            break;
        }
    }
    return fit;
}

bool Inside(const CellRect& inner, const CellRect& outer) {
    return inner.col > outer.col && inner.col + inner.cols <= outer.col + outer.cols &&
           inner.row >= outer.row && inner.row + inner.rows <= outer.row + outer.rows;
}

} // namespace

DialogFit FitDialogText(const std::vector<FitControl>& controls, int dialogCols, int maxWiden) {
    const std::size_t n = controls.size();
    DialogFit fit{std::vector<int>(n, 0), std::vector<int>(n, 0), 0};
    // The right edge of control j now: a label's text may run past its cells.
    const auto rightNow = [&](std::size_t j) {
        const FitControl& c = controls[j];
        const int left = c.cells.col + fit.shift[j];
        const int cells = left + c.cells.cols + fit.grow[j];
        return c.kind == FitControl::Kind::Label ? std::max(cells, left + c.textCols) : cells;
    };
    int laidOutRightmost = 0;
    for (std::size_t j = 0; j < n; ++j)
        laidOutRightmost =
            std::max(laidOutRightmost, controls[j].cells.col + controls[j].cells.cols);
    // How much wider than laid out the dialog must be now: as much as its
    // rightmost control moved, and enough for every label's text.
    const auto widening = [&] {
        int wider = 0;
        for (std::size_t j = 0; j < n; ++j)
            wider = std::max(wider, controls[j].kind == FitControl::Kind::Label
                                        ? rightNow(j) - dialogCols
                                        : rightNow(j) - laidOutRightmost);
        return wider;
    };
    // Moves every control from column `from` (as laid out) on by `by`.
    const auto pushRight = [&](int from, int by) {
        for (std::size_t j = 0; j < n; ++j)
            if (controls[j].cells.col >= from)
                fit.shift[j] += by;
    };
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return controls[a].cells.col < controls[b].cells.col;
    });
    for (std::size_t i : order) {
        const FitControl& c = controls[i];
        if (c.kind == FitControl::Kind::Other || c.kind == FitControl::Kind::Group)
            continue;
        const int left = c.cells.col + fit.shift[i];
        const int laidOutRight = c.cells.col + c.cells.cols;
        // The controls right of this one: fields push every control from
        // their right edge on, so columns stay aligned; a label pushes from
        // the nearest control on its rows.
        int from = laidOutRight;
        int textEnd = left + c.textCols;
        if (c.kind == FitControl::Kind::Label) {
            from = std::numeric_limits<int>::max();
            for (std::size_t j = 0; j < n; ++j)
                if (j != i && controls[j].cells.col > c.cells.col &&
                    RowsOverlap(controls[j].cells, c.cells))
                    from = std::min(from, controls[j].cells.col);
            textEnd += 1; // a blank before the next control
        }
        int room = maxWiden - widening();
        if (c.kind == FitControl::Kind::Field) {
            const int grow = std::min(room, textEnd - (left + c.cells.cols + fit.grow[i]));
            if (grow > 0)
                fit.grow[i] += grow;
            room = maxWiden - widening();
        }
        // The nearest control right of `from` keeps its distance from the text's end.
        int nextNow = std::numeric_limits<int>::max();
        int nextLaidOut = std::numeric_limits<int>::max();
        for (std::size_t j = 0; j < n; ++j)
            if (controls[j].cells.col >= from) {
                nextNow = std::min(nextNow, controls[j].cells.col + fit.shift[j]);
                nextLaidOut = std::min(nextLaidOut, controls[j].cells.col);
            }
        if (nextNow == std::numeric_limits<int>::max())
            continue; // nothing to its right: only the dialog widens
        const int gap = c.kind == FitControl::Kind::Field ? nextLaidOut - laidOutRight : 0;
        const int end =
            c.kind == FitControl::Kind::Field ? left + c.cells.cols + fit.grow[i] : textEnd;
        const int push = std::min(room, end + gap - nextNow);
        if (push > 0)
            pushRight(from, push);
    }
    // A group box grows to hold what grew inside it, one column for its
    // frame; the controls right of it keep their distance.
    for (std::size_t g : order) {
        const FitControl& box = controls[g];
        if (box.kind != FitControl::Kind::Group)
            continue;
        int need = 0;
        for (std::size_t j = 0; j < n; ++j)
            if (j != g && Inside(controls[j].cells, box.cells))
                need = std::max(need, rightNow(j) + 1);
        const int right = box.cells.col + fit.shift[g] + box.cells.cols + fit.grow[g];
        const int grow = std::min(maxWiden - widening(), need - right);
        if (grow <= 0)
            continue;
        fit.grow[g] += grow;
        const int laidOutRight = box.cells.col + box.cells.cols;
        int nextNow = std::numeric_limits<int>::max();
        int nextLaidOut = std::numeric_limits<int>::max();
        for (std::size_t j = 0; j < n; ++j)
            if (controls[j].cells.col >= laidOutRight &&
                RowsOverlap(controls[j].cells, box.cells)) {
                nextNow = std::min(nextNow, controls[j].cells.col + fit.shift[j]);
                nextLaidOut = std::min(nextLaidOut, controls[j].cells.col);
            }
        if (nextNow == std::numeric_limits<int>::max())
            continue;
        const int push =
            std::min(maxWiden - widening(), right + grow + (nextLaidOut - laidOutRight) - nextNow);
        if (push > 0)
            pushRight(laidOutRight, push);
    }
    fit.widen = std::min(maxWiden, widening());
    return fit;
}

void FitDialogToText(HWND dialog) {
    std::vector<HWND> children;
    std::vector<FitControl> controls;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        children.push_back(c);
        controls.push_back(Describe(c));
    }
    const CellRect box = CellsOfWindow(dialog);
    // The frame takes a column on each side of the dialog.
    const int room = std::max(0, ScreenCols() - 2 - box.cols);
    const DialogFit fit = FitDialogText(controls, box.cols, room);
    if (fit.widen == 0)
        return;
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (!fit.shift[i] && !fit.grow[i])
            continue;
        RECT r{};
        GetWindowRect(children[i], &r);
        POINT topLeft{r.left, r.top};
        ScreenToClient(dialog, &topLeft);
        MoveWindow(children[i], topLeft.x + fit.shift[i] * kCharWidth, topLeft.y,
                   r.right - r.left + fit.grow[i] * kCharWidth, r.bottom - r.top, TRUE);
    }
    RECT d{};
    GetWindowRect(dialog, &d);
    MoveWindow(dialog, d.left, d.top, d.right - d.left + fit.widen * kCharWidth, d.bottom - d.top,
               TRUE);
}

} // namespace ui::terminal
