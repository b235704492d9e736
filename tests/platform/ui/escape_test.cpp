#include "platform/ui/escape.h"

#include <gtest/gtest.h>

namespace {

TEST(Escape, FieldEscapesRoundTrip) {
    const std::u16string texts[] = {u"a\tb\r\nc\\d", u"", u"caf\u00e9\u00b4 \U0001F600"};
    for (const auto& text : texts)
        EXPECT_EQ(text, ui::UnescapeField(ui::EscapeField(text)));
    EXPECT_EQ("a\\tb\\r\\nc\\\\d", ui::EscapeField(u"a\tb\r\nc\\d"));
    EXPECT_EQ(u"trailing\\", ui::UnescapeField("trailing\\"));
    EXPECT_EQ(u"q", ui::UnescapeField("\\q"));
}

} // namespace
