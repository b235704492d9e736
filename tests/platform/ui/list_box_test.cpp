#include "platform/ui/controls.h"
#include "ui_test_support.h"

#include <climits>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_notes;

LRESULT ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE)
        g_notes.push_back("selchange " + std::to_string(LOWORD(wParam)));
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class ListBoxTest : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        WNDCLASSW cls{};
        cls.lpfnWndProc = ParentProc;
        cls.lpszClassName = u"ListParent";
        RegisterClassW(&cls);
        parent = CreateWindowExW(0, u"ListParent", u"", WS_OVERLAPPED, 0, 0, 200, 200, nullptr,
                                 nullptr, nullptr, nullptr);
        g_notes.clear();
    }
    HWND Make(DWORD style) {
        // 64 pixels: four lines show.
        return CreateWindowExW(0, u"listbox", nullptr, WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 64,
                               parent, reinterpret_cast<HMENU>(51), nullptr, nullptr);
    }
    static LRESULT Add(HWND list, const char16_t* text) {
        return SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    static std::string Dump(HWND list) {
        std::string out;
        const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            WCHAR text[64];
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            for (const WCHAR* p = text; *p; ++p)
                out += static_cast<char>(*p);
            out += SendMessageW(list, LB_GETSEL, i, 0) > 0 ? "*" : "";
            out += " ";
        }
        return out;
    }
    HWND parent = nullptr;
};

TEST_F(ListBoxTest, UnsortedKeepsOrderSortedIgnoresCase) {
    HWND plain = Make(WS_VSCROLL | LBS_NOTIFY);
    HWND sorted = Make(LBS_SORT | LBS_MULTIPLESEL);
    for (const char16_t* t : {u"work", u"Home", u"apple", u"Banana", u"home"}) {
        Add(plain, t);
        Add(sorted, t);
    }
    EXPECT_EQ("work Home apple Banana home ", Dump(plain));
    EXPECT_EQ("apple Banana Home home work ", Dump(sorted));
    EXPECT_EQ(2, Add(sorted, u"BANANA")); // its index: after the equal one
    EXPECT_EQ(1, SendMessageW(sorted, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(u"banana")));
}

TEST_F(ListBoxTest, SingleSelectionItemDataAndDeletion) {
    HWND list = Make(LBS_NOTIFY);
    for (const char16_t* t : {u"a", u"b", u"c", u"d", u"e", u"f"})
        Add(list, t);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(LB_OKAY, SendMessageW(list, LB_SETITEMDATA, i, 1000 + i));
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_SETITEMDATA, 6, 1));
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_GETCURSEL, 0, 0));
    EXPECT_EQ(4, SendMessageW(list, LB_SETCURSEL, 4, 0));
    EXPECT_EQ(4, SendMessageW(list, LB_GETCURSEL, 0, 0));
    EXPECT_EQ(1, SendMessageW(list, LB_GETTOPINDEX, 0, 0)); // scrolled so the line shows
    EXPECT_EQ(1004, SendMessageW(list, LB_GETITEMDATA, 4, 0));
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_SETCURSEL, 9, 0));
    EXPECT_EQ(4, SendMessageW(list, LB_GETCURSEL, 0, 0)); // a bad index changes nothing
    EXPECT_TRUE(g_notes.empty());                         // programs' selections are not announced
    EXPECT_EQ(5, SendMessageW(list, LB_DELETESTRING, 1, 0));
    EXPECT_EQ(3, SendMessageW(list, LB_GETCURSEL, 0, 0)); // follows its item
    EXPECT_EQ(1004, SendMessageW(list, LB_GETITEMDATA, 3, 0));
    SendMessageW(list, LB_DELETESTRING, 3, 0);
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_GETCURSEL, 0, 0));
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0));
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_SETSEL, TRUE, 0)); // only for multiple selection
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(0, SendMessageW(list, LB_GETCOUNT, 0, 0));
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_GETITEMDATA, 0, 0));
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_GETTEXTLEN, 0, 0));
}

TEST_F(ListBoxTest, UserSelectionNotifiesTheParent) {
    HWND list = Make(LBS_NOTIFY);
    for (const char16_t* t : {u"alpha", u"beta", u"gamma"})
        Add(list, t);
    SendMessageW(list, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 20)); // second line
    EXPECT_EQ(1, SendMessageW(list, LB_GETCURSEL, 0, 0));
    SendMessageW(list, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 20)); // the same line: no change
    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(list, WM_CHAR, 'a', 0); // typing selects by first letter
    EXPECT_EQ(0, SendMessageW(list, LB_GETCURSEL, 0, 0));
    EXPECT_EQ((std::vector<std::string>{"selchange 51", "selchange 51", "selchange 51"}), g_notes);
    HWND quiet = Make(0); // without LBS_NOTIFY
    Add(quiet, u"x");
    g_notes.clear();
    SendMessageW(quiet, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 2));
    EXPECT_EQ(0, SendMessageW(quiet, LB_GETCURSEL, 0, 0));
    EXPECT_TRUE(g_notes.empty());
}

TEST_F(ListBoxTest, MultipleSelection) {
    HWND list = Make(LBS_SORT | LBS_MULTIPLESEL | LBS_NOTIFY);
    for (const char16_t* t : {u"Work", u"Home", u"Travel"})
        Add(list, t);
    EXPECT_EQ(0, SendMessageW(list, LB_SETSEL, TRUE, 2));
    EXPECT_EQ("Home Travel Work* ", Dump(list));
    SendMessageW(list, LB_SETSEL, TRUE, static_cast<LPARAM>(-1));
    EXPECT_EQ(3, SendMessageW(list, LB_GETSELCOUNT, 0, 0));
    SendMessageW(list, LB_SETSEL, FALSE, 1);
    INT items[4] = {};
    EXPECT_EQ(2, SendMessageW(list, LB_GETSELITEMS, 4, reinterpret_cast<LPARAM>(items)));
    EXPECT_EQ(0, items[0]);
    EXPECT_EQ(2, items[1]);
    SendMessageW(list, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 2)); // a tap toggles
    EXPECT_EQ("Home Travel Work* ", Dump(list));
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_SETCURSEL, 0, 0));
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_GETSEL, 5, 0));
    EXPECT_EQ((std::vector<std::string>{"selchange 51"}), g_notes);
}

TEST_F(ListBoxTest, SpaceTogglesTheFocusedLineFromTheFirstOn) {
    HWND list = Make(LBS_SORT | LBS_MULTIPLESEL);
    for (const char16_t* t : {u"Work", u"Home"})
        Add(list, t);
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0); // no line moved to yet: the first
    EXPECT_EQ("Home* Work ", Dump(list));
    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ("Home* Work* ", Dump(list));
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ("Home* Work ", Dump(list));
    EXPECT_EQ(1, SendMessageW(list, LB_GETCARETINDEX, 0, 0));
}

TEST_F(ListBoxTest, PrefixAndExactSearchWrapRound) {
    HWND list = Make(0);
    for (const char16_t* t : {u"Work", u"home", u"Homework", u"Hobby"})
        Add(list, t);
    struct Case {
        UINT message;
        int start;
        const char16_t* text;
        LRESULT expected;
    };
    const Case cases[] = {
        {LB_FINDSTRING, -1, u"HOM", 1},
        {LB_FINDSTRING, 1, u"hom", 2}, // starts after `start`
        {LB_FINDSTRING, 2, u"hom", 1}, // and wraps round
        {LB_FINDSTRING, -1, u"", 0},   // everything begins with nothing
        {LB_FINDSTRING, -1, u"x", LB_ERR},
        {LB_FINDSTRINGEXACT, -1, u"HOMEWORK", 2},
        {LB_FINDSTRINGEXACT, -1, u"Hom", LB_ERR},
        {LB_FINDSTRINGEXACT, 3, u"work", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, SendMessageW(list, c.message, static_cast<WPARAM>(c.start),
                                           reinterpret_cast<LPARAM>(c.text)))
            << (c.message == LB_FINDSTRING ? "prefix " : "exact ") << c.start;
    EXPECT_EQ(3, SendMessageW(list, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(u"hob")));
    EXPECT_EQ(3, SendMessageW(list, LB_GETCURSEL, 0, 0));
    WCHAR text[16];
    EXPECT_EQ(5, SendMessageW(list, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(text)));
    EXPECT_EQ(std::u16string(u"Hobby"), text);
    EXPECT_EQ(2, SendMessageW(list, LB_INSERTSTRING, 2, reinterpret_cast<LPARAM>(u"inserted")));
    EXPECT_EQ(LB_ERR, SendMessageW(list, LB_INSERTSTRING, 9, reinterpret_cast<LPARAM>(u"beyond")));
    EXPECT_EQ(4, SendMessageW(list, LB_GETCURSEL, 0, 0));
}

TEST_F(ListBoxTest, CaseIgnoredBeyondAsciiInOrderAndSearch) {
    HWND sorted = Make(LBS_SORT);
    for (const char16_t* t :
         {u"\u00e9t\u00e9", u"Zebra", u"\u00c9T\u00c9", u"\u0394elta", u"Ab", u"a"})
        Add(sorted, t);
    // Folded: a, ab, zebra, \u00e9t\u00e9 (twice, in the order added), \u03b4elta.
    EXPECT_EQ(0, SendMessageW(sorted, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(u"A")));
    EXPECT_EQ(1, SendMessageW(sorted, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(u"aB")));
    EXPECT_EQ(3, SendMessageW(sorted, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(u"\u00c9t\u00e9")));
    EXPECT_EQ(4, SendMessageW(sorted, LB_FINDSTRING, 3, reinterpret_cast<LPARAM>(u"\u00c9")));
    EXPECT_EQ(5, SendMessageW(sorted, LB_FINDSTRING, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(u"\u03b4E")));
    WCHAR text[16];
    SendMessageW(sorted, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::u16string(u"\u00e9t\u00e9"), text); // each text kept as added
    SendMessageW(sorted, LB_GETTEXT, 4, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::u16string(u"\u00c9T\u00c9"), text);
    EXPECT_EQ(LB_ERR, SendMessageW(sorted, LB_FINDSTRING, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(u"abc"))); // longer than "ab"
}

TEST_F(ListBoxTest, InitStorageMakesRoomAndChangesNothingElse) {
    HWND list = Make(LBS_NOTIFY);
    EXPECT_GE(SendMessageW(list, LB_INITSTORAGE, 100, 100 * 16), 100);
    EXPECT_EQ(0, SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (const char16_t* t : {u"c", u"a", u"b"})
        Add(list, t);
    SendMessageW(list, LB_SETITEMDATA, 1, 7);
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    // Room for the items held and the ones announced.
    EXPECT_GE(SendMessageW(list, LB_INITSTORAGE, 200, 0), 203);
    EXPECT_GE(SendMessageW(list, LB_INITSTORAGE, 0, 0), 3);
    // A list box counts its items in ints: more is refused, and nothing changes.
    EXPECT_EQ(LB_ERRSPACE, SendMessageW(list, LB_INITSTORAGE, INT_MAX - 2, 0));
    EXPECT_EQ(LB_ERRSPACE, SendMessageW(list, LB_INITSTORAGE, static_cast<WPARAM>(-1), 0));
    EXPECT_EQ("c a b* ", Dump(list));
    EXPECT_EQ(7, SendMessageW(list, LB_GETITEMDATA, 1, 0));
    EXPECT_EQ(2, SendMessageW(list, LB_GETCURSEL, 0, 0));
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(3 + i, Add(list, u"more"));
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    EXPECT_GE(SendMessageW(list, LB_INITSTORAGE, 5, 0), 5);
    EXPECT_EQ(0, SendMessageW(list, LB_GETCOUNT, 0, 0));
}

// The messages a list box and a combo box's list share, under their names.
struct ListMessages {
    const char* name;
    const char16_t* cls;
    DWORD style;
    UINT add, insert, remove, reset, getText, getTextLen, count, findExact;
    LRESULT errSpace;
};
const ListMessages kLists[] = {
    {"list box", u"listbox", LBS_NOTIFY, LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING,
     LB_RESETCONTENT, LB_GETTEXT, LB_GETTEXTLEN, LB_GETCOUNT, LB_FINDSTRINGEXACT, LB_ERRSPACE},
    {"combo box", u"combobox", CBS_DROPDOWNLIST, CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING,
     CB_RESETCONTENT, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_GETCOUNT, CB_FINDSTRINGEXACT, CB_ERRSPACE},
};

std::u16string ItemText(HWND list, const ListMessages& m, int i) {
    const LRESULT n = SendMessageW(list, m.getTextLen, static_cast<WPARAM>(i), 0);
    if (n < 0)
        return u"(none)";
    // One unit more than the length, and one beyond that which must stay as it was.
    std::u16string text(static_cast<std::size_t>(n) + 2, u'#');
    const LRESULT copied = SendMessageW(list, m.getText, static_cast<WPARAM>(i),
                                        reinterpret_cast<LPARAM>(text.data()));
    EXPECT_EQ(n, copied);
    EXPECT_EQ(u'\0', text[static_cast<std::size_t>(n)]);
    EXPECT_EQ(u'#', text[static_cast<std::size_t>(n) + 1]);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

TEST_F(ListBoxTest, TextsSurviveManyInsertsAndDeletesEmptyAndLongOnesToo) {
    const std::u16string longText(100000, u'L');
    const std::u16string texts[] = {u"", u"x", longText, u"note", u"", u"\u00e9t\u00e9"};
    for (const ListMessages& m : kLists) {
        HWND list = CreateWindowExW(0, m.cls, nullptr, WS_CHILD | WS_VISIBLE | m.style, 0, 0, 100,
                                    64, parent, nullptr, nullptr, nullptr);
        std::vector<std::u16string> expected;
        for (int step = 0; step < 600; ++step) {
            const int count = static_cast<int>(expected.size());
            // The list grows, then shrinks: deleted texts pile up in its store.
            const bool remove = step < 400 ? step % 4 == 3 : step % 4 != 0;
            if (remove && count > 0) {
                const int at = (step * 5) % count;
                ASSERT_EQ(count - 1, SendMessageW(list, m.remove, static_cast<WPARAM>(at), 0));
                expected.erase(expected.begin() + at);
                continue;
            }
            const std::u16string& text = texts[static_cast<std::size_t>(step) % std::size(texts)];
            const auto lParam = reinterpret_cast<LPARAM>(text.c_str());
            if (step % 2 == 0) {
                ASSERT_EQ(count, SendMessageW(list, m.add, 0, lParam));
                expected.push_back(text);
            } else {
                const int at = (step * 3) % (count + 1);
                ASSERT_EQ(at, SendMessageW(list, m.insert, static_cast<WPARAM>(at), lParam));
                expected.insert(expected.begin() + at, text);
            }
        }
        ASSERT_EQ(static_cast<LRESULT>(expected.size()), SendMessageW(list, m.count, 0, 0));
        for (int i = 0; i < static_cast<int>(expected.size()); ++i)
            ASSERT_EQ(expected[static_cast<std::size_t>(i)], ItemText(list, m, i))
                << "item " << i << " of the " << m.name;
        const LRESULT found = SendMessageW(list, m.findExact, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(longText.c_str()));
        ASSERT_GE(found, 0);
        EXPECT_EQ(longText, ItemText(list, m, static_cast<int>(found)));
        SendMessageW(list, m.reset, 0, 0);
        EXPECT_EQ(0, SendMessageW(list, m.count, 0, 0));
        EXPECT_EQ(0, SendMessageW(list, m.add, 0, reinterpret_cast<LPARAM>(u"again")));
        EXPECT_EQ(u"again", ItemText(list, m, 0));
    }
}

TEST_F(ListBoxTest, TextRoomBeyondWhatTheListHoldsIsRefusedChangingNothing) {
    HWND list = Make(LBS_NOTIFY);
    for (const char16_t* t : {u"c", u"", u"b"})
        Add(list, t);
    SendMessageW(list, LB_SETITEMDATA, 2, 5);
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    // The bytes of the texts to come, beyond the units a list box can hold
    // (and, taken as unsigned, a negative count).
    for (const LPARAM bytes : {static_cast<LPARAM>(0x200000000LL), static_cast<LPARAM>(-1)})
        EXPECT_EQ(LB_ERRSPACE, SendMessageW(list, LB_INITSTORAGE, 1, bytes)) << bytes;
    EXPECT_EQ("c * b ", Dump(list)); // the selected line is the empty one
    EXPECT_EQ(5, SendMessageW(list, LB_GETITEMDATA, 2, 0));
    EXPECT_EQ(1, SendMessageW(list, LB_GETCURSEL, 0, 0));
    EXPECT_GE(SendMessageW(list, LB_INITSTORAGE, 2, 2 * 100), 5);
    EXPECT_EQ(3, Add(list, u"d"));
}

} // namespace
