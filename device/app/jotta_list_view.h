// CJottaListView: the note list, a view covered by one list box
// (CNoteListBox) with a line per note that passes the display filter, in the
// document's sort order; the line of the current note is selected.
#pragma once

#include "device/app/note_cursors.h"
#include "device/app/note_list_box.h"
#include "platform/mfc/view.h"

#include <vector>

class CJottaDoc;

class CJottaListView : public CView {
    DECLARE_DYNCREATE(CJottaListView)
public:
    // The list box's control identifier and styles (vertical scroll bar,
    // notify; not sorted, so lines keep the document's order).
    static constexpr UINT kListId = 51;
    static constexpr DWORD kListStyle = WS_CHILD | WS_VSCROLL | LBS_NOTIFY;

    CJottaDoc* GetDocument() const;
    CNoteListBox& List() { return m_wndList; }

    int OnCreate(LPCREATESTRUCTW lpCreateStruct) override;
    void OnSize(UINT nType, int cx, int cy) override;
    void OnDraw(CDC*) override {}
    // Refills the list from the document and selects the current note's line.
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
    // Adds a line per title to the emptied list, its note's identifier as its
    // item data, and selects the line of `current`.
    void AddLines(const NoteTitles& titles, const std::vector<CEOID>& ids, CEOID current);

protected:
    CNoteListBox m_wndList;
};
