// CJottaView: the note editor, an edit view showing the current note's text
// tinted with its colour. Word wrap is switched by replacing the edit
// control. The document's edit commands act on this view's control.
#pragma once

#include "platform/mfc/edit_view.h"

class CJottaDoc;

class CJottaView : public CEditView {
    DECLARE_DYNCREATE(CJottaView)
public:
    // Edit-control styles: always child, visible, vertical scroll bar,
    // multi-line, automatic vertical scrolling; without word wrap also a
    // horizontal scroll bar and automatic horizontal scrolling.
    static constexpr DWORD kStyleAlways = 0x50200044;
    static constexpr DWORD kStyleNoWrap = 0x00100080;

    CJottaDoc* GetDocument() const;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    // Shows the current note: empty and disabled without a valid one; the
    // text as it stands (repainted) when the note is the loaded one; else
    // the note read from the database, which becomes the loaded note.
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
    // The colour request of the control: the text background takes the tint
    // of the document's colour.
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnDraw(CDC*) override {}

    // Replaces the control with one of the other wrap style, keeping text,
    // font, identifier and focus; FALSE (the old control kept) when the new
    // one cannot be made. Unsaved edits and the modified flag survive.
    BOOL SetWordWrap(BOOL bWrap);

    HBRUSH m_brushBack = nullptr; // the control's background brush; none is made
};
