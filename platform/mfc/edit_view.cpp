#include "platform/mfc/edit_view.h"

#include "platform/mfc/document.h"

IMPLEMENT_DYNCREATE(CEditView, CView)

BEGIN_MESSAGE_MAP(CEditView, CView)
ON_CONTROL_REFLECT(EN_CHANGE, OnEditChange)
END_MESSAGE_MAP()

CEdit& CEditView::GetEditCtrl() const {
    m_edit.m_hWnd = m_hWnd;
    return m_edit;
}

BOOL CEditView::PreCreateWindow(CREATESTRUCT& cs) {
    cs.lpszClass = u"edit";
    // A style that says nothing of the edit control gets the default one; a
    // multi-line style chosen by the view (word wrap or not) is kept as it is.
    if (!(cs.style & ES_MULTILINE))
        cs.style |= dwStyleDefault;
    return CView::PreCreateWindow(cs);
}

int CEditView::OnCreate(LPCREATESTRUCTW lpCreateStruct) {
    if (CView::OnCreate(lpCreateStruct) == -1)
        return -1;
    GetEditCtrl().LimitText(static_cast<int>(nMaxSize));
    return 0;
}

void CEditView::OnEditChange() {
    if (CDocument* doc = GetDocument())
        doc->SetModifiedFlag();
}
