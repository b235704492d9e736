#include "platform/ui/message_box.h"

#include "platform/ui/headless/scripted_user.h"

#include <gtest/gtest.h>

namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        user().Finish();
        user().SetProblemHandler([this](const std::string& p) { problems += p + "\n"; });
    }
    void TearDown() override {
        user().Finish();
        user().SetProblemHandler(nullptr);
    }
    static ui::ScriptedUser& user() { return ui::ScriptedUser::Instance(); }
    std::string problems;
};

TEST_F(MessageBoxTest, ButtonSetsAndDefaults) {
    struct Case {
        UINT type;
        std::vector<int> buttons;
        int defaultButton;
    };
    const Case cases[] = {
        {MB_OK, {IDOK}, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE},
        {MB_YESNOCANCEL | MB_ICONEXCLAMATION, {IDYES, IDNO, IDCANCEL}, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, {IDYES, IDNO}, IDNO},
        {MB_YESNO | MB_DEFBUTTON4, {IDYES, IDNO}, IDYES},
        {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, IDRETRY},
        {0x7, {}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.buttons, ui::MessageBoxButtons(c.type)) << "type " << c.type;
        EXPECT_EQ(c.defaultButton, ui::DefaultMessageBoxButton(c.type)) << "type " << c.type;
    }
}

TEST_F(MessageBoxTest, ExpectedBoxIsAnsweredAndLogged) {
    user().ExpectMessageBox(u"Quillmarks", u"Save changes?", IDNO);
    EXPECT_EQ(IDNO, MessageBoxW(nullptr, u"Save changes?", u"Quillmarks",
                                MB_YESNOCANCEL | MB_ICONEXCLAMATION));
    EXPECT_TRUE(user().AssertDone());
    EXPECT_EQ("", problems);
    ASSERT_FALSE(user().Shown().empty());
    EXPECT_EQ("box\tQuillmarks\tSave changes?\tNo", user().Shown().back());
}

TEST_F(MessageBoxTest, UnexpectedBoxIsReportedWithItsTextAndCancelled) {
    EXPECT_EQ(IDCANCEL, MessageBoxW(nullptr, u"Sure?", u"Title", MB_YESNOCANCEL));
    EXPECT_NE(std::string::npos, problems.find("unexpected box 'Title': 'Sure?'")) << problems;
    EXPECT_EQ("!box\tTitle\tSure?\tCancel", user().Shown().back());
    EXPECT_FALSE(user().AssertDone());
}

TEST_F(MessageBoxTest, UnexpectedBoxWithoutCancelTakesTheDefaultButton) {
    EXPECT_EQ(IDNO, MessageBoxW(nullptr, u"Delete?", u"T", MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"Done", u"T", MB_OK));
    EXPECT_FALSE(user().AssertDone());
}

TEST_F(MessageBoxTest, MismatchedTextIsUnexpectedAndKeepsTheExpectation) {
    user().ExpectMessageBox(u"Quillmarks", u"Save changes?", IDYES);
    EXPECT_EQ(IDCANCEL, MessageBoxW(nullptr, u"Not Found", u"Quillmarks", MB_OKCANCEL));
    EXPECT_NE(std::string::npos, problems.find("expected box 'Quillmarks': 'Save changes?'"))
        << problems;
    EXPECT_EQ(1u, user().Pending());
    EXPECT_EQ(IDYES, MessageBoxW(nullptr, u"Save changes?", u"Quillmarks", MB_YESNO));
    EXPECT_FALSE(user().AssertDone()); // the stray box stays a failure
}

TEST_F(MessageBoxTest, AnswerTheBoxDoesNotOfferIsAProblem) {
    user().ExpectMessageBox(u"T", u"Sure to delete?", IDCANCEL);
    EXPECT_EQ(IDYES, MessageBoxW(nullptr, u"Sure to delete?", u"T", MB_YESNO));
    EXPECT_NE(std::string::npos, problems.find("a button it does not have")) << problems;
}

TEST_F(MessageBoxTest, NeverShownExpectationFailsAssertDone) {
    user().ExpectMessageBox(u"T", u"Never asked", IDOK);
    EXPECT_FALSE(user().AssertDone());
    EXPECT_NE(std::string::npos, problems.find("expected but never shown: box 'T': 'Never asked'"))
        << problems;
    EXPECT_EQ(0u, user().Pending());
}

TEST_F(MessageBoxTest, NullCaptionIsErrorAndBadTypeFails) {
    user().ExpectMessageBox(u"Error", u"x", IDOK);
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"x", nullptr, MB_OK));
    SetLastError(0);
    EXPECT_EQ(0, MessageBoxW(nullptr, u"x", u"T", 0x0F));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_TRUE(user().AssertDone());
}

} // namespace
