// CEditView: a view that is itself a multi-line edit control. Every change
// the user makes marks the document modified (the control's EN_CHANGE,
// reflected to the view); text put in through the window text does not.
#pragma once

#include "platform/mfc/controls.h"
#include "platform/mfc/view.h"

class CEditView : public CView {
    DECLARE_DYNCREATE(CEditView)
public:
    // The most text the view's control takes (EM_LIMITTEXT at creation).
    static constexpr UINT nMaxSize = 1024U * 1024U - 1;
    static constexpr DWORD dwStyleDefault = WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL |
                                            ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_MULTILINE |
                                            ES_NOHIDESEL;

    // The view's control: the view's own window seen as an edit control.
    CEdit& GetEditCtrl() const;

    // Makes the window an edit control: with the caller's style when it is
    // multi-line, else with dwStyleDefault added.
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    int OnCreate(LPCREATESTRUCTW lpCreateStruct) override;
    // The control paints itself (and asks its parent for colours).
    void OnPaint() override { Default(); }

protected:
    void OnEditChange();

    DECLARE_MESSAGE_MAP()

private:
    mutable CEdit m_edit; // a wrapper of m_hWnd, never attached
};
