// The document's Print: the stored note with a header of its facts, laid
// out line by line across the printer's pages in a fixed-pitch font.
#include "device/app/jotta_doc.h"
#include "device/app/jotta_resources.h"
#include "device/app/note_display.h"
#include "device/app/resource.h"
#include "platform/mfc/win_app.h"
#include "platform/ui/commdlg.h"
#include "platform/ui/gdi.h"
#include "platform/ui/resources.h"

#include <algorithm>
#include <string>

namespace {

constexpr char16_t kRule[] = u"______________________\n"; // 22 underscores
constexpr char16_t kDateTimeGap[] = u"   ";
constexpr DWORD kPrintFlags = 0x00040E00; // PD_RETURNDC and no range, margins or orientation

std::u16string Label(UINT id) {
    return ui::FindStringResource(id).value_or(u"");
}

// Keeps the user interface alive while pages go to the printer.
BOOL PrintAbortProc(HDC, int) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return TRUE;
}

std::u16string FailureReason(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
        return Label(IDS_PRINT_REASON_FULL);
    case ERROR_ACCESS_DENIED:
    case ERROR_FILE_NOT_FOUND:
        return Label(IDS_PRINT_REASON_DENIED);
    default: {
        const std::string code = std::to_string(error);
        return ResourceMessage(IDS_PRINT_REASON_OTHER, std::u16string(code.begin(), code.end()));
    }
    }
}

int Measure(HDC dc, std::u16string_view line, int width) {
    RECT rect{0, 0, width, 0};
    DrawTextW(dc, line.data(), static_cast<int>(line.size()), &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    return rect.bottom;
}

// How much of `line` fills at most `height`: the longest start whose
// wrapped lines fit, found by a search that measures little more than a
// page. At least one character, so every page takes some of the line.
std::size_t FittingStart(HDC dc, std::u16string_view line, int width, int height) {
    std::size_t fits = 0, over = 256;
    while (over < line.size() && Measure(dc, line.substr(0, over), width) <= height) {
        fits = over;
        over *= 2;
    }
    over = std::min(over, line.size());
    while (over - fits > 1) {
        const std::size_t mid = fits + (over - fits) / 2;
        (Measure(dc, line.substr(0, mid), width) <= height ? fits : over) = mid;
    }
    // A word the page cut short goes over whole, unless it is the only one.
    if (fits > 0 && fits < line.size() && line[fits] != u' ' && line[fits] != u'\t') {
        const std::size_t blank = line.find_last_of(u" \t", fits - 1);
        if (blank != std::u16string_view::npos)
            fits = blank + 1;
    }
    return std::max<std::size_t>(fits, 1);
}

void Draw(HDC dc, std::u16string_view line, int width, int y, int h) {
    RECT rect{0, y, width, y + h};
    DrawTextW(dc, line.data(), static_cast<int>(line.size()), &rect,
              DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
}

// Prints `text` from the first page on; false when the printer failed
// (the job is then abandoned).
bool PrintLines(HDC dc, std::u16string_view text, int width, int height, LONG leading) {
    int y = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        // The next line, without its line feed; a CR before it stays.
        const std::size_t feed = text.find(u'\n', at);
        const std::size_t end = feed == std::u16string_view::npos ? text.size() : feed;
        std::u16string_view line = text.substr(at, end - at);
        at = feed == std::u16string_view::npos ? text.size() : feed + 1;

        int h = Measure(dc, line, width);
        if (h > height - y && y != 0) {
            if (EndPage(dc) <= 0 || StartPage(dc) <= 0)
                return false;
            y = 0;
        }
        // A line taller than a page starts at the top of one and goes on
        // over the following pages, so none of it falls off the bottom.
        while (h > height) {
            const std::size_t part = FittingStart(dc, line, width, height);
            Draw(dc, line.substr(0, part), width, 0, height);
            line.remove_prefix(part);
            if (EndPage(dc) <= 0 || StartPage(dc) <= 0)
                return false;
            h = Measure(dc, line, width);
        }
        Draw(dc, line, width, y, h);
        y += h + leading;
    }
    return true;
}

} // namespace

std::u16string PrintedHeader(const NoteContents& note) {
    std::u16string header = kRule;
    header += Label(IDS_PRINT_TITLE) + NoteTitleOf(note.text) + u"\n";
    header += Label(IDS_PRINT_CREATED) + FormatNoteTime(note.created, kDateTimeGap) + u"\n";
    header += Label(IDS_PRINT_MODIFIED) + FormatNoteTime(note.modified, kDateTimeGap) + u"\n";
    header += Label(IDS_PRINT_COLOR) + ColorName(note.color) + u"\n";
    header += Label(IDS_PRINT_CATEGORIES);
    for (const auto& name : SplitCategories(note.categories))
        header += name + u"  ";
    header += u"\n";
    header += kRule;
    header += u" \n";
    return header;
}

void CJottaDoc::OnNotePrint() {
    if (CurrentNote(true) == 0)
        return;
    PRINTDLGW pd{};
    pd.lStructSize = PRINTDLG_SIZE;
    pd.Flags = kPrintFlags;
    if (!PrintDlg(&pd) || pd.hDC == nullptr)
        return;
    HDC dc = pd.hDC;
    // The stored note: changes not saved yet are not printed.
    NoteContents stored;
    if (!ReadNote(CurrentNote(false), &stored)) {
        DeleteDC(dc);
        return;
    }
    DWORD failure = ERROR_SUCCESS;
    {
        CWaitCursor wait;
        const std::u16string title = NoteTitleOf(stored.text);
        const std::u16string text = PrintedHeader(stored) + stored.text;
        const int width = GetDeviceCaps(dc, HORZRES);
        const int height = GetDeviceCaps(dc, VERTRES);

        LOGFONTW lf{};
        lf.lfHeight = width * 12 / 600;
        std::char_traits<char16_t>::copy(lf.lfFaceName, u"Courier", 8);
        HFONT font = CreateFontIndirectW(&lf);
        HGDIOBJ previous = SelectObject(dc, font);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        SetAbortProc(dc, PrintAbortProc);

        DOCINFOW doc{};
        doc.cbSize = sizeof doc;
        doc.lpszDocName = title.c_str();
        if (StartDocW(dc, &doc) <= 0 || StartPage(dc) <= 0 ||
            !PrintLines(dc, text, width, height, tm.tmExternalLeading) || EndPage(dc) <= 0 ||
            EndDoc(dc) <= 0) {
            failure = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
            AbortDoc(dc);
        }
        SelectObject(dc, previous);
        DeleteObject(font);
    }
    DeleteDC(dc);
    // A job that did not reach its file is never passed off as printed.
    if (failure != ERROR_SUCCESS)
        AfxMessageBox(ResourceMessage(IDS_PRINT_FAILED, FailureReason(failure)).c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
}
