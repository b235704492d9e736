// The printer behind a printer's device context: a 300-dot-per-inch page
// printer whose pages cairo draws into a PDF file. Text is laid out here, as
// the platform's DrawText lays it out, so measuring and drawing agree.
#include "platform/base/unicode.h"
#include "platform/ui/commdlg.h"
#include "platform/ui/printer_dc.h"
#include "platform/ui/text_layout.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace ui::detail {

namespace {

constexpr int kDotsPerInch = 300;
constexpr int kMarginDots = 75; // the quarter inch on every side the printer cannot reach
constexpr double kPointsPerDot = 72.0 / kDotsPerInch;

struct Dots {
    int wide, high;
};

Dots PaperDots(Paper paper) {
    return paper == Paper::A4 ? Dots{2480, 3508} : Dots{2550, 3300};
}

DWORD ErrorOf(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    default:
        return ERROR_WRITE_FAULT;
    }
}

std::u16string_view FaceName(const LOGFONTW& lf) {
    std::size_t n = 0;
    while (n < LF_FACESIZE && lf.lfFaceName[n])
        ++n;
    return {lf.lfFaceName, n};
}

// A document name as a file name: no folders, no control characters.
std::string FileNameOf(std::u16string_view name) {
    std::u16string safe;
    for (char16_t c : name)
        safe += (c < 0x20 || c == u'/' || c == u'\\') ? u'_' : c;
    if (safe.empty() || safe == u"." || safe == u"..")
        safe = u"Document";
    return unicode::ToUtf8(safe);
}

} // namespace

namespace {
int g_livePrinters = 0; // user-interface thread only
} // namespace

struct Printer {
    Printer() { ++g_livePrinters; }
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
    Paper paper = Paper::A4;
    std::u16string file;
    // Text is measured on a context of its own, so the device context
    // measures alike before, during and after a job.
    cairo_surface_t* measureSurface = nullptr;
    cairo_t* measure = nullptr;
    // The job: its PDF surface, the page context, the file being written.
    cairo_surface_t* pdf = nullptr;
    cairo_t* page = nullptr;
    FILE* out = nullptr;
    int writeErrno = 0;
    std::string tempPath, finalPath;
    bool inPage = false;
    ABORTPROC abortProc = nullptr;
    // The font last applied to the contexts, its metrics and advances.
    bool fontApplied = false;
    LOGFONTW font{};
    double fontSize = 0;
    TEXTMETRICW metrics{};
    std::unordered_map<char32_t, double> advances;

    ~Printer() {
        Abort();
        cairo_destroy(measure);
        cairo_surface_destroy(measureSurface);
        --g_livePrinters;
    }

    // Ends the job leaving no file behind.
    void Abort() {
        if (page)
            cairo_destroy(page);
        if (pdf)
            cairo_surface_destroy(pdf);
        if (out)
            std::fclose(out);
        if (!tempPath.empty())
            std::remove(tempPath.c_str());
        page = nullptr;
        pdf = nullptr;
        out = nullptr;
        tempPath.clear();
        inPage = false;
    }
};

namespace {

cairo_status_t WriteToFile(void* closure, const unsigned char* data, unsigned int length) {
    auto* printer = static_cast<Printer*>(closure);
    if (std::fwrite(data, 1, length, printer->out) != length) {
        printer->writeErrno = errno ? errno : EIO;
        return CAIRO_STATUS_WRITE_ERROR;
    }
    return CAIRO_STATUS_SUCCESS;
}

void SetFace(cairo_t* cr, const LOGFONTW& lf, double size) {
    std::string face = unicode::ToUtf8(std::u16string(FaceName(lf)));
    cairo_select_font_face(cr, face.empty() ? "monospace" : face.c_str(),
                           lf.lfItalic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           lf.lfWeight >= 600 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    // Unhinted metrics: the same advances on the measuring context and the page.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

double Advance(Printer& p, char32_t c) {
    if (auto it = p.advances.find(c); it != p.advances.end())
        return it->second;
    char16_t units[2];
    std::size_t n = 1;
    if (c > 0xFFFF) {
        units[0] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        units[1] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        n = 2;
    } else {
        units[0] = static_cast<char16_t>(c);
    }
    const std::string utf8 = unicode::ToUtf8(std::u16string(units, n));
    cairo_text_extents_t extents{};
    cairo_text_extents(p.measure, utf8.c_str(), &extents);
    return p.advances[c] = extents.x_advance;
}

// Applies the device context's selected font to the contexts when it changed.
// A positive height is the character cell's, a negative one the em's, as the
// platform takes them; 0 is a 12-point font.
bool UseFont(Printer& p, HDC hdc) {
    LOGFONTW lf{};
    if (GetObjectW(SelectedFont(hdc), sizeof lf, &lf) != sizeof lf)
        return false;
    if (p.fontApplied && std::memcmp(&lf, &p.font, sizeof lf) == 0)
        return true;
    SetFace(p.measure, lf, 1000);
    cairo_font_extents_t unit{};
    cairo_font_extents(p.measure, &unit);
    const double cell = (unit.ascent + unit.descent) / 1000;
    double size = kDotsPerInch / 6.0;
    if (lf.lfHeight > 0 && cell > 0)
        size = lf.lfHeight / cell;
    else if (lf.lfHeight < 0)
        size = -static_cast<double>(lf.lfHeight);
    SetFace(p.measure, lf, size);
    if (p.page)
        SetFace(p.page, lf, size);
    p.font = lf;
    p.fontSize = size;
    p.fontApplied = true;
    p.advances.clear();

    cairo_font_extents_t fe{};
    cairo_font_extents(p.measure, &fe);
    TEXTMETRICW& tm = p.metrics;
    tm = TEXTMETRICW{};
    tm.tmAscent = std::lround(fe.ascent);
    tm.tmDescent = std::lround(fe.descent);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0L, tm.tmHeight - std::lround(size));
    tm.tmExternalLeading = std::max(0L, std::lround(fe.height) - tm.tmHeight);
    tm.tmAveCharWidth = std::lround(Advance(p, U'x'));
    tm.tmMaxCharWidth = std::lround(fe.max_x_advance);
    tm.tmWeight = lf.lfWeight ? lf.lfWeight : 400;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = kDotsPerInch;
    tm.tmFirstChar = u' ';
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = u'?';
    tm.tmBreakChar = u' ';
    tm.tmItalic = lf.lfItalic;
    tm.tmUnderlined = lf.lfUnderline;
    tm.tmStruckOut = lf.lfStrikeOut;
    return true;
}

// The lines of `text` in a rectangle `width` wide, in the selected font.
std::vector<TextLine> Layout(Printer& p, std::u16string_view text, double width, UINT format) {
    return LayoutText(text, width, format, 8.0 * std::max<LONG>(1, p.metrics.tmAveCharWidth),
                      [&p](char32_t c) { return Advance(p, c); });
}

void DrawLine(Printer& p, std::u16string_view text, const TextLine& line, double left,
              double baseline, UINT format) {
    const double tabStop = 8.0 * std::max<LONG>(1, p.metrics.tmAveCharWidth);
    double x = 0;
    std::size_t i = line.begin;
    while (i < line.end) {
        std::size_t j = i;
        while (j < line.end && text[j] != u'\t')
            ++j;
        if (j > i) {
            const std::string run = unicode::ToUtf8(std::u16string(text.substr(i, j - i)));
            cairo_move_to(p.page, left + x, baseline);
            cairo_show_text(p.page, run.c_str());
            for (std::size_t k = i; k < j;) {
                auto [code, units] = CodePointAt(text, k);
                x += Advance(p, code);
                k += units;
            }
        }
        if (j < line.end) // a tab
            x += (format & DT_EXPANDTABS) ? tabStop - std::fmod(x, tabStop) : Advance(p, U' ');
        i = j + 1;
    }
}

Printer* Fail(DWORD error) {
    SetLastError(error);
    return nullptr;
}

Printer* PrinterFor(HDC hdc) {
    Printer* p = PrinterOf(hdc);
    return p ? p : Fail(ERROR_INVALID_HANDLE);
}

} // namespace

std::shared_ptr<Printer> MakePrinter(Paper paper, std::u16string file) {
    // cairo and fontconfig keep the fonts they loaded for the whole process;
    // give them back at its end, so leak checkers see only the program's own.
    static const bool releasedAtExit = [] {
        std::atexit([] {
            if (g_livePrinters != 0)
                return; // a device context never deleted still uses them
            cairo_debug_reset_static_data();
            FcFini();
        });
        return true;
    }();
    (void)releasedAtExit;
    auto printer = std::make_shared<Printer>();
    printer->paper = paper;
    printer->file = std::move(file);
    printer->measureSurface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    printer->measure = cairo_create(printer->measureSurface);
    return printer;
}

PrintableSize PrintableSizeOf(Paper paper) {
    const Dots dots = PaperDots(paper);
    const int wide = dots.wide - 2 * kMarginDots, high = dots.high - 2 * kMarginDots;
    return {wide, high, wide * 254 / (kDotsPerInch * 10), high * 254 / (kDotsPerInch * 10)};
}

} // namespace ui::detail

using ui::detail::Printer;
using ui::detail::PrinterFor;

int GetDeviceCaps(HDC hdc, int index) {
    const Printer* p = ui::detail::PrinterOf(hdc);
    if (!p)
        return 0;
    const auto printable = ui::detail::PrintableSizeOf(p->paper);
    const auto paper = ui::detail::PaperDots(p->paper);
    switch (index) {
    case HORZSIZE:
        return printable.mmWide;
    case VERTSIZE:
        return printable.mmHigh;
    case HORZRES:
        return printable.dotsWide;
    case VERTRES:
        return printable.dotsHigh;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return ui::detail::kDotsPerInch;
    case PHYSICALWIDTH:
        return paper.wide;
    case PHYSICALHEIGHT:
        return paper.high;
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY:
        return ui::detail::kMarginDots;
    default:
        return 0;
    }
}

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* lptm) {
    Printer* p = PrinterFor(hdc);
    if (!p || !lptm || !ui::detail::UseFont(*p, hdc))
        return FALSE;
    *lptm = p->metrics;
    return TRUE;
}

int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, RECT* lprc, UINT format) {
    Printer* p = PrinterFor(hdc);
    if (!p || !lprc || (!lpchText && cchText != 0) || !ui::detail::UseFont(*p, hdc))
        return 0;
    if (!(format & DT_CALCRECT) && !p->inPage) {
        SetLastError(ERROR_INVALID_HANDLE); // drawing needs a started page
        return 0;
    }
    const std::u16string_view text =
        cchText < 0 ? std::u16string_view(lpchText) : std::u16string_view(lpchText, cchText);
    const auto lines = ui::detail::Layout(*p, text, lprc->right - lprc->left, format);
    const int lineHeight = p->metrics.tmHeight;
    const int height = static_cast<int>(lines.size()) * lineHeight;
    if (format & DT_CALCRECT) {
        lprc->bottom = lprc->top + height;
        if (lines.size() == 1)
            lprc->right = lprc->left + static_cast<LONG>(std::ceil(lines.front().width));
        return height;
    }
    double top = lprc->top;
    for (const auto& line : lines) {
        ui::detail::DrawLine(*p, text, line, lprc->left, top + p->metrics.tmAscent, format);
        top += lineHeight;
    }
    return height;
}

int SetAbortProc(HDC hdc, ABORTPROC proc) {
    Printer* p = PrinterFor(hdc);
    if (!p)
        return SP_ERROR;
    p->abortProc = proc;
    return 1;
}

int StartDocW(HDC hdc, const DOCINFOW* lpdi) {
    Printer* p = PrinterFor(hdc);
    if (!p)
        return SP_ERROR;
    if (!lpdi || p->pdf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SP_ERROR;
    }
    const std::u16string docName = lpdi->lpszDocName ? lpdi->lpszDocName : u"";
    std::filesystem::path target;
    if (lpdi->lpszOutput && *lpdi->lpszOutput)
        target = unicode::ToUtf8(lpdi->lpszOutput);
    else if (!p->file.empty())
        target = unicode::ToUtf8(p->file);
    else
        target = ui::detail::FileNameOf(docName) + ".pdf";
    if (target.is_relative())
        target = std::filesystem::path(ui::DocumentsFolder()) / target;
    if (!target.has_extension())
        target += ".pdf";
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    p->finalPath = target.string();
    p->tempPath = p->finalPath + "." + std::to_string(getpid()) + ".part";
    p->out = std::fopen(p->tempPath.c_str(), "wbx");
    if (!p->out) {
        const DWORD code = ui::detail::ErrorOf(errno);
        p->tempPath.clear();
        SetLastError(code);
        return SP_ERROR;
    }
    p->writeErrno = 0;
    const auto paper = ui::detail::PaperDots(p->paper);
    p->pdf = cairo_pdf_surface_create_for_stream(ui::detail::WriteToFile, p,
                                                 paper.wide * ui::detail::kPointsPerDot,
                                                 paper.high * ui::detail::kPointsPerDot);
    cairo_pdf_surface_set_metadata(p->pdf, CAIRO_PDF_METADATA_TITLE,
                                   unicode::ToUtf8(docName).c_str());
    p->page = cairo_create(p->pdf);
    cairo_scale(p->page, ui::detail::kPointsPerDot, ui::detail::kPointsPerDot);
    cairo_translate(p->page, ui::detail::kMarginDots, ui::detail::kMarginDots);
    cairo_set_source_rgb(p->page, 0, 0, 0);
    p->fontApplied = false; // the page context takes the font at the next use
    if (cairo_status(p->page) != CAIRO_STATUS_SUCCESS) {
        p->Abort();
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return SP_ERROR;
    }
    return 1;
}

int StartPage(HDC hdc) {
    Printer* p = PrinterFor(hdc);
    if (!p)
        return SP_ERROR;
    if (!p->pdf || p->inPage) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SP_ERROR;
    }
    p->inPage = true;
    return 1;
}

int EndPage(HDC hdc) {
    Printer* p = PrinterFor(hdc);
    if (!p)
        return SP_ERROR;
    if (!p->inPage) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SP_ERROR;
    }
    cairo_show_page(p->page);
    p->inPage = false;
    if (cairo_status(p->page) != CAIRO_STATUS_SUCCESS) {
        const DWORD code = p->writeErrno ? ui::detail::ErrorOf(p->writeErrno) : ERROR_WRITE_FAULT;
        p->Abort();
        SetLastError(code);
        return SP_ERROR;
    }
    if (p->abortProc && !p->abortProc(hdc, 0)) {
        p->Abort();
        return SP_APPABORT;
    }
    return 1;
}

int EndDoc(HDC hdc) {
    Printer* p = PrinterFor(hdc);
    if (!p)
        return SP_ERROR;
    if (!p->pdf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SP_ERROR;
    }
    if (p->inPage && EndPage(hdc) <= 0)
        return SP_ERROR;
    cairo_destroy(p->page);
    p->page = nullptr;
    cairo_surface_finish(p->pdf);
    const bool drawn = cairo_surface_status(p->pdf) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(p->pdf);
    p->pdf = nullptr;
    int error = drawn ? 0 : (p->writeErrno ? p->writeErrno : EIO);
    if (!error && (std::fflush(p->out) != 0 || fsync(fileno(p->out)) != 0))
        error = errno;
    if (std::fclose(p->out) != 0 && !error)
        error = errno;
    p->out = nullptr;
    if (!error && std::rename(p->tempPath.c_str(), p->finalPath.c_str()) != 0)
        error = errno;
    if (error) {
        p->Abort();
        SetLastError(ui::detail::ErrorOf(error));
        return SP_ERROR;
    }
    p->tempPath.clear();
    return 1;
}

int AbortDoc(HDC hdc) {
    Printer* p = PrinterFor(hdc);
    if (!p)
        return SP_ERROR;
    p->Abort();
    return 1;
}
