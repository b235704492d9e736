// CSplitterWnd: a static splitter, a "Splitter" control whose grid of panes
// (rows x columns) each holds one view. Panes keep their initial sizes; the
// last row and column take what is left of the splitter.
#pragma once

#include "platform/mfc/wnd.h"
#include "platform/ui/commctrl.h"

class CSplitterWnd : public CWnd {
    DECLARE_DYNAMIC(CSplitterWnd)
public:
    BOOL CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle = WS_CHILD | WS_VISIBLE,
                      UINT nID = SPLITTER_PANE_FIRST);
    // A view of pViewClass in pane (row, col); FALSE when it cannot be made.
    virtual BOOL CreateView(int row, int col, const CRuntimeClass* pViewClass, SIZE sizeInit,
                            CCreateContext* pContext);
    CWnd* GetPane(int row, int col) const;
    int IdFromRowCol(int row, int col) const {
        return static_cast<int>(SPLITTER_PANE_FIRST) + row * kSplitterMaxPanes + col;
    }
    int GetRowCount() const;
    int GetColumnCount() const;
    void RecalcLayout();
};
