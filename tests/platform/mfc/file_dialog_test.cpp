#include "platform/mfc/file_dialog.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_test_support.h"

#include <string_view>

namespace {

class FileDialogTest : public uitest::UiTest {};

TEST_F(FileDialogTest, BarFilterBecomesThePlatformsAndTheAnswerIsThePath) {
    CFileDialog dlg(FALSE, u"txt", nullptr, OFN_OVERWRITEPROMPT,
                    u"Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    const std::u16string_view filter(dlg.m_ofn.lpstrFilter, 45);
    EXPECT_EQ(std::u16string_view(u"Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0\0", 45),
              filter);
    user().ExpectSaveFile(u"Save As", u"/tmp/export");
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(u"/tmp/export.txt", dlg.GetPathName()); // the default extension added
    EXPECT_EQ(u"export.txt", dlg.GetFileName());
    EXPECT_EQ(u"txt", dlg.GetFileExt());

    CFileDialog open(TRUE, u"txt", nullptr, 0, u"Text Files (*.txt)|*.txt||");
    user().ExpectOpenFile(u"Open", std::nullopt);
    EXPECT_EQ(IDCANCEL, open.DoModal());
    EXPECT_EQ(u"", open.GetPathName());
}

} // namespace
