// The static splitter ("Splitter"): a grid of panes, each a child with its
// row and column in its id. Rows and columns keep their sizes; the last row
// and column take what is left of the splitter.
#include "platform/ui/commctrl.h"
#include "platform/ui/window_impl.h"

#include <algorithm>
#include <utility>

namespace {

struct SplitterState : ui::detail::ControlState {
    std::vector<int> rowHeights;
    std::vector<int> colWidths;
};

// (start, size) of each row or column along `total` pixels.
std::vector<std::pair<int, int>> Spans(const std::vector<int>& sizes, int total, int gap) {
    std::vector<std::pair<int, int>> spans;
    int at = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const int size = i + 1 == sizes.size() ? std::max(0, total - at)
                                               : std::min(sizes[i], std::max(0, total - at));
        spans.emplace_back(at, size);
        at += size + gap;
    }
    return spans;
}

void Layout(HWND hwnd, const SplitterState& s) {
    RECT client{};
    GetClientRect(hwnd, &client);
    const auto rows = Spans(s.rowHeights, client.bottom, kSplitterRowGap);
    const auto cols = Spans(s.colWidths, client.right, kSplitterColumnGap);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < cols.size(); ++c)
            if (HWND pane = GetDlgItem(
                    hwnd, static_cast<int>(SPLITTER_PANE_FIRST + r * kSplitterMaxPanes + c)))
                MoveWindow(pane, cols[c].first, rows[r].first, cols[c].second, rows[r].second,
                           TRUE);
}

bool InGrid(int count) {
    return count >= 1 && count <= kSplitterMaxPanes;
}

LRESULT SplitterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        ui::detail::Find(hwnd)->control = std::make_unique<SplitterState>();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    auto* s = ui::detail::ControlOf<SplitterState>(hwnd);
    if (!s)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (msg) {
    case SPM_SETGRID: {
        const int rows = static_cast<int>(wParam), cols = static_cast<int>(lParam);
        if (!s->rowHeights.empty() || !InGrid(rows) || !InGrid(cols))
            return FALSE;
        s->rowHeights.assign(static_cast<std::size_t>(rows), 0);
        s->colWidths.assign(static_cast<std::size_t>(cols), 0);
        return TRUE;
    }
    case SPM_GETGRID:
        return MAKELONG(static_cast<WORD>(s->rowHeights.size()),
                        static_cast<WORD>(s->colWidths.size()));
    case SPM_SETPANESIZE: {
        const std::size_t row = LOWORD(wParam), col = HIWORD(wParam);
        if (row >= s->rowHeights.size() || col >= s->colWidths.size())
            return FALSE;
        const auto cx = static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam)));
        const auto cy = static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam)));
        s->rowHeights[row] = std::max<int>(s->rowHeights[row], cy);
        s->colWidths[col] = std::max<int>(s->colWidths[col], cx);
        return TRUE;
    }
    case SPM_TRANSPOSE: {
        if (s->rowHeights.empty())
            return FALSE;
        // Ids first, all of them, so no two panes ever share one.
        std::vector<std::pair<HWND, int>> moves;
        for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            const int id = GetDlgCtrlID(c) - static_cast<int>(SPLITTER_PANE_FIRST);
            if (id < 0 || id >= kSplitterMaxPanes * kSplitterMaxPanes)
                continue;
            moves.emplace_back(c, static_cast<int>(SPLITTER_PANE_FIRST) +
                                      (id % kSplitterMaxPanes) * kSplitterMaxPanes +
                                      id / kSplitterMaxPanes);
        }
        for (const auto& [pane, id] : moves)
            SetWindowLongW(pane, GWL_ID, id);
        const std::size_t rows = s->rowHeights.size(), cols = s->colWidths.size();
        s->rowHeights.assign(cols, 0);
        s->colWidths.assign(rows, 0);
        return TRUE;
    }
    case SPM_RECALCLAYOUT:
    case WM_SIZE:
        Layout(hwnd, *s);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace

namespace ui::detail {
void RegisterSplitterClass() {
    RegisterSystemClass(WC_SPLITTERW, SplitterProc);
}
} // namespace ui::detail
