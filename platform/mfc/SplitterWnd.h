// CSplitterWnd: a static splitter, a grid of panes (rows x columns) each
// holding one view. Panes keep their initial sizes; the last row and column
// take what is left of the splitter.
#pragma once

#include "platform/mfc/Wnd.h"

#include <vector>

class CSplitterWnd : public CWnd {
    DECLARE_DYNAMIC(CSplitterWnd)
public:
    BOOL CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle = WS_CHILD | WS_VISIBLE,
                      UINT nID = 0xE900);
    // A view of pViewClass in pane (row, col); FALSE when it cannot be made.
    virtual BOOL CreateView(int row, int col, const CRuntimeClass* pViewClass, SIZE sizeInit,
                            CCreateContext* pContext);
    CWnd* GetPane(int row, int col) const;
    int IdFromRowCol(int row, int col) const { return 0xE900 + row * 16 + col; }
    int GetRowCount() const { return m_nRows; }
    int GetColumnCount() const { return m_nCols; }
    void RecalcLayout();
    void OnSize(UINT nType, int cx, int cy) override;

    // The gap between panes, in pixels.
    static constexpr int kSplitterGap = 4;

private:
    int m_nRows = 0;
    int m_nCols = 0;
    std::vector<int> m_rowHeights;
    std::vector<int> m_colWidths;
};
