#include "device/app/jotta_list_view.h"

#include "device/app/jotta_doc.h"

#include <algorithm>
#include <limits>

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
    NoteTitles titles;
    std::vector<CEOID> ids;
    CJottaDoc* doc = GetDocument();
    doc->FillNoteList(titles, ids);
    AddLines(titles, ids, doc->CurrentNote(false));
}

void CJottaListView::AddLines(const NoteTitles& titles, const std::vector<CEOID>& ids,
                              CEOID current) {
    // The lines' room at once, their texts' too, not grown line by line over
    // a long list.
    const int count = static_cast<int>(std::min(titles.size(), ids.size()));
    m_wndList.InitStorage(
        count, static_cast<UINT>(std::min<std::size_t>(titles.Units() * sizeof(WCHAR),
                                                       std::numeric_limits<UINT>::max())));
    for (int i = 0; i < count; ++i) {
        const int line = m_wndList.AddString(titles[static_cast<std::size_t>(i)]);
        m_wndList.SetItemData(line, ids[static_cast<std::size_t>(i)]);
        if (ids[static_cast<std::size_t>(i)] == current)
            m_wndList.SetCurSel(line);
    }
    m_wndList.m_nCurSel = m_wndList.GetCurSel();
}
