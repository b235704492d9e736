#include "platform/base/kernel.h"
#include "platform/ui/controls.h"
#include "platform/ui/gdi.h"
#include "ui_test_support.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_notes; // notifications the parent got
COLORREF g_tint = RGB(0xFF, 0xFF, 0x9F);

LRESULT ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        switch (HIWORD(wParam)) {
        case EN_CHANGE:
            g_notes.push_back("change");
            break;
        case EN_MAXTEXT:
            g_notes.push_back("maxtext");
            break;
        }
        return 0;
    case WM_CTLCOLOREDIT:
        SetBkColor(reinterpret_cast<HDC>(wParam), g_tint);
        return 0; // a null brush, as the notes editor answers
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class EditTest : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        WNDCLASSW cls{};
        cls.lpfnWndProc = ParentProc;
        cls.lpszClassName = u"EditParent";
        RegisterClassW(&cls);
        parent = CreateWindowExW(0, u"EditParent", u"parent", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 400,
                                 200, nullptr, nullptr, nullptr, nullptr);
        edit = MakeEdit(0x50200044 | WS_HSCROLL | ES_AUTOHSCROLL); // word wrap off
        g_notes.clear();
    }
    HWND MakeEdit(DWORD style, int width = 80) {
        return CreateWindowExW(0, u"edit", nullptr, style, 0, 0, width, 48, parent,
                               reinterpret_cast<HMENU>(59648), nullptr, nullptr);
    }
    std::u16string Text(HWND h = nullptr) {
        h = h ? h : edit;
        std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(h)) + 1, u'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    std::pair<DWORD, DWORD> Selection(HWND h = nullptr) {
        DWORD start = 99, end = 99;
        SendMessageW(h ? h : edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    void Type(const std::u16string& keys) {
        for (char16_t c : keys)
            SendMessageW(edit, WM_CHAR, c, 0);
    }
    void Replace(const char16_t* text) {
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    }
    // The lines of `h`'s layout, cut out of `text`, the text it shows.
    static std::vector<std::u16string> Pieces(HWND h, const std::u16string& text) {
        std::vector<std::u16string> pieces;
        for (const auto& line : ui::EditLayout(h))
            pieces.push_back(text.substr(line.start, line.length));
        return pieces;
    }
    HWND parent = nullptr;
    HWND edit = nullptr;
};

TEST_F(EditTest, SetTextIsQuietAndClearsModifiedAndUndo) {
    Type(u"x");
    EXPECT_TRUE(SendMessageW(edit, EM_CANUNDO, 0, 0));
    g_notes.clear();
    SetWindowTextW(edit, u"Shopping\r\nMilk");
    EXPECT_EQ(u"Shopping\r\nMilk", Text());
    EXPECT_TRUE(g_notes.empty()); // a multi-line control sends no EN_CHANGE for its text
    EXPECT_FALSE(SendMessageW(edit, EM_GETMODIFY, 0, 0));
    EXPECT_FALSE(SendMessageW(edit, EM_CANUNDO, 0, 0));
    EXPECT_EQ(std::make_pair(DWORD(0), DWORD(0)), Selection());
    EXPECT_EQ(2, SendMessageW(edit, EM_GETLINECOUNT, 0, 0));
}

TEST_F(EditTest, SelectionMessagesFollowThePlatform) {
    SetWindowTextW(edit, u"Hello world");
    struct Case {
        LONG start, end;
        DWORD wantStart, wantEnd;
    };
    const Case cases[] = {
        {0, -1, 0, 11},                 // all
        {6, 11, 6, 11}, {11, 6, 6, 11}, // reversed: reported in order
        {3, 99, 3, 11},                 // clamped to the text
        {4, 4, 4, 4},
    };
    for (const auto& c : cases) {
        SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(c.start), c.end);
        EXPECT_EQ(std::make_pair(c.wantStart, c.wantEnd), Selection()) << c.start << "," << c.end;
    }
    SendMessageW(edit, EM_SETSEL, 2, 5);
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0); // deselect, caret stays
    EXPECT_EQ(std::make_pair(DWORD(5), DWORD(5)), Selection());
    SendMessageW(edit, EM_SETSEL, 0, 5);
    EXPECT_EQ(MAKELRESULT(0, 5), SendMessageW(edit, EM_GETSEL, 0, 0));
}

TEST_F(EditTest, TypingMarksModifiedNotifiesAndUndoesAsOneStep) {
    SetWindowTextW(edit, u"ab");
    SendMessageW(edit, EM_SETSEL, 2, 2);
    Type(u"cd");
    EXPECT_EQ(u"abcd", Text());
    EXPECT_EQ((std::vector<std::string>{"change", "change"}), g_notes);
    EXPECT_TRUE(SendMessageW(edit, EM_GETMODIFY, 0, 0));
    EXPECT_TRUE(SendMessageW(edit, EM_UNDO, 0, 0));
    EXPECT_EQ(u"ab", Text()); // characters typed in a row undo together
    EXPECT_TRUE(SendMessageW(edit, EM_UNDO, 0, 0));
    EXPECT_EQ(u"abcd", Text()); // a second undo redoes
    Type(u"\r");
    EXPECT_EQ(u"abcd\r\n", Text());
    Type(u"\b");
    EXPECT_EQ(u"abcd", Text()); // backspace takes CR LF whole
    SendMessageW(edit, EM_SETMODIFY, FALSE, 0);
    EXPECT_FALSE(SendMessageW(edit, EM_GETMODIFY, 0, 0));
    SendMessageW(edit, EM_EMPTYUNDOBUFFER, 0, 0);
    EXPECT_FALSE(SendMessageW(edit, EM_CANUNDO, 0, 0));
    EXPECT_FALSE(SendMessageW(edit, EM_UNDO, 0, 0));
}

TEST_F(EditTest, ReplaceSelectionAndTheTextLimit) {
    SetWindowTextW(edit, u"Hello world");
    SendMessageW(edit, EM_SETSEL, 6, 11);
    Replace(u"there");
    EXPECT_EQ(u"Hello there", Text());
    EXPECT_EQ(std::make_pair(DWORD(11), DWORD(11)), Selection());
    EXPECT_EQ((std::vector<std::string>{"change"}), g_notes);
    SendMessageW(edit, EM_UNDO, 0, 0);
    EXPECT_EQ(u"Hello world", Text());

    g_notes.clear();
    SendMessageW(edit, EM_LIMITTEXT, 13, 0);
    EXPECT_EQ(13, SendMessageW(edit, EM_GETLIMITTEXT, 0, 0));
    SendMessageW(edit, EM_SETSEL, 11, 11);
    Replace(u"!!!!");
    EXPECT_EQ(u"Hello world!!", Text()); // cut to the limit
    EXPECT_EQ((std::vector<std::string>{"maxtext", "change"}), g_notes);
    g_notes.clear();
    Type(u"x");
    EXPECT_EQ(u"Hello world!!", Text());
    EXPECT_EQ((std::vector<std::string>{"maxtext"}), g_notes);
    SetWindowTextW(edit, u"a text longer than the limit"); // the program's own text is not cut
    EXPECT_EQ(28, GetWindowTextLengthW(edit));
    SendMessageW(edit, EM_LIMITTEXT, 0, 0);
    EXPECT_EQ(static_cast<LRESULT>(ui::kEditMaximumLimit),
              SendMessageW(edit, EM_GETLIMITTEXT, 0, 0));
}

TEST_F(EditTest, ClipboardCommands) {
    SetWindowTextW(edit, u"one two");
    SendMessageW(edit, EM_SETSEL, 0, 4);
    SendMessageW(edit, WM_CUT, 0, 0);
    EXPECT_EQ(u"two", Text());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_EQ((std::vector<std::string>{"change"}), g_notes);
    SendMessageW(edit, EM_SETSEL, 3, 3);
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(u"twoone ", Text());
    SendMessageW(edit, EM_SETSEL, 0, 3);
    SendMessageW(edit, WM_COPY, 0, 0);
    SendMessageW(edit, EM_SETSEL, 7, 7);
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(u"twoone two", Text());
    EXPECT_TRUE(SendMessageW(edit, EM_UNDO, 0, 0)); // paste is undoable
    EXPECT_EQ(u"twoone ", Text());
    // Copy with an empty selection leaves the clipboard alone.
    SendMessageW(edit, EM_SETSEL, 2, 2);
    SendMessageW(edit, WM_COPY, 0, 0);
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(u"twtwooone ", Text());
    // A read-only control copies but does not cut or paste.
    SendMessageW(edit, EM_SETREADONLY, TRUE, 0);
    SendMessageW(edit, EM_SETSEL, 0, 2);
    SendMessageW(edit, WM_CUT, 0, 0);
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(u"twtwooone ", Text());
}

TEST_F(EditTest, WordWrapBreaksAtTheWidthAndScrollingOtherwise) {
    const std::u16string line = u"the quick brown fox jumps over the lazy dog";
    // 80 pixels: ten characters a line.
    HWND wrapping = MakeEdit(0x50200044);
    SetWindowTextW(wrapping, line.c_str());
    SetWindowTextW(edit, line.c_str());
    EXPECT_EQ((std::vector<std::u16string>{u"the quick ", u"brown fox ", u"jumps ", u"over the ",
                                           u"lazy dog"}),
              Pieces(wrapping, line));
    EXPECT_EQ(5, SendMessageW(wrapping, EM_GETLINECOUNT, 0, 0));
    EXPECT_EQ(1u, ui::EditLayout(edit).size());

    // Without wrap, the caret at the end scrolls the line sideways; with wrap it cannot.
    SendMessageW(edit, EM_SETSEL, line.size(), line.size());
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    EXPECT_GT(ui::EditScrollPosition(edit).x, 30);
    SendMessageW(wrapping, EM_SETSEL, line.size(), line.size());
    SendMessageW(wrapping, EM_SCROLLCARET, 0, 0);
    EXPECT_EQ(0, ui::EditScrollPosition(wrapping).x);
    EXPECT_EQ(2, ui::EditScrollPosition(wrapping).y); // three lines fit in 48 pixels
    // A word longer than the line is cut.
    SetWindowTextW(wrapping, u"abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(3u, ui::EditLayout(wrapping).size());
}

// A megabyte on one line without a blank: every line of the layout is cut
// at the width, the pieces follow each other without gap or overlap, and a
// blank or a surrogate pair far back in the text does not move a later cut.
TEST_F(EditTest, WordWrapCutsAMegabyteLineWithoutBlanksAtTheWidth) {
    constexpr std::size_t kLength = 1024 * 1024;
    constexpr std::size_t kWidth = 10; // 80 pixels
    std::u16string line(kLength, u'w');
    line[3] = u' '; // a blank in the first piece only: lines then start at 4 + 10 n
    constexpr std::size_t kPair = kLength / 2 + 5; // a pair across one of those cuts
    static_assert((kPair + 1 - 4) % kWidth == 0);
    line[kPair] = u'\xD83C';
    line[kPair + 1] = u'\xDF75';
    HWND wrapping = MakeEdit(0x50200044);
    SendMessageW(wrapping, EM_LIMITTEXT, kLength, 0);
    SetWindowTextW(wrapping, line.c_str());
    ASSERT_EQ(static_cast<int>(kLength), GetWindowTextLengthW(wrapping));

    const auto lines = ui::EditLayout(wrapping);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(0u, lines.front().start);
    EXPECT_EQ(4u, lines.front().length) << "broken after the blank";
    std::size_t next = 0, shortLines = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(next, lines[i].start) << "line " << i;
        ASSERT_GT(lines[i].length, 0u) << "line " << i;
        ASSERT_LE(lines[i].length, kWidth) << "line " << i;
        if (lines[i].length < kWidth && i + 1 < lines.size())
            ++shortLines;
        next = lines[i].start + lines[i].length;
    }
    EXPECT_EQ(kLength, next);
    // The first line, and the one that ends before the pair instead of inside it.
    EXPECT_EQ(2u, shortLines);
    EXPECT_EQ(static_cast<LRESULT>(lines.size()), SendMessageW(wrapping, EM_GETLINECOUNT, 0, 0));
}

TEST_F(EditTest, ReplacingTheControlKeepsTextSelectionAndModifiedFlag) {
    // The notes editor switches word wrap by replacing its control; what it
    // carries over must survive: the text with unsaved edits and the selection.
    SetWindowTextW(edit, u"first line\r\nsecond line that is long");
    SendMessageW(edit, EM_SETSEL, 12, 18);
    Type(u"2nd");
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::u16string text = Text();
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0));

    HWND wrapped = MakeEdit(0x50200044);
    ASSERT_TRUE(wrapped);
    SetWindowTextW(wrapped, text.c_str());
    SendMessageW(wrapped, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    SendMessageW(wrapped, EM_SETSEL, start, end);
    SetWindowLongW(edit, GWL_ID, 59649);
    DestroyWindow(edit);

    EXPECT_EQ(u"first line\r\n2nd line that is long", Text(wrapped));
    EXPECT_EQ(std::make_pair(DWORD(15), DWORD(15)), Selection(wrapped));
    EXPECT_EQ(wrapped, GetDlgItem(parent, 59648));
    EXPECT_GT(ui::EditLayout(wrapped).size(), 2u);
    EXPECT_FALSE(SendMessageW(wrapped, EM_CANUNDO, 0, 0)); // the old control's undo is gone
}

TEST_F(EditTest, KeyboardMovesTheCaretAndExtendsWithShift) {
    SetWindowTextW(edit, u"ab\r\ncd");
    SendMessageW(edit, EM_SETSEL, 0, 0);
    SendMessageW(edit, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(std::make_pair(DWORD(2), DWORD(2)), Selection());
    SendMessageW(edit, WM_KEYDOWN, VK_RIGHT, 0); // over CR LF in one step
    EXPECT_EQ(std::make_pair(DWORD(4), DWORD(4)), Selection());
    ui::SetKeyDown(VK_SHIFT, true);
    SendMessageW(edit, WM_KEYDOWN, VK_UP, 0);
    ui::SetKeyDown(VK_SHIFT, false);
    EXPECT_EQ(std::make_pair(DWORD(0), DWORD(4)), Selection());
    SendMessageW(edit, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(u"cd", Text());
    EnableWindow(edit, FALSE);
    Type(u"zz"); // a disabled control takes no input
    EXPECT_EQ(u"cd", Text());
}

TEST_F(EditTest, PaintAsksTheParentForColours) {
    SetWindowTextW(edit, u"tinted");
    EXPECT_TRUE(UpdateWindow(parent));
    auto colors = ui::ControlPaintColors(edit);
    EXPECT_TRUE(colors.painted);
    EXPECT_EQ(RGB(0xFF, 0xFF, 0x9F), colors.background);
    EXPECT_EQ(nullptr, colors.brush);
    g_tint = RGB(0x9F, 0x9F, 0xFF);
    InvalidateRect(edit, nullptr, TRUE);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) // paints come from the loop when idle
        DispatchMessageW(&msg);
    EXPECT_EQ(RGB(0x9F, 0x9F, 0xFF), ui::ControlPaintColors(edit).background);
    g_tint = RGB(0xFF, 0xFF, 0x9F);
}

} // namespace

// Characters outside the Basic Multilingual Plane are two UTF-16 units, a
// surrogate pair: typed as two WM_CHARs, pasted, moved over and deleted,
// the pair stays whole.
TEST_F(EditTest, SurrogatePairsStayWhole) {
    const std::u16string tea = u"\U0001F375"; // two units
    ASSERT_EQ(2u, tea.size());
    SetWindowTextW(edit, u"ab");
    SendMessageW(edit, EM_SETSEL, 1, 1);
    Type(tea);
    EXPECT_EQ(u"a" + tea + u"b", Text());
    EXPECT_EQ(std::make_pair(DWORD(3), DWORD(3)), Selection());
    EXPECT_EQ((std::vector<std::string>{"change"}), g_notes) << "one change for the pair";

    SendMessageW(edit, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(std::make_pair(DWORD(1), DWORD(1)), Selection()) << "left steps over the pair";
    SendMessageW(edit, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(std::make_pair(DWORD(3), DWORD(3)), Selection()) << "right steps over the pair";
    Type(u"\b");
    EXPECT_EQ(u"ab", Text()) << "backspace removes the whole pair";
    SetWindowTextW(edit, (u"a" + tea + u"b").c_str());
    SendMessageW(edit, EM_SETSEL, 1, 1);
    SendMessageW(edit, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(u"ab", Text()) << "delete removes the whole pair";

    // A half that arrives alone is no character and is not inserted.
    SetWindowTextW(edit, u"");
    Type(std::u16string(1, tea[1]));
    Type(std::u16string(1, tea[0]) + u"x");
    EXPECT_EQ(u"x", Text());

    // Pasted, and cut at the limit only between characters.
    SetWindowTextW(edit, u"");
    OpenClipboard(edit);
    EmptyClipboard();
    const std::u16string two = tea + tea;
    HLOCAL block = LocalAlloc(LMEM_FIXED, (two.size() + 1) * sizeof(WCHAR));
    std::memcpy(block, two.c_str(), (two.size() + 1) * sizeof(WCHAR));
    SetClipboardData(CF_UNICODETEXT, static_cast<HANDLE>(block));
    CloseClipboard();
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(two, Text());
    SendMessageW(edit, EM_LIMITTEXT, 7, 0);
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(two + tea, Text()) << "room for three units takes one pair, not a half";
    Type(tea);
    EXPECT_EQ(two + tea, Text()) << "no room for the typed pair";
}

TEST_F(EditTest, TheCueIsKeptApartFromTheText) {
    WCHAR cue[16] = {};
    EXPECT_TRUE(SendMessageW(edit, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(cue), 16));
    EXPECT_EQ(u"", std::u16string(cue));
    EXPECT_TRUE(SendMessageW(edit, EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(u"Type here")));
    EXPECT_TRUE(SendMessageW(edit, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(cue), 16));
    EXPECT_EQ(u"Type here", std::u16string(cue));
    EXPECT_EQ(0, GetWindowTextLengthW(edit)) << "the cue is no text";
    // A buffer without room for the cue and its terminator is left alone.
    WCHAR small[9] = {u'x'};
    EXPECT_FALSE(SendMessageW(edit, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(small), 9));
    EXPECT_EQ(u'x', small[0]);
    EXPECT_TRUE(SendMessageW(edit, EM_SETCUEBANNER, 0, 0));
    EXPECT_TRUE(SendMessageW(edit, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(cue), 16));
    EXPECT_EQ(u"", std::u16string(cue));
}

// Wide characters take two columns of the control and combining marks none,
// in its layout, its caret, its scrolling and where a tap puts the caret.
TEST_F(EditTest, WideCharactersTakeTwoColumns) {
    // Ten columns: five ideographs a line.
    HWND wrapping = MakeEdit(0x50200044);
    const std::u16string cjk = u"一二三四五六七八";
    SetWindowTextW(wrapping, cjk.c_str());
    EXPECT_EQ((std::vector<std::u16string>{u"一二三四五", u"六七八"}), Pieces(wrapping, cjk));
    // Nine columns: the ideograph that would cross the edge starts the next line.
    HWND narrow = MakeEdit(0x50200044, 72);
    const std::u16string mixed = u"abcdefgh漢字";
    SetWindowTextW(narrow, mixed.c_str());
    EXPECT_EQ((std::vector<std::u16string>{u"abcdefgh", u"漢字"}), Pieces(narrow, mixed));

    // Up and down keep the column on the screen, not the count of characters.
    SetWindowTextW(edit, u"漢字ab\r\nabcdef");
    SendMessageW(edit, EM_SETSEL, 2, 2); // after 漢字: column 4
    SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(std::make_pair(DWORD(10), DWORD(10)), Selection());
    SendMessageW(edit, EM_SETSEL, 9, 9); // column 3, under the second half of 字
    SendMessageW(edit, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(std::make_pair(DWORD(1), DWORD(1)), Selection()) << "before the character";
    // A tap on either column of 漢 puts the caret before it, on 字's first after it.
    SendMessageW(edit, WM_LBUTTONDOWN, 0, MAKELPARAM(1 * ui::kCharWidth + 2, 2));
    EXPECT_EQ(std::make_pair(DWORD(0), DWORD(0)), Selection());
    SendMessageW(edit, WM_LBUTTONDOWN, 0, MAKELPARAM(2 * ui::kCharWidth + 2, 2));
    EXPECT_EQ(std::make_pair(DWORD(1), DWORD(1)), Selection());

    // The caret after sixteen columns of text scrolls a ten-column line sideways.
    SetWindowTextW(edit, cjk.c_str());
    SendMessageW(edit, EM_SETSEL, cjk.size(), cjk.size());
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    EXPECT_EQ(16 - 10 + 1 + 10 / 4, ui::EditScrollPosition(edit).x);

    // An accent is part of the letter before it: one step passes both.
    SetWindowTextW(edit, u"e\u0301x");
    SendMessageW(edit, EM_SETSEL, 0, 0);
    SendMessageW(edit, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(std::make_pair(DWORD(2), DWORD(2)), Selection());
    SendMessageW(edit, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(std::make_pair(DWORD(0), DWORD(0)), Selection());
}
