#include "platform/base/kernel.h"
#include "platform/ui/clipboard_file.h"
#include "platform/ui/winuser.h"
#include "ui_test_support.h"

#include <sys/wait.h>

#include <cstring>
#include <fstream>

namespace {

class ClipboardTest : public uitest::UiTest {
protected:
    static bool Put(UINT format, const std::u16string& text) {
        if (!OpenClipboard(nullptr))
            return false;
        const std::size_t bytes = (text.size() + 1) * sizeof(WCHAR);
        HLOCAL block = LocalAlloc(LMEM_FIXED, bytes);
        std::memcpy(block, text.c_str(), bytes);
        const bool done = EmptyClipboard() && SetClipboardData(format, static_cast<HANDLE>(block));
        CloseClipboard();
        return done;
    }
    static std::u16string Get(UINT format) {
        if (!OpenClipboard(nullptr))
            return u"(not open)";
        HANDLE data = GetClipboardData(format);
        std::u16string text =
            data ? static_cast<const WCHAR*>(static_cast<void*>(data)) : u"(none)";
        CloseClipboard();
        return text;
    }
};

TEST_F(ClipboardTest, RoundTripAndOpenRules) {
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_TRUE(Put(CF_UNICODETEXT, u"Milk\r\nBread"));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT)); // no conversion between the two
    EXPECT_EQ(u"Milk\r\nBread", Get(CF_UNICODETEXT));
    EXPECT_EQ(u"(none)", Get(CF_TEXT));
    EXPECT_EQ(1, CountClipboardFormats());

    SetLastError(0);
    EXPECT_EQ(nullptr, GetClipboardData(CF_UNICODETEXT)); // not open
    EXPECT_EQ(ERROR_CLIPBOARD_NOT_OPEN, GetLastError());
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(OpenClipboard(nullptr)); // one opener at a time
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard());
}

TEST_F(ClipboardTest, SharedWithAnotherProcessOfTheHandheld) {
    const pid_t child = fork();
    if (child == 0) {
        // The child holds the clipboard open for a moment, then writes it.
        const bool ok = OpenClipboard(nullptr);
        usleep(200 * 1000);
        CloseClipboard();
        _exit(ok && Put(CF_UNICODETEXT, u"from the child") ? 0 : 1);
    }
    usleep(50 * 1000);
    EXPECT_FALSE(OpenClipboard(nullptr)); // the child has it
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_EQ(u"from the child", Get(CF_UNICODETEXT));
}

TEST_F(ClipboardTest, DamagedFileReadsAsEmpty) {
    ASSERT_TRUE(Put(CF_UNICODETEXT, u"x"));
    std::ofstream(dir / "run" / "clipboard", std::ios::binary | std::ios::trunc) << "JWCB\x05";
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_EQ(u"(none)", Get(CF_UNICODETEXT));
    EXPECT_TRUE(Put(CF_UNICODETEXT, u"fresh")); // and a new copy replaces it
    EXPECT_EQ(u"fresh", Get(CF_UNICODETEXT));
}

TEST(ClipboardFile, ParserChecksEveryBound) {
    const ui::detail::ClipboardContents contents = {{CF_UNICODETEXT, {'a', 0, 0, 0}},
                                                    {CF_TEXT, {}}};
    const std::string good = ui::detail::FormatClipboard(contents);
    ASSERT_TRUE(ui::detail::ParseClipboard(good));
    EXPECT_EQ(contents, *ui::detail::ParseClipboard(good));
    EXPECT_TRUE(ui::detail::ParseClipboard("")->empty());
    // Every truncation and any trailing byte is refused.
    for (std::size_t n = 1; n < good.size(); ++n)
        EXPECT_FALSE(ui::detail::ParseClipboard(good.substr(0, n))) << n;
    EXPECT_FALSE(ui::detail::ParseClipboard(good + "x"));
    std::string huge = good;
    huge[12] = '\xFF'; // first entry's size far beyond the file
    huge[13] = '\xFF';
    huge[14] = '\xFF';
    huge[15] = '\xFF';
    EXPECT_FALSE(ui::detail::ParseClipboard(huge));
    EXPECT_FALSE(ui::detail::ParseClipboard("XXXX" + good.substr(4)));
}

} // namespace
