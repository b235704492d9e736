// Import and Export as the person uses them: the file dialogs, the text in
// the handheld's ANSI code page, the overwrite question and failures told.
#include "jotta_fixture.h"

#include "platform/base/unicode.h"
#include "platform/ce/registry.h"

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace jottatest;

namespace {

class TextFileTest : public JottaTest {
protected:
    void SetUp() override {
        JottaTest::SetUp();
        SetRegNumber(u"BannerCount", 3); // no banner in these tests
        SetRegNumber(u"Sort", kSortBySubject);
    }
    std::string Path(const std::string& name) { return machines.handheld() + "/" + name; }
    std::u16string WidePath(const std::string& name) { return unicode::ToUtf16(Path(name)); }
    std::string Contents(const std::string& name) {
        std::ifstream in(Path(name), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    void Put(const std::string& name, const std::string& bytes) {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    void Export(const std::string& name) {
        user().ExpectSaveFile(u"Save As", WidePath(name));
        Command(ID_EXTRAS_EXPORT);
    }
    void Import(const std::string& name) {
        user().ExpectOpenFile(u"Open", WidePath(name));
        Command(ID_EXTRAS_IMPORT);
    }
};

} // namespace

TEST_F(TextFileTest, ExportWritesTheTextAsShownInTheAnsiCodePage) {
    PutNote(u"Café\r\n10 € für Mañana");
    Start();
    Type(u"Neu ");
    Export("note.txt");
    EXPECT_EQ("Neu Caf\xE9\r\n10 \x80 f\xFCr Ma\xF1"
              "ana",
              Contents("note.txt"));
    EXPECT_TRUE(doc->IsModified()) << "exporting saves nothing";

    // An existing file is replaced only when the person says so.
    user().ExpectSaveFile(u"Save As", WidePath("note.txt"));
    user().ExpectMessageBox(
        u"Save As", WidePath("note.txt") + u" already exists.\nDo you want to replace it?", IDNO);
    user().ExpectSaveFile(u"Save As", std::nullopt); // No goes back to the dialog
    Command(ID_EXTRAS_EXPORT);
    EXPECT_EQ('N', Contents("note.txt")[0]);
}

TEST_F(TextFileTest, ExportTakesTheHandheldsDoubleByteCodePageWhole) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                                             u"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage",
                                             0, nullptr, 0, 0, nullptr, &key, nullptr));
    const std::u16string acp = u"932";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"ACP", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(acp.c_str()), 8));
    RegCloseKey(key);
    PutNote(u"漢字かな");
    Start();
    Export("kanji.txt");
    EXPECT_EQ("\x8A\xBF\x8E\x9A\x82\xA9\x82\xC8", Contents("kanji.txt"))
        << "every character, though it takes two bytes";
    Put("back.txt", Contents("kanji.txt") + "\r\nABC");
    Import("back.txt");
    EXPECT_EQ(u"漢字かな\r\nABC", EditorText());
}

TEST_F(TextFileTest, ImportReplacesTheEditorsTextAndTheSaveStoresIt) {
    const CEOID note = PutNote(u"Alpha\r\nold");
    PutNote(u"Beta");
    Start();
    Put("in.txt", "Imported\r\nTeil \xFC");
    Import("in.txt");
    EXPECT_EQ(u"Imported\r\nTeil ü", EditorText());
    EXPECT_TRUE(doc->IsModified());
    NoteContents stored;
    ASSERT_TRUE(doc->ReadNote(note, &stored));
    EXPECT_EQ(u"Alpha\r\nold", stored.text) << "nothing stored before the save";

    // Choosing another note offers the save; No keeps the stored text.
    ExpectQuestion(u"Save changes?", IDNO);
    TapLine(1);
    ASSERT_TRUE(doc->ReadNote(note, &stored));
    EXPECT_EQ(u"Alpha\r\nold", stored.text);

    Put("empty.txt", "");
    Import("empty.txt");
    EXPECT_EQ(u"", EditorText());
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(TextFileTest, ImportAsksToSaveFirstAndEveryCancelChangesNothing) {
    PutNote(u"Alpha");
    Start();
    Type(u"typed ");
    ExpectQuestion(u"Save changes?", IDCANCEL);
    Command(ID_EXTRAS_IMPORT);
    EXPECT_EQ(u"typed Alpha", EditorText());

    ExpectQuestion(u"Save changes?", IDYES);
    user().ExpectOpenFile(u"Open", std::nullopt);
    Command(ID_EXTRAS_IMPORT);
    EXPECT_EQ(u"typed Alpha", EditorText());
    EXPECT_FALSE(doc->IsModified()) << "saved at the question, then the dialog was cancelled";

    user().ExpectSaveFile(u"Save As", std::nullopt);
    Command(ID_EXTRAS_EXPORT);
}

TEST_F(TextFileTest, FailuresAreToldWithTheFileAndNothingChanges) {
    PutNote(u"Alpha");
    Start();
    user().ExpectOpenFile(u"Open", WidePath("missing.txt"));
    ExpectQuestion(
        (WidePath("missing.txt") + u" could not be imported: No such file or directory.").c_str(),
        IDOK);
    Command(ID_EXTRAS_IMPORT);
    EXPECT_EQ(u"Alpha", EditorText());
    EXPECT_FALSE(doc->IsModified());

    user().ExpectSaveFile(u"Save As", WidePath("no/such/folder/out.txt"));
    ExpectQuestion((u"The note could not be written to " + WidePath("no/such/folder/out.txt") +
                    u": No such file or directory.")
                       .c_str(),
                   IDOK);
    Command(ID_EXTRAS_EXPORT);
}

TEST_F(TextFileTest, AFailedExportLeavesTheOldFileWhole) {
    PutNote(u"A note far longer than the little room the file system leaves for it");
    Start();
    Put("old.txt", "the old file");
    // The file system refuses files over 8 bytes while the export runs.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 8;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &tight));
    user().ExpectSaveFile(u"Save As", WidePath("old.txt"));
    user().ExpectMessageBox(
        u"Save As", WidePath("old.txt") + u" already exists.\nDo you want to replace it?", IDYES);
    ExpectQuestion(
        (u"The note could not be written to " + WidePath("old.txt") + u": File too large.").c_str(),
        IDOK);
    Command(ID_EXTRAS_EXPORT);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ("the old file", Contents("old.txt"));
    for (const auto& entry : std::filesystem::directory_iterator(machines.handheld()))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find("old.txt."))
            << "a temporary file was left beside it: " << entry.path();
}

TEST_F(TextFileTest, AFileWithAByteOrderMarkIsReadInItsEncoding) {
    PutNote(u"Alpha");
    Start();
    Put("utf8.txt", "\xEF\xBB\xBF漢字 café");
    Import("utf8.txt");
    EXPECT_EQ(u"漢字 café", EditorText());
    Put("utf16.txt", std::string("\xFF\xFE\x22\x6F\x41\x00", 6));
    ExpectQuestion(u"Save changes?", IDNO); // the text of the first import
    Import("utf16.txt");
    EXPECT_EQ(u"漢A", EditorText());
    Put("utf16be.txt", std::string("\xFE\xFF\x6F\x22\x00\x41", 6));
    ExpectQuestion(u"Save changes?", IDNO);
    Import("utf16be.txt");
    EXPECT_EQ(u"漢A", EditorText());

    Put("half.txt", std::string("\xFF\xFE\x41\x00\x42", 5));
    ExpectQuestion(u"Save changes?", IDNO);
    user().ExpectOpenFile(u"Open", WidePath("half.txt"));
    ExpectQuestion((WidePath("half.txt") +
                    u" could not be imported: its UTF-16 text ends in half a character.")
                       .c_str(),
                   IDOK);
    Command(ID_EXTRAS_IMPORT);
    EXPECT_EQ(u"漢A", EditorText()) << "the editor keeps its text";
}

TEST_F(TextFileTest, ExportSaysHowManyCharactersTheCodePageLacks) {
    PutNote(u"Is it café? 漢字 \U0001F600");
    Start();
    user().ExpectSaveFile(u"Save As", WidePath("lossy.txt"));
    ExpectQuestion((WidePath("lossy.txt") +
                    u" is written, but 3 characters of the note have no form in the handheld's "
                    u"code page: each was written as \"?\".")
                       .c_str(),
                   IDOK);
    Command(ID_EXTRAS_EXPORT);
    EXPECT_EQ("Is it caf\xE9? ?? ?", Contents("lossy.txt"));
}
