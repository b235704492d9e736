// The print dialog and the printer's device context: paper sizes, text
// measured and laid out in the selected font, and jobs that reach their PDF
// file whole or not at all.
#include "platform/ui/commdlg.h"
#include "platform/ui/gdi.h"
#include "platform/ui/message_box.h"
#include "ui_test_support.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

constexpr int kFileEdit = 1001;
constexpr int kLetter = 1003;

class PrinterTest : public uitest::UiTest {
protected:
    void TearDown() override {
        if (dc) {
            EXPECT_TRUE(DeleteDC(dc));
        }
        uitest::UiTest::TearDown();
    }
    // A printer's device context as the person chooses it in the print dialog.
    HDC Printer(bool letter = false, std::u16string file = u"") {
        std::vector<ui::DialogField> fields{{kFileEdit, file}};
        if (letter)
            fields.push_back({kLetter, u"1"});
        user().ExpectDialog(u"Print", fields, IDOK);
        PRINTDLGW pd{};
        pd.lStructSize = PRINTDLG_SIZE;
        pd.Flags = PD_RETURNDC;
        EXPECT_TRUE(PrintDlg(&pd));
        return pd.hDC;
    }
    // Selects a font of cell height `height` and returns its metrics.
    TEXTMETRICW UseFont(LONG height) {
        LOGFONTW lf{};
        lf.lfHeight = height;
        std::char_traits<char16_t>::copy(lf.lfFaceName, u"Courier", 8);
        font = CreateFontIndirectW(&lf);
        SelectObject(dc, font);
        TEXTMETRICW tm{};
        EXPECT_TRUE(GetTextMetricsW(dc, &tm));
        return tm;
    }
    RECT Measure(std::u16string_view text, LONG width, UINT flags = DT_WORDBREAK) {
        RECT rect{0, 0, width, 0};
        const int height = DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect,
                                     DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | flags);
        EXPECT_EQ(rect.bottom, height);
        return rect;
    }
    static std::string Contents(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    static int Pages(const std::string& pdf) {
        int pages = 0;
        for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
             at = pdf.find("/Type /Page", at + 1))
            pages += pdf.compare(at, 12, "/Type /Pages") != 0;
        return pages;
    }
    static std::string TextOf(const std::filesystem::path& pdf) {
        std::string text;
        FILE* out = popen(("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null").c_str(), "r");
        if (!out)
            return text;
        std::array<char, 4096> buffer;
        while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), out))
            text.append(buffer.data(), n);
        pclose(out);
        return text;
    }

    HDC dc = nullptr;
    HFONT font = nullptr;
};

TEST_F(PrinterTest, TheDialogGivesAPrinterOfThePaperChosenOrNothing) {
    PRINTDLGW pd{};
    pd.lStructSize = sizeof pd;
    EXPECT_FALSE(PrintDlg(&pd));
    EXPECT_EQ(CDERR_STRUCTSIZE, CommDlgExtendedError());

    user().ExpectDialog(u"Print", {{kFileEdit, u"ignored.pdf"}}, IDCANCEL);
    pd.lStructSize = PRINTDLG_SIZE;
    pd.Flags = PD_RETURNDC;
    EXPECT_FALSE(PrintDlg(&pd));
    EXPECT_EQ(nullptr, pd.hDC);
    EXPECT_EQ(0u, CommDlgExtendedError());

    // The keyboard goes back to where it was, though the dialog had no owner.
    HWND edit = CreateWindowExW(0, u"edit", u"", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 20, nullptr,
                                nullptr, nullptr, nullptr);
    SetFocus(edit);
    dc = Printer();
    ASSERT_NE(nullptr, dc);
    EXPECT_EQ(edit, GetFocus());
    EXPECT_EQ(300, GetDeviceCaps(dc, LOGPIXELSX));
    EXPECT_EQ(300, GetDeviceCaps(dc, LOGPIXELSY));
    // A4 is 210 x 297 mm; the printable area leaves the margins on both sides.
    EXPECT_EQ(2480, GetDeviceCaps(dc, PHYSICALWIDTH));
    EXPECT_EQ(3508, GetDeviceCaps(dc, PHYSICALHEIGHT));
    EXPECT_EQ(2480 - 2 * GetDeviceCaps(dc, PHYSICALOFFSETX), GetDeviceCaps(dc, HORZRES));
    EXPECT_EQ(3508 - 2 * GetDeviceCaps(dc, PHYSICALOFFSETY), GetDeviceCaps(dc, VERTRES));
    const int a4Wide = GetDeviceCaps(dc, HORZRES), a4High = GetDeviceCaps(dc, VERTRES);
    EXPECT_TRUE(DeleteDC(dc));

    // Letter is 8.5 x 11 inches: wider and shorter than A4.
    dc = Printer(true);
    ASSERT_NE(nullptr, dc);
    EXPECT_EQ(2550, GetDeviceCaps(dc, PHYSICALWIDTH));
    EXPECT_EQ(3300, GetDeviceCaps(dc, PHYSICALHEIGHT));
    EXPECT_GT(GetDeviceCaps(dc, HORZRES), a4Wide);
    EXPECT_LT(GetDeviceCaps(dc, VERTRES), a4High);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES) * 254 / 3000, GetDeviceCaps(dc, HORZSIZE));
}

TEST_F(PrinterTest, TheFontIsTheSizeAskedForAndFixedPitch) {
    dc = Printer();
    const TEXTMETRICW tm = UseFont(46);
    EXPECT_NEAR(46, tm.tmHeight, 1);
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GT(tm.tmAveCharWidth, 10);
    // "Courier" comes out fixed-pitch: i and W as wide as x.
    EXPECT_NEAR(3 * Measure(u"x", 1000, 0).right, Measure(u"iWx", 1000, 0).right, 2);
}

TEST_F(PrinterTest, DrawTextMeasuresLinesAsThePlatformBreaksThem) {
    dc = Printer();
    const TEXTMETRICW tm = UseFont(46);
    const LONG h = tm.tmHeight, ave = tm.tmAveCharWidth;
    const LONG width = 10 * ave + ave / 2; // ten characters and a half

    // Words go to the next line at a space; the rectangle's width stays.
    RECT r = Measure(u"aaaa bbbb cccc dddd eeee", width);
    EXPECT_EQ(3 * h, r.bottom) << "aaaa bbbb / cccc dddd / eeee";
    EXPECT_EQ(width, r.right);
    // Spaces at a break take no room: nine characters and many blanks still fit.
    EXPECT_EQ(2 * h, Measure(u"aaaa bbbb          cccc", width).bottom);
    // A word wider than the rectangle breaks at the character that no longer fits.
    EXPECT_EQ(3 * h, Measure(std::u16string(25, u'x'), width).bottom);
    EXPECT_EQ(1 * h, Measure(std::u16string(10, u'x'), width).bottom);
    EXPECT_EQ(2 * h, Measure(std::u16string(11, u'x'), width).bottom);

    // CR LF, CR and LF end lines; one at the very end adds no line; an empty text is a line.
    EXPECT_EQ(1 * h, Measure(u"abc\r", width).bottom);
    EXPECT_EQ(2 * h, Measure(u"abc\r\ndef", width).bottom);
    EXPECT_EQ(3 * h, Measure(u"a\rb\nc\r\n", width).bottom);
    EXPECT_EQ(1 * h, Measure(u"", width).bottom);

    // A tab goes on to the next multiple of eight average widths.
    EXPECT_NEAR(9 * ave, Measure(u"\tx", 10000, 0).right, 1);
    EXPECT_NEAR(17 * ave, Measure(u"abc\tdefghijk\tx", 10000, 0).right, 1);
    EXPECT_EQ(0, GetDeviceCaps(nullptr, HORZRES)) << "no printer, no sizes";
}

TEST_F(PrinterTest, AJobWritesItsPagesToThePdfFileOnlyWhenDone) {
    dc = Printer(false, (dir / "out.pdf").u16string());
    UseFont(46);
    DOCINFOW doc{sizeof(DOCINFOW), u"Shopping list", nullptr, nullptr, 0};
    ASSERT_GT(StartDocW(dc, &doc), 0);
    ASSERT_GT(StartPage(dc), 0);
    RECT r{0, 0, 2000, 100};
    EXPECT_GT(DrawTextW(dc, u"Hello printer", -1, &r, DT_WORDBREAK), 0);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(StartPage(dc), 0);
    r = RECT{0, 0, 2000, 100};
    EXPECT_GT(DrawTextW(dc, u"Second\tpage", -1, &r, DT_WORDBREAK | DT_EXPANDTABS), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.pdf")) << "nothing before the end";
    ASSERT_GT(EndDoc(dc), 0);

    const std::string pdf = Contents(dir / "out.pdf");
    EXPECT_EQ(0u, pdf.rfind("%PDF-", 0));
    EXPECT_EQ(2, Pages(pdf));
    EXPECT_NE(std::string::npos, pdf.find("(Shopping list)")) << "the document name is its title";
    const std::string text = TextOf(dir / "out.pdf");
    EXPECT_NE(std::string::npos, text.find("Hello printer")) << text;
    EXPECT_NE(std::string::npos, text.find("Second")) << text;
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir),
                               std::filesystem::directory_iterator()))
        << "no part file left";
}

TEST_F(PrinterTest, WithNoFileChosenTheJobGoesToMyDocumentsUnderItsName) {
    dc = Printer();
    DOCINFOW doc{sizeof(DOCINFOW), u"Plans/2027", nullptr, nullptr, 0};
    ASSERT_GT(StartDocW(dc, &doc), 0);
    ASSERT_GT(StartPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0) << "the open page ends with the document";
    const auto path = std::filesystem::path(ui::DocumentsFolder()) / "Plans_2027.pdf";
    EXPECT_EQ(1, Pages(Contents(path))) << path;
}

TEST_F(PrinterTest, AFailedOrAbandonedJobLeavesNoFileAndSaysSo) {
    // The chosen folder cannot exist: a file stands where it would be.
    std::ofstream(dir / "plain") << "x";
    dc = Printer(false, (dir / "plain" / "out.pdf").u16string());
    DOCINFOW doc{sizeof(DOCINFOW), u"Note", nullptr, nullptr, 0};
    SetLastError(0);
    EXPECT_EQ(SP_ERROR, StartDocW(dc, &doc));
    EXPECT_NE(0u, GetLastError());
    EXPECT_EQ(SP_ERROR, StartPage(dc)) << "no job, no page";
    RECT r{0, 0, 100, 100};
    EXPECT_EQ(0, DrawTextW(dc, u"x", 1, &r, 0)) << "no page to draw on";
    EXPECT_TRUE(DeleteDC(dc));

    // The abort procedure cancels the job at the end of a page.
    dc = Printer(false, (dir / "cancelled.pdf").u16string());
    SetAbortProc(dc, [](HDC, int) -> BOOL { return FALSE; });
    ASSERT_GT(StartDocW(dc, &doc), 0);
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_EQ(SP_APPABORT, EndPage(dc));
    EXPECT_EQ(SP_ERROR, EndDoc(dc));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir),
                               std::filesystem::directory_iterator()))
        << "only the plain file";
}

} // namespace
