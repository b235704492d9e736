#include "platform/mfc/view.h"

#include "platform/mfc/document.h"
#include "platform/mfc/frame_wnd.h"

IMPLEMENT_DYNAMIC(CView, CWnd)

CView::~CView() {
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

void CView::OnDraw(CDC*) {}

void CView::OnUpdate(CView*, LPARAM, CObject*) {
    Invalidate();
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    if (CWnd::OnCmdMsg(nID, nCode, pExtra))
        return TRUE;
    return m_pDocument && m_pDocument->OnCmdMsg(nID, nCode, pExtra);
}

BOOL CView::PreCreateWindow(CREATESTRUCT& cs) {
    return CWnd::PreCreateWindow(cs);
}

int CView::OnCreate(LPCREATESTRUCTW lpCreateStruct) {
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    auto* context = static_cast<CCreateContext*>(lpCreateStruct->lpCreateParams);
    if (context && context->m_pCurrentDoc)
        context->m_pCurrentDoc->AddView(this);
    return 0;
}

void CView::OnDestroy() {
    if (CFrameWnd* frame = GetParentFrame(); frame && frame->GetActiveView() == this)
        frame->SetActiveView(nullptr, FALSE);
    CWnd::OnDestroy();
}

void CView::OnPaint() {
    PAINTSTRUCT ps;
    CDC dc(::BeginPaint(m_hWnd, &ps));
    OnDraw(&dc);
    ::EndPaint(m_hWnd, &ps);
}

void CView::OnSetFocus(CWnd* pOldWnd) {
    if (CFrameWnd* frame = GetParentFrame())
        frame->SetActiveView(this, FALSE);
    CWnd::OnSetFocus(pOldWnd);
}
