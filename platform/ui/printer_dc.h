// Between the device contexts (gdi.cpp) and the printer behind one
// (printer.cpp): a printer's device context carries its Printer.
#pragma once

#include "platform/ui/gdi.h"

#include <memory>

namespace ui::detail {

struct Printer;

// A new device context drawing on `printer`; DeleteDC releases it.
HDC CreatePrinterDC(std::shared_ptr<Printer> printer);
// The printer of a device context; null for a window's or a closed one.
Printer* PrinterOf(HDC hdc);
// The font selected into a device context.
HFONT SelectedFont(HDC hdc);

// A printer of the paper chosen, printing to `file` (empty: the document's
// name + ".pdf" in the documents folder).
enum class Paper { A4, Letter };
std::shared_ptr<Printer> MakePrinter(Paper paper, std::u16string file);

// The printable area of a paper, in the printer's dots and in millimetres.
struct PrintableSize {
    int dotsWide, dotsHigh, mmWide, mmHigh;
};
PrintableSize PrintableSizeOf(Paper paper);

// What CommDlgExtendedError reports next.
void SetCommDlgError(DWORD error);

} // namespace ui::detail
