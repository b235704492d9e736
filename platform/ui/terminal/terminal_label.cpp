// Labels with their mnemonic letter underlined, and the one look of a button
// in dialogs and message boxes.
#include "platform/ui/cell_width.h"
#include "platform/ui/terminal/terminal_screen.h"

namespace ui::terminal {

void PutLabel(int row, int col, const MenuLabel& label, int width, Attr attr, bool pad) {
    PutText(row, col, label.text, width, attr, pad);
    const std::size_t at = label.mnemonicAt;
    if (at >= label.text.size())
        return;
    // The letter's cell: wide characters before it take two each.
    const int cell = static_cast<int>(TextCells(label.text, 0, at));
    const int cells = static_cast<int>(TextCells(label.text, at, at + 1));
    if (cells == 0 || cell + cells > width)
        return;
    PutText(row, col + cell, std::u16string_view(label.text).substr(at, 1), cells,
            attr | UnderlineAttr());
}

MenuLabel ButtonFace(const MenuLabel& label) {
    MenuLabel face{u"[ " + label.text + u" ]", label.mnemonic, std::u16string::npos};
    if (label.mnemonicAt != std::u16string::npos)
        face.mnemonicAt = label.mnemonicAt + 2;
    return face;
}

Attr ButtonAttr(bool entersPress, bool enabled) {
    Attr attr = enabled ? NormalAttr() : DimAttr();
    return entersPress ? attr | ReverseAttr() : attr;
}

} // namespace ui::terminal
