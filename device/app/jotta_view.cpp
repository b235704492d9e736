#include "device/app/jotta_view.h"

#include "device/app/jotta_app.h"
#include "device/app/jotta_doc.h"
#include "device/app/jotta_list_view.h"
#include "device/app/note_display.h"
#include "device/app/resource.h"
#include "platform/ui/resources.h"

IMPLEMENT_DYNCREATE(CJottaView, CEditView)

CJottaDoc* CJottaView::GetDocument() const {
    return static_cast<CJottaDoc*>(CEditView::GetDocument());
}

BOOL CJottaView::PreCreateWindow(CREATESTRUCT& cs) {
    cs.style = static_cast<LONG>(kStyleAlways | (JottaApp().m_bWrapLines ? 0 : kStyleNoWrap));
    return CEditView::PreCreateWindow(cs);
}

void CJottaView::OnUpdate(CView*, LPARAM, CObject*) {
    CJottaDoc* doc = GetDocument();
    const CEOID note = doc->CurrentNote(true);
    // With no note at all the empty editor says how to make one.
    const std::u16string cue =
        doc->CurrentNote(false) == 0 ? ui::FindStringResource(IDS_NO_NOTES).value_or(u"") : u"";
    SendMessage(EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(cue.c_str()));
    if (note == 0) {
        SetWindowText(u"");
        EnableWindow(FALSE);
        return;
    }
    if (note == doc->m_loadedNote) {
        SetWindowText(GetWindowText()); // repaints, keeps unsaved edits
    } else {
        CWaitCursor wait;
        NoteContents contents;
        if (doc->ReadNote(note, &contents)) {
            doc->m_color = contents.color;
            doc->m_categories = contents.categories;
        }
        doc->m_loadedNote = note;
        doc->m_base = contents;
        SetWindowText(contents.text);
        GetEditCtrl().SetModify(FALSE);
    }
    EnableWindow(TRUE);
}

BOOL CJottaView::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message != WM_CTLCOLOREDIT)
        return CEditView::OnChildNotify(message, wParam, lParam, pResult);
    ::SetBkColor(reinterpret_cast<HDC>(wParam), NoteTint(GetDocument()->m_color));
    if (pResult)
        *pResult = reinterpret_cast<LRESULT>(m_brushBack);
    return TRUE;
}

BOOL CJottaView::SetWordWrap(BOOL bWrap) {
    const HWND old = m_hWnd;
    const HFONT font = GetFont();
    const std::u16string text = GetWindowText();
    const HWND parent = ::GetParent(old);
    RECT rect{};
    ::GetWindowRect(old, &rect);
    POINT topLeft{rect.left, rect.top};
    POINT bottomRight{rect.right, rect.bottom};
    ::ScreenToClient(parent, &topLeft);
    ::ScreenToClient(parent, &bottomRight);
    const bool focused = ::GetFocus() == old;
    const int id = ::GetDlgCtrlID(old);
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(old, GWLP_HINSTANCE));

    const HWND fresh = ::CreateWindowExW(
        0, u"edit", nullptr, bWrap ? kStyleAlways : kStyleAlways | kStyleNoWrap, topLeft.x,
        topLeft.y, bottomRight.x - topLeft.x, bottomRight.y - topLeft.y, parent,
        reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), instance, nullptr);
    if (!fresh)
        return FALSE;
    ::SendMessageW(old, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u""));
    ::SendMessageW(fresh, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (font)
        ::SendMessageW(fresh, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    ::SetWindowLongW(old, GWL_ID, id + 1);
    UnsubclassWindow();
    SubclassWindow(fresh);

    constexpr UINT kKeep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    ::SetWindowPos(fresh, nullptr, 0, 0, 0, 0, kKeep | SWP_NOZORDER | SWP_SHOWWINDOW);
    ::SetWindowPos(fresh, nullptr, 0, 0, 0, 0, kKeep | SWP_NOZORDER | SWP_FRAMECHANGED);
    ::SetWindowPos(fresh, HWND_TOP, 0, 0, 0, 0, kKeep);
    ::UpdateWindow(fresh);
    ::SetWindowPos(old, nullptr, 0, 0, 0, 0, kKeep | SWP_NOZORDER | SWP_HIDEWINDOW);
    ::DestroyWindow(old);

    GetEditCtrl().LimitText(static_cast<int>(nMaxSize));
    if (focused)
        SetFocus();
    CJottaDoc* doc = GetDocument();
    doc->UpdateAllViews(doc->FindListView());
    return TRUE;
}
