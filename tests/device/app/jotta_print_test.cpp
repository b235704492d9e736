// Print as the person uses it: the print dialog, the header of the stored
// note, lines across pages, and a PDF file that opens or a failure told.
#include "jotta_fixture.h"

#include "device/app/note_display.h"
#include "platform/base/unicode.h"
#include "platform/ui/commdlg.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

using namespace jottatest;

namespace {

constexpr int kFileEdit = 1001;

class PrintTest : public JottaTest {
protected:
    void SetUp() override {
        JottaTest::SetUp();
        SetRegNumber(u"BannerCount", 3); // no banner in these tests
        SetRegNumber(u"Sort", kSortBySubject);
    }
    std::string Path(const std::string& name) { return machines.handheld() + "/" + name; }
    // Print chosen, the dialog confirmed with `file` (empty: the default).
    void Print(const std::string& file) {
        user().ExpectDialog(u"Print",
                            {{kFileEdit, file.empty() ? u"" : unicode::ToUtf16(Path(file))}}, IDOK);
        Command(ID_NOTE_PRINT);
    }
    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    // The PDF's text, page by page, as a viewer shows it.
    std::vector<std::string> Pages(const std::string& file) {
        std::string text;
        FILE* out = popen(("pdftotext -layout '" + Path(file) + "' - 2>/dev/null").c_str(), "r");
        if (out) {
            std::array<char, 4096> buffer;
            while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), out))
                text.append(buffer.data(), n);
            pclose(out);
        }
        std::vector<std::string> pages;
        std::istringstream in(text);
        for (std::string page; std::getline(in, page, '\f');)
            pages.push_back(page);
        if (!pages.empty() && pages.back().find_first_not_of("\n ") == std::string::npos)
            pages.pop_back(); // after the last form feed
        return pages;
    }
};

} // namespace

TEST_F(PrintTest, TheHeaderShowsTheStoredFactsOfTheNote) {
    NoteContents note;
    note.text = u"Groceries\r\nmilk";
    note.color = NoteGreen;
    note.created = FILETIME{0xFF8C9E80, 0x01DAFFFF};
    note.modified = FILETIME{0, 0}; // never saved on the handheld
    note.categories = u"Work\nHome\n";
    Start(); // the string resources
    const std::u16string rule = u"______________________\n";
    EXPECT_EQ(rule + u"Title: Groceries\n" + u"Created: " + FormatNoteTime(note.created, u"   ") +
                  u"\n" + u"Last Modified: " + FormatNoteTime(FILETIME{0, 0}, u"   ") +
                  u"\nColor: green\n" + u"Categories: Work  Home  \n" + rule + u" \n",
              PrintedHeader(note));
    // The zero time is a real date, not an empty line.
    EXPECT_GT(FormatNoteTime(FILETIME{0, 0}, u"   ").size(), 6u);

    note.categories.clear();
    note.color = 9;
    const std::u16string header = PrintedHeader(note);
    EXPECT_NE(std::u16string::npos, header.find(u"\nColor: unknown\nCategories: \n"));
}

TEST_F(PrintTest, PrintsTheStoredNoteWithItsHeaderToAPdfFile) {
    PutNote(u"Groceries\r\nmilk\r\nbread", NoteGreen, u"Work\nHome\n");
    Start();
    Type(u"Unsaved ");
    Print("groceries.pdf");
    ASSERT_EQ(0u, Contents(Path("groceries.pdf")).rfind("%PDF-", 0));
    const auto pages = Pages("groceries.pdf");
    ASSERT_EQ(1u, pages.size());
    const std::string& page = pages[0];
    EXPECT_NE(std::string::npos, page.find("Title: Groceries")) << page;
    // The exact spacing is PrintedHeader's; the viewer's text squeezes blanks.
    EXPECT_TRUE(std::regex_search(page, std::regex("Categories: Work +Home"))) << page;
    EXPECT_NE(std::string::npos, page.find("Color: green")) << page;
    // Never saved on the handheld: the zero time, as a local date and time.
    const std::string zero = unicode::ToUtf8(FormatNoteTime(FILETIME{0, 0}, u"   "));
    EXPECT_NE(std::string::npos, page.find("Last Modified: " + zero + "\n")) << page;
    EXPECT_NE(std::string::npos, page.find("milk\nbread")) << page;
    EXPECT_EQ(std::string::npos, page.find("Unsaved")) << "changes not saved are not printed";
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(PrintTest, AParagraphThatDoesNotFitBelowStartsANewPageAndWraps) {
    std::u16string text = u"Long\r\n";
    for (int i = 1; i <= 40; ++i)
        text += u"line " + unicode::ToUtf16(std::to_string(i)) + u"\r\n";
    for (int i = 0; i < 400; ++i)
        text += u"word" + unicode::ToUtf16(std::to_string(i % 10)) + u" ";
    PutNote(text);
    Start();
    Print("long.pdf");
    const auto pages = Pages("long.pdf");
    ASSERT_EQ(2u, pages.size());
    EXPECT_NE(std::string::npos, pages[0].find("line 40"));
    EXPECT_EQ(std::string::npos, pages[0].find("word")) << "the paragraph moved on whole";
    std::istringstream lines(pages[1]);
    int wrapped = 0;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("word0", 0) == 0 || line.rfind("word", 0) == 0)
            ++wrapped;
    EXPECT_GT(wrapped, 10) << pages[1];
}

TEST_F(PrintTest, CancelPrintsNothingAndTheDefaultFileIsTheTitleInMyDocuments) {
    PutNote(u"Shopping\r\neggs");
    Start();
    user().ExpectDialog(u"Print", {{kFileEdit, u"never.pdf"}}, IDCANCEL);
    Command(ID_NOTE_PRINT);
    const std::filesystem::path documents = ui::DocumentsFolder();
    EXPECT_FALSE(std::filesystem::exists(documents / "never.pdf"));
    EXPECT_FALSE(std::filesystem::exists(documents / "Shopping.pdf"));
    EXPECT_FALSE(doc->IsModified());

    Print("");
    EXPECT_EQ(0u, Contents((documents / "Shopping.pdf").string()).rfind("%PDF-", 0)) << documents;
}

TEST_F(PrintTest, AJobThatCannotBeWrittenIsToldNotPassedOffAsPrinted) {
    PutNote(u"Shopping\r\neggs");
    Start();
    std::ofstream(Path("plain")) << "x"; // a file where the folder would be
    user().ExpectDialog(u"Print", {{kFileEdit, unicode::ToUtf16(Path("plain/out.pdf"))}}, IDOK);
    ExpectQuestion(u"The note could not be printed: the file cannot be written in that folder. "
                   u"Nothing was printed.",
                   IDOK);
    Command(ID_NOTE_PRINT);
    EXPECT_FALSE(std::filesystem::exists(Path("plain/out.pdf")));
}

TEST_F(PrintTest, AParagraphTallerThanAPageGoesOnOverTheFollowingPagesWhole) {
    std::u16string text = u"Essay\r\n";
    char word[16];
    for (int i = 0; i < 1500; ++i) {
        std::snprintf(word, sizeof word, "w%04dxy ", i); // eight to a word: lines end mid-word
        text += unicode::ToUtf16(word);
    }
    text += u"\r\nThe end";
    PutNote(text);
    Start();
    Print("essay.pdf");
    const auto pages = Pages("essay.pdf");
    ASSERT_GE(pages.size(), 3u);
    std::string all;
    for (const auto& page : pages)
        all += page;
    for (const char* needle : {"w0000", "w0750", "w1499", "The end"})
        EXPECT_NE(std::string::npos, all.find(needle)) << needle << " is printed";
    EXPECT_EQ(std::string::npos, pages[0].find("w0000")) << "the paragraph starts a page";
    const std::regex whole("w[0-9]{4}xy");
    EXPECT_EQ(1500, std::distance(std::sregex_iterator(all.begin(), all.end(), whole),
                                  std::sregex_iterator()))
        << "no word cut at a page's end";
}
