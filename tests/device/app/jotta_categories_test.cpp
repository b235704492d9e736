// The categories pick list as the person uses it: a note's categories, the
// display filter, the synchronization filter and All Notes.
#include "jotta_fixture.h"

using namespace jottatest;

namespace {

class CategoriesTest : public JottaTest {
protected:
    void SetUp() override {
        JottaTest::SetUp();
        SetRegNumber(u"BannerCount", 3); // no banner in these tests
        SetRegNumber(u"Sort", kSortBySubject);
    }
    // The pick list answered: `selected` (LF-separated) when given, else
    // left as the dialog showed it; then OK or Cancel.
    void Pick(UINT command, int button, const std::u16string* selected = nullptr) {
        std::vector<ui::DialogField> fields;
        if (selected != nullptr)
            fields.push_back({IDC_CATEGORY_LIST, *selected});
        user().ExpectDialog(u"Categories", fields, button);
        Command(command);
    }
    void PickAndConfirm(UINT command, const std::u16string& selected) {
        Pick(command, IDOK, &selected);
    }
    std::string ListLine() { return State().substr(0, State().find('\n')); }
};

} // namespace

TEST_F(CategoriesTest, ANotesUnknownCategoryShowsSelectedAndConfirmingKeepsIt) {
    PutCategories({u"Work", u"Home"});
    PutNote(u"Alpha", NoteYellow, u"Private\n");
    Start();
    Pick(ID_EDIT_CATEGORIES, IDOK);
    EXPECT_EQ(u"Private\n", doc->m_categories);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(EditorWindow(), GetFocus());
}

TEST_F(CategoriesTest, ConfirmingRebuildsTheNamesInTheListsSortedOrder) {
    PutCategories({u"Work", u"Home"});
    PutNote(u"Alpha", NoteYellow, u"Work\nHome\n");
    Start();
    Pick(ID_EDIT_CATEGORIES, IDOK);
    EXPECT_EQ(u"Home\nWork\n", doc->m_categories);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(CategoriesTest, ChosenCategoriesReachTheDatabaseAtTheSave) {
    PutCategories({u"Work", u"Home", u"Errands"});
    const CEOID note = PutNote(u"Alpha");
    Start();
    PickAndConfirm(ID_EDIT_CATEGORIES, u"Work\nErrands");
    EXPECT_EQ(u"Errands\nWork\n", doc->m_categories);
    NoteContents stored;
    ASSERT_TRUE(doc->ReadNote(note, &stored));
    EXPECT_EQ(u"", stored.categories) << "not before the save";
    Command(ID_NOTE_SAVE);
    ASSERT_TRUE(doc->ReadNote(note, &stored));
    EXPECT_EQ(u"Errands\nWork\n", stored.categories);

    Pick(ID_EDIT_CATEGORIES, IDCANCEL, nullptr);
    EXPECT_FALSE(doc->IsModified()) << "Cancel changes nothing";
}

TEST_F(CategoriesTest, SynchronizationFilterIsWrittenAtOnce) {
    PutCategories({u"Work", u"Home"});
    SetRegString(u"FilterSync", u"Home\nGone\n");
    Start();
    // The stored names show selected, the unknown one is dropped.
    Pick(ID_EXTRAS_SYNCFILTER, IDOK);
    EXPECT_EQ(u"Home\n", RegString(u"FilterSync"));
    PickAndConfirm(ID_EXTRAS_SYNCFILTER, u"Work\nHome");
    EXPECT_EQ(u"Home\nWork\n", RegString(u"FilterSync"));
    PickAndConfirm(ID_EXTRAS_SYNCFILTER, u"");
    EXPECT_EQ(u"", RegString(u"FilterSync")) << "nothing selected keeps no note out";
    const std::u16string work = u"Work";
    Pick(ID_EXTRAS_SYNCFILTER, IDCANCEL, &work);
    EXPECT_EQ(u"", RegString(u"FilterSync"));
}

TEST_F(CategoriesTest, FilterNotesLimitsTheListAndAllNotesShowsEveryNoteAgain) {
    PutCategories({u"Work", u"Home"});
    PutNote(u"Alpha", NoteYellow, u"Home\n");
    PutNote(u"Beta", NoteYellow, u"Work\n");
    PutNote(u"Gamma");
    Start();
    EXPECT_TRUE(Checked(ID_VIEW_ALLNOTES));
    PickAndConfirm(ID_VIEW_FILTERNOTES, u"Work");
    EXPECT_EQ("list: >'Beta'", ListLine());
    EXPECT_TRUE(Checked(ID_VIEW_FILTERNOTES));
    EXPECT_FALSE(Checked(ID_VIEW_ALLNOTES));
    Command(ID_NOTE_NEW);
    EXPECT_EQ(u"Work\n", doc->m_categories) << "a new note is listed under the filter";

    Command(ID_VIEW_ALLNOTES);
    EXPECT_TRUE(Checked(ID_VIEW_ALLNOTES));
    EXPECT_NE(std::string::npos, ListLine().find("'Gamma'"));
    Exit();
    EXPECT_EQ(u"", RegString(u"FilterCat"));
}

TEST_F(CategoriesTest, FilterNotesWaitsForTheSaveQuestionAndCancelKeepsTheFilter) {
    PutCategories({u"Work", u"Home"});
    PutNote(u"Alpha", NoteYellow, u"Home\n");
    PutNote(u"Beta", NoteYellow, u"Work\n");
    Start();
    Type(u"edit ");
    user().ExpectDialog(u"Categories", {{IDC_CATEGORY_LIST, u"Work"}}, IDOK);
    ExpectQuestion(u"Save changes?", IDCANCEL);
    Command(ID_VIEW_FILTERNOTES);
    EXPECT_TRUE(app->m_arrFilterCats.empty());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ("list: >'Alpha' 'Beta'", ListLine());

    // A filter no note passes: no valid note, the commands that need one off.
    PutCategories({u"Empty"});
    user().ExpectDialog(u"Categories", {{IDC_CATEGORY_LIST, u"Empty"}}, IDOK);
    ExpectQuestion(u"Save changes?", IDNO);
    Command(ID_VIEW_FILTERNOTES);
    EXPECT_EQ("list:", ListLine());
    EXPECT_FALSE(Enabled(ID_EDIT_CATEGORIES));
    EXPECT_TRUE(Enabled(ID_EXTRAS_SYNCFILTER));
}
