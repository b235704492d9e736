#include "platform/ui/commdlg.h"
#include "platform/ui/message_box.h"
#include "ui_test_support.h"

#include <fstream>

namespace {

class FileDialogTest : public uitest::UiTest {
protected:
    OPENFILENAMEW Make(const char16_t* defExt = u"txt") {
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = u"Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
        ofn.lpstrFile = file;
        ofn.nMaxFile = 260;
        ofn.lpstrDefExt = defExt;
        ofn.lpstrFileTitle = title;
        ofn.nMaxFileTitle = 64;
        file[0] = 0;
        return ofn;
    }
    void SetUp() override {
        UiTest::SetUp();
        std::filesystem::create_directories(dir / "My Documents");
    }
    std::u16string Path(const char* name) {
        const std::string p = (dir / "My Documents" / name).string();
        return std::u16string(p.begin(), p.end());
    }
    WCHAR file[260];
    WCHAR title[64];
};

TEST_F(FileDialogTest, OpenTakesTheScriptedNameInMyDocumentsWithTheDefaultExtension) {
    std::ofstream(dir / "My Documents" / "note.txt") << "x";
    user().ExpectOpenFile(u"Open", u"note");
    OPENFILENAMEW ofn = Make();
    ofn.Flags = OFN_FILEMUSTEXIST;
    ASSERT_TRUE(GetOpenFileNameW(&ofn));
    EXPECT_EQ(Path("note.txt"), std::u16string(file));
    EXPECT_EQ(std::u16string(u"note.txt"), title);
    EXPECT_EQ(u"note.txt", std::u16string(file + ofn.nFileOffset));
    EXPECT_EQ(u"txt", std::u16string(file + ofn.nFileExtension));
}

TEST_F(FileDialogTest, CancelAndMissingFile) {
    user().ExpectOpenFile(u"Open", std::nullopt);
    OPENFILENAMEW ofn = Make();
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
    EXPECT_EQ(0u, CommDlgExtendedError());
    // A missing file is refused with a box, and the user is asked again.
    const std::u16string missing = Path("missing.txt");
    user().ExpectOpenFile(u"Import", u"missing.txt");
    user().ExpectMessageBox(
        u"Import", missing + u"\nFile not found.\nPlease verify the correct file name was given.",
        IDOK);
    user().ExpectOpenFile(u"Import", std::nullopt);
    ofn.lpstrTitle = u"Import";
    ofn.Flags = OFN_FILEMUSTEXIST;
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
}

TEST_F(FileDialogTest, SaveAsksBeforeReplacing) {
    std::ofstream(dir / "My Documents" / "out.txt") << "old";
    const std::u16string existing = Path("out.txt");
    user().ExpectSaveFile(u"Save As", u"out.txt");
    user().ExpectMessageBox(u"Save As", existing + u" already exists.\nDo you want to replace it?",
                            IDNO);
    user().ExpectSaveFile(u"Save As", u"/tmp/../tmp/other.txt");
    OPENFILENAMEW ofn = Make();
    ofn.Flags = OFN_OVERWRITEPROMPT;
    ASSERT_TRUE(GetSaveFileNameW(&ofn));
    EXPECT_EQ(u"/tmp/other.txt", std::u16string(file));
}

TEST_F(FileDialogTest, SmallBufferAndBadStructure) {
    user().ExpectSaveFile(u"Save As", u"/tmp/a-rather-long-name.txt");
    OPENFILENAMEW ofn = Make();
    ofn.nMaxFile = 8;
    EXPECT_FALSE(GetSaveFileNameW(&ofn));
    EXPECT_EQ(FNERR_BUFFERTOOSMALL, CommDlgExtendedError());
    EXPECT_EQ(28, file[0]); // the size needed, as the platform reports it
    ofn.lStructSize = 12;
    EXPECT_FALSE(GetSaveFileNameW(&ofn));
    EXPECT_EQ(CDERR_STRUCTSIZE, CommDlgExtendedError());
}

} // namespace
