#include "platform/mfc/document.h"

#include "platform/mfc/doc_template.h"
#include "platform/mfc/frame_wnd.h"
#include "platform/mfc/view.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

CDocument::~CDocument() {
    for (CView* view : m_views)
        view->m_pDocument = nullptr;
    if (m_pDocTemplate)
        m_pDocTemplate->RemoveDocument(this);
}

BOOL CDocument::OnNewDocument() {
    DeleteContents();
    m_bModified = FALSE;
    return TRUE;
}

BOOL CDocument::CanCloseFrame(CFrameWnd*) {
    return SaveModified();
}

void CDocument::OnCloseDocument() {
    // Each frame goes with its views; destroying one removes views from m_views.
    while (!m_views.empty()) {
        CView* view = m_views.front();
        CFrameWnd* frame = view->GetParentFrame();
        if (frame && frame->m_hWnd)
            frame->DestroyWindow();
        else if (view->m_hWnd)
            view->DestroyWindow();
        if (!m_views.empty() && m_views.front() == view)
            RemoveView(view); // a view without a window
    }
    DeleteContents();
    if (m_bAutoDelete)
        delete this;
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
    // A copy: a view's update may add or remove views.
    const std::vector<CView*> views = m_views;
    for (CView* view : views)
        if (view != pSender && std::find(m_views.begin(), m_views.end(), view) != m_views.end())
            view->OnUpdate(pSender, lHint, pHint);
}

void CDocument::AddView(CView* pView) {
    if (!pView || std::find(m_views.begin(), m_views.end(), pView) != m_views.end())
        return;
    m_views.push_back(pView);
    pView->m_pDocument = this;
}

void CDocument::RemoveView(CView* pView) {
    std::erase(m_views, pView);
    if (pView && pView->m_pDocument == this)
        pView->m_pDocument = nullptr;
}
