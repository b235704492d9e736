#include "device/app/jotta_list_view.h"

#include "device/app/jotta_doc.h"

IMPLEMENT_DYNCREATE(CJottaListView, CView)

CJottaDoc* CJottaListView::GetDocument() const {
    return static_cast<CJottaDoc*>(CView::GetDocument());
}

int CJottaListView::OnCreate(LPCREATESTRUCTW lpCreateStruct) {
    if (CView::OnCreate(lpCreateStruct) == -1)
        return -1;
    RECT rect{lpCreateStruct->x, lpCreateStruct->y, lpCreateStruct->x + lpCreateStruct->cx,
              lpCreateStruct->y + lpCreateStruct->cy};
    ScreenToClient(&rect);
    if (!m_wndList.Create(kListStyle, rect, this, kListId))
        return -1;
    return 0;
}

void CJottaListView::OnSize(UINT nType, int cx, int cy) {
    CView::OnSize(nType, cx, cy);
    if (m_wndList.GetSafeHwnd())
        ::SetWindowPos(m_wndList.GetSafeHwnd(), HWND_TOP, 0, 0, cx, cy,
                       SWP_SHOWWINDOW | SWP_FRAMECHANGED);
}

void CJottaListView::OnUpdate(CView*, LPARAM, CObject*) {
    CWaitCursor wait;
    m_wndList.ResetContent();
    std::vector<std::u16string> titles;
    std::vector<CEOID> ids;
    CJottaDoc* doc = GetDocument();
    const int count = doc->FillNoteList(titles, ids);
    const CEOID current = doc->CurrentNote(false);
    // The lines' room at once, not grown line by line over a long list.
    m_wndList.InitStorage(count, 0);
    for (int i = 0; i < count; ++i) {
        const int line = m_wndList.AddString(titles[i]);
        m_wndList.SetItemData(line, ids[i]);
        if (ids[i] == current)
            m_wndList.SetCurSel(line);
    }
    m_wndList.m_nCurSel = m_wndList.GetCurSel();
}
