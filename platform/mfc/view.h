// CView: a window that shows a document. Commands reach the view first, then
// its document (CView::OnCmdMsg). Views are made by their run-time class and
// delete themselves when their window goes.
#pragma once

#include "platform/mfc/wnd.h"

class CDocument;

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    ~CView() override;
    CDocument* GetDocument() const { return m_pDocument; }

    // Draws the view; the default draws nothing.
    virtual void OnDraw(CDC* pDC);
    // The document changed (pSender is the view that changed it, or null);
    // the default repaints.
    virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    int OnCreate(LPCREATESTRUCTW lpCreateStruct) override;
    void OnDestroy() override;
    void OnPaint() override;
    void OnSetFocus(CWnd* pOldWnd) override;
    void PostNcDestroy() override { delete this; }

    CDocument* m_pDocument = nullptr;
};
