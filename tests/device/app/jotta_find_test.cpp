// Find and Find Next as the person uses them: the search dialog, the walk
// through the notes in display order, the filter and the "Save changes?"
// question on the way.
#include "jotta_fixture.h"

#include "platform/base/unicode.h"
#include "platform/ui/headless/headless_backend.h"

using namespace jottatest;

namespace {

class FindTest : public JottaTest {
protected:
    void SetUp() override {
        JottaTest::SetUp();
        SetRegNumber(u"BannerCount", 3); // no banner in these tests
        SetRegNumber(u"Sort", kSortBySubject);
    }

    // Find... with `text` typed into the dialog; then the question the
    // search asks, when one is given.
    void Find(const std::u16string& text, const char16_t* question = nullptr, int answer = 0) {
        user().ExpectDialog(u"Search for Notes", {{IDC_SEARCH_TEXT, text}}, IDOK);
        if (question != nullptr)
            ExpectQuestion(question, answer);
        Command(ID_EXTRAS_FIND);
    }
    // The loaded note's title and the selected text of the editor.
    std::u16string Selected() {
        int start = 0;
        int end = 0;
        editor->GetEditCtrl().GetSel(start, end);
        return EditorText().substr(static_cast<std::size_t>(start),
                                   static_cast<std::size_t>(end - start));
    }
    std::pair<int, int> Selection() {
        int start = 0;
        int end = 0;
        editor->GetEditCtrl().GetSel(start, end);
        return {start, end};
    }
};

} // namespace

TEST_F(FindTest, CaseIsIgnoredInEveryScriptAndTheWalkFollowsTheDisplayOrder) {
    PutNote(u"Alpha\r\nnothing here");
    PutNote(u"Beta\r\nBuy ÄPFEL and Pears");
    PutNote(u"Gamma\r\nthree äpfel, ΣΟΦΊΑ");
    Start();
    ASSERT_EQ(u"Alpha\r\nnothing here", EditorText());

    Find(u"äpfel");
    EXPECT_EQ(u"Beta\r\nBuy ÄPFEL and Pears", EditorText());
    EXPECT_EQ(u"ÄPFEL", Selected());
    EXPECT_EQ(EditorWindow(), GetFocus());

    Command(ID_EXTRAS_FINDNEXT);
    EXPECT_EQ(u"Gamma\r\nthree äpfel, ΣΟΦΊΑ", EditorText());
    EXPECT_EQ(u"äpfel", Selected());

    // Round past the last note to the first one that has it.
    Command(ID_EXTRAS_FINDNEXT);
    EXPECT_EQ(u"ÄPFEL", Selected());
    EXPECT_EQ(u"Beta\r\nBuy ÄPFEL and Pears", EditorText());

    Find(u"σοφία");
    EXPECT_EQ(u"ΣΟΦΊΑ", Selected());
    EXPECT_EQ(u"σοφία", app->m_strLastFind);
    Exit();
    EXPECT_EQ(u"σοφία", RegString(u"LastFind"));
}

TEST_F(FindTest, NotFoundLeavesTheNoteAndTheEditorAsTheyWere) {
    PutNote(u"Alpha\r\none");
    PutNote(u"Beta\r\ntwo");
    Start();
    Type(u"x");
    const std::u16string shown = EditorText();
    const auto selection = Selection();
    const CEOID current = doc->CurrentNote(false);
    Find(u"zebra", u"Not Found", IDOK);
    EXPECT_EQ(current, doc->CurrentNote(false));
    EXPECT_EQ(shown, EditorText());
    EXPECT_EQ(selection, Selection());
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(FindTest, AWalkRoundAllNotesComesBackToTheModifiedNoteThroughSaveChanges) {
    PutNote(u"Alpha\r\nthe word once");
    PutNote(u"Beta\r\nnothing");
    Start();
    // The caret after the only occurrence, and an unsaved change.
    editor->GetEditCtrl().SetSel(static_cast<int>(EditorText().size()),
                                 static_cast<int>(EditorText().size()));
    Type(u"!");
    Find(u"WORD", u"Save changes?", IDYES);
    EXPECT_EQ(u"Alpha\r\nthe word once!", EditorText()) << "saved, then loaded again";
    EXPECT_EQ(u"word", Selected());
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(FindTest, CancelAtSaveChangesKeepsTheEdit) {
    PutNote(u"Alpha\r\nfirst");
    PutNote(u"Beta\r\nsecond");
    Start();
    Type(u"typed ");
    Find(u"second", u"Save changes?", IDCANCEL);
    EXPECT_EQ(u"typed Alpha\r\nfirst", EditorText());
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(FindTest, AnEmptyStringCollapsesTheSelectionWhereItEnds) {
    PutNote(u"Alpha\r\nfirst");
    PutNote(u"Beta\r\nsecond");
    Start();
    editor->GetEditCtrl().SetSel(2, 5);
    const CEOID current = doc->CurrentNote(false);
    Find(u"");
    EXPECT_EQ(std::make_pair(5, 5), Selection());
    EXPECT_EQ(current, doc->CurrentNote(false));
}

TEST_F(FindTest, NotesOutsideTheFilterAreNeverSearched) {
    PutNote(u"Alpha\r\nat work", NoteYellow, u"Work\n");
    PutNote(u"Beta\r\nthe needle at home", NoteYellow, u"Home\n");
    PutNote(u"Gamma\r\nthe needle at work", NoteYellow, u"Work\n");
    SetRegString(u"FilterCat", u"Work\t");
    Start();
    ASSERT_EQ(u"Alpha\r\nat work", EditorText());
    Find(u"needle");
    EXPECT_EQ(u"Gamma\r\nthe needle at work", EditorText());
}

TEST_F(FindTest, CancelLeavesTheLastSearchStringAndFindNextUsesIt) {
    PutNote(u"Alpha\r\nkiwi");
    PutNote(u"Beta\r\nkiwi too");
    Start();
    Find(u"kiwi");
    EXPECT_EQ(u"Alpha\r\nkiwi", EditorText()) << "the loaded note first, from the selection";
    EXPECT_EQ(u"kiwi", Selected());
    user().ExpectDialog(u"Search for Notes", {{IDC_SEARCH_TEXT, u"mango"}}, IDCANCEL);
    Command(ID_EXTRAS_FIND);
    EXPECT_EQ(u"kiwi", app->m_strLastFind);
    EXPECT_EQ(EditorWindow(), GetFocus());
    Command(ID_EXTRAS_FINDNEXT);
    EXPECT_EQ(u"Beta\r\nkiwi too", EditorText());
}

namespace {

// The headless back end, noting each status text the screen would show and
// whether the wait cursor was up meanwhile.
class StatusRecorder : public ui::HeadlessBackend {
public:
    explicit StatusRecorder(std::vector<std::string>* shown) : m_shown(shown) {}
    void StatusTextChanged() override {
        m_shown->push_back(unicode::ToUtf8(ui::StatusText()) +
                           (ui::WaitCursorDepth() > 0 ? " (busy)" : ""));
    }

private:
    std::vector<std::string>* m_shown;
};

} // namespace

TEST_F(FindTest, TheStatusLineSaysSearchingWhileTheWalkRunsAndIsClearedAfter) {
    for (int i = 0; i < 50; ++i)
        PutNote(u"Note " + unicode::ToUtf16(std::to_string(i)) + u"\r\nplain text");
    Start();
    std::vector<std::string> shown;
    auto previous = ui::SetBackend(std::make_unique<StatusRecorder>(&shown));
    // Found in the loaded note: no walk, nothing said.
    Find(u"plain");
    EXPECT_EQ((std::vector<std::string>{}), shown);
    Find(u"missing", u"Not Found", IDOK);
    EXPECT_EQ((std::vector<std::string>{"Searching... (busy)", " (busy)"}), shown);
    shown.clear();
    Find(u"Note 7");
    EXPECT_EQ((std::vector<std::string>{"Searching... (busy)", " (busy)"}), shown);
    EXPECT_EQ(u"", ui::StatusText());
    ui::SetBackend(std::move(previous));
}
