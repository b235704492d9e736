// Dialogs are laid out for the handheld's proportional font; in the
// terminal's cells a label or a read-only field may need more room than its
// template gives it ("Last modified", a date with its time). Before a dialog
// is shown its labels, read-only one-line fields, check boxes and radio
// buttons get the columns their text needs (and the group boxes around them
// grow with them): the controls to their right move over and the dialog widens,
// as far as the screen allows.
#pragma once

#include "platform/ui/terminal/terminal_layout.h"

#include <vector>

namespace ui::terminal {

// A control as the fitting sees it: its cells, the columns its text needs,
// and whether it is a label (its text must end one blank before the next
// control to its right), a field (its text must fit inside it: a read-only
// field, a check box or radio button with its mark) or a group box (it must
// hold the controls laid out inside it, with a column for its frame).
struct FitControl {
    CellRect cells;
    int textCols = 0;
    enum class Kind { Other, Label, Field, Group } kind = Kind::Other;
};

// How far each control moves right and grows, and how much wider the dialog
// gets (at most `maxWiden` columns; what does not fit then stays cut).
struct DialogFit {
    std::vector<int> shift;
    std::vector<int> grow;
    int widen = 0;
};
DialogFit FitDialogText(const std::vector<FitControl>& controls, int dialogCols, int maxWiden);

// Applies FitDialogText to the dialog window `dialog` and its children.
void FitDialogToText(HWND dialog);

} // namespace ui::terminal
