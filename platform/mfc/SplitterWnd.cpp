#include "platform/mfc/SplitterWnd.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)

BOOL CSplitterWnd::CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle, UINT nID) {
    if (!pParentWnd || nRows < 1 || nCols < 1 || nRows > 16 || nCols > 16 || m_hWnd)
        return FALSE;
    m_nRows = nRows;
    m_nCols = nCols;
    m_rowHeights.assign(static_cast<std::size_t>(nRows), 0);
    m_colWidths.assign(static_cast<std::size_t>(nCols), 0);
    RECT client{};
    pParentWnd->GetClientRect(&client);
    return CWnd::Create(nullptr, u"", dwStyle | WS_CHILD, client, pParentWnd, nID);
}

BOOL CSplitterWnd::CreateView(int row, int col, const CRuntimeClass* pViewClass, SIZE sizeInit,
                              CCreateContext* pContext) {
    if (!m_hWnd || row < 0 || col < 0 || row >= m_nRows || col >= m_nCols || !pViewClass ||
        GetPane(row, col))
        return FALSE;
    auto* view = dynamic_cast<CWnd*>(pViewClass->CreateObject());
    if (!view)
        return FALSE;
    m_rowHeights[static_cast<std::size_t>(row)] =
        std::max<int>(m_rowHeights[static_cast<std::size_t>(row)], sizeInit.cy);
    m_colWidths[static_cast<std::size_t>(col)] =
        std::max<int>(m_colWidths[static_cast<std::size_t>(col)], sizeInit.cx);
    const RECT rect{0, 0, sizeInit.cx, sizeInit.cy};
    if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, rect, this,
                      static_cast<UINT>(IdFromRowCol(row, col)), pContext))
        return FALSE; // the view deleted itself with its window
    RecalcLayout();
    return TRUE;
}

CWnd* CSplitterWnd::GetPane(int row, int col) const {
    return CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, IdFromRowCol(row, col)));
}

void CSplitterWnd::RecalcLayout() {
    RECT client{};
    GetClientRect(&client);
    // Every row and column but the last keeps its size; the last takes the rest.
    auto place = [](const std::vector<int>& sizes, int total) {
        std::vector<std::pair<int, int>> spans;
        int at = 0;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const int size = i + 1 == sizes.size() ? std::max(0, total - at)
                                                   : std::min(sizes[i], std::max(0, total - at));
            spans.emplace_back(at, size);
            at += size + kSplitterGap;
        }
        return spans;
    };
    const auto rows = place(m_rowHeights, client.bottom);
    const auto cols = place(m_colWidths, client.right);
    for (int r = 0; r < m_nRows; ++r)
        for (int c = 0; c < m_nCols; ++c)
            if (HWND pane = ::GetDlgItem(m_hWnd, IdFromRowCol(r, c)))
                ::MoveWindow(pane, cols[static_cast<std::size_t>(c)].first,
                             rows[static_cast<std::size_t>(r)].first,
                             cols[static_cast<std::size_t>(c)].second,
                             rows[static_cast<std::size_t>(r)].second, TRUE);
}

void CSplitterWnd::OnSize(UINT, int, int) {
    RecalcLayout();
}
