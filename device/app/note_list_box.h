// CNoteListBox: the list box of the note list. A line's item data is its
// note's object identifier; selecting a line makes that note current.
#pragma once

#include "platform/mfc/controls.h"

class CNoteListBox : public CListBox {
public:
    // The line of the current note as last accepted; -1 for none.
    int m_nCurSel = -1;

    // The line that carries `note`, -1 when none does.
    int FindNote(DWORD_PTR note) const;

protected:
    // The user selected another line: offers to save the note being left,
    // then makes the selected note current (or, after Cancel, selects the
    // old line again).
    void OnSelChange();

    DECLARE_MESSAGE_MAP()
};
