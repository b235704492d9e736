// The print dialog: the paper, its printable size and the PDF file the
// printer writes; a dialog of the dialog manager, so the scripted user
// answers it as "Print" and the terminal draws it like any other.
#include "platform/ui/commdlg.h"
#include "platform/ui/dialog.h"
#include "platform/ui/printer_dc.h"

#include <string>

namespace {

using ui::detail::Paper;

constexpr WORD kFileEdit = 1001;
constexpr WORD kA4 = 1002;
constexpr WORD kLetter = 1003;
constexpr WORD kSizeText = 1004;
constexpr int kMaxPath = 1024;

struct Choice {
    Paper paper = Paper::A4;
    std::u16string file;
};

void ShowPrintableSize(HWND dialog, Paper paper) {
    const auto size = ui::detail::PrintableSizeOf(paper);
    const std::string text = "Printable area: " + std::to_string(size.mmWide) + " x " +
                             std::to_string(size.mmHigh) + " mm";
    const std::u16string wide(text.begin(), text.end());
    SetDlgItemTextW(dialog, kSizeText, wide.c_str());
}

Paper Chosen(HWND dialog) {
    return IsDlgButtonChecked(dialog, kLetter) == BST_CHECKED ? Paper::Letter : Paper::A4;
}

INT_PTR PrintDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
        CheckRadioButton(dialog, kA4, kLetter, kA4);
        ShowPrintableSize(dialog, Paper::A4);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kA4:
        case kLetter:
            ShowPrintableSize(dialog, Chosen(dialog));
            return TRUE;
        case IDOK: {
            auto* choice = reinterpret_cast<Choice*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
            WCHAR file[kMaxPath] = {};
            GetDlgItemTextW(dialog, kFileEdit, file, kMaxPath);
            choice->file = file;
            choice->paper = Chosen(dialog);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

DialogTemplate PrintTemplate() {
    DialogTemplate t;
    t.caption = u"Print";
    t.cx = 200;
    t.cy = 96;
    const DWORD tab = WS_VISIBLE | WS_TABSTOP;
    t.items = {
        {u"static", u"Print to file:", IDC_STATIC, WS_VISIBLE, 0, 6, 6, 188, 10},
        {u"edit", u"", kFileEdit, tab | WS_BORDER | ES_AUTOHSCROLL, 0, 6, 18, 188, 12},
        {u"static", u"Empty: the document's name + .pdf in My Documents", IDC_STATIC, WS_VISIBLE, 0,
         6, 32, 188, 10},
        {u"button", u"A4", kA4, tab | WS_GROUP | BS_AUTORADIOBUTTON, 0, 6, 46, 60, 10},
        {u"button", u"Letter", kLetter, tab | BS_AUTORADIOBUTTON, 0, 70, 46, 60, 10},
        {u"static", u"", kSizeText, WS_VISIBLE, 0, 6, 60, 188, 10},
        {u"button", u"OK", IDOK, tab | BS_DEFPUSHBUTTON, 0, 84, 76, 50, 14},
        {u"button", u"Cancel", IDCANCEL, tab | BS_PUSHBUTTON, 0, 144, 76, 50, 14},
    };
    return t;
}

} // namespace

BOOL PrintDlg(LPPRINTDLGW lppd) {
    if (!lppd || lppd->lStructSize != PRINTDLG_SIZE) {
        ui::detail::SetCommDlgError(CDERR_STRUCTSIZE);
        return FALSE;
    }
    ui::detail::SetCommDlgError(0);
    lppd->hDC = nullptr;
    Choice choice;
    // An owner-less dialog hands the keyboard back to where it was, as the
    // platform's window manager does when it closes.
    const HWND focus = GetFocus();
    const DialogTemplate dialog = PrintTemplate();
    const INT_PTR answer = DialogBoxIndirectParamW(
        nullptr, &dialog, lppd->hwndOwner, PrintDialogProc, reinterpret_cast<LPARAM>(&choice));
    if (focus && IsWindow(focus))
        SetFocus(focus);
    if (answer == -1) {
        ui::detail::SetCommDlgError(CDERR_INITIALIZATION);
        return FALSE;
    }
    if (answer != IDOK)
        return FALSE;
    if (lppd->Flags & PD_RETURNDC)
        lppd->hDC = ui::detail::CreatePrinterDC(
            ui::detail::MakePrinter(choice.paper, std::move(choice.file)));
    return TRUE;
}
