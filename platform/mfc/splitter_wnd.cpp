#include "platform/mfc/splitter_wnd.h"

IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)

BOOL CSplitterWnd::CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle, UINT nID) {
    if (!pParentWnd || nRows < 1 || nCols < 1 || nRows > kSplitterMaxPanes ||
        nCols > kSplitterMaxPanes || m_hWnd)
        return FALSE;
    RECT client{};
    pParentWnd->GetClientRect(&client);
    if (!CWnd::Create(WC_SPLITTERW, u"", dwStyle | WS_CHILD, client, pParentWnd, nID))
        return FALSE;
    return static_cast<BOOL>(::SendMessageW(m_hWnd, SPM_SETGRID, static_cast<WPARAM>(nRows),
                                            static_cast<LPARAM>(nCols)));
}

BOOL CSplitterWnd::CreateView(int row, int col, const CRuntimeClass* pViewClass, SIZE sizeInit,
                              CCreateContext* pContext) {
    if (!m_hWnd || row < 0 || col < 0 || row >= GetRowCount() || col >= GetColumnCount() ||
        !pViewClass || GetPane(row, col))
        return FALSE;
    auto* view = dynamic_cast<CWnd*>(pViewClass->CreateObject());
    if (!view)
        return FALSE;
    ::SendMessageW(m_hWnd, SPM_SETPANESIZE,
                   MAKEWPARAM(static_cast<WORD>(row), static_cast<WORD>(col)),
                   MAKELPARAM(static_cast<WORD>(sizeInit.cx), static_cast<WORD>(sizeInit.cy)));
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

int CSplitterWnd::GetRowCount() const {
    return m_hWnd ? LOWORD(static_cast<DWORD_PTR>(::SendMessageW(m_hWnd, SPM_GETGRID, 0, 0))) : 0;
}

int CSplitterWnd::GetColumnCount() const {
    return m_hWnd ? HIWORD(static_cast<DWORD_PTR>(::SendMessageW(m_hWnd, SPM_GETGRID, 0, 0))) : 0;
}

void CSplitterWnd::RecalcLayout() {
    ::SendMessageW(m_hWnd, SPM_RECALCLAYOUT, 0, 0);
}
