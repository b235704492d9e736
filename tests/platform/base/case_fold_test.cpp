#include "platform/base/case_fold.h"

#include <gtest/gtest.h>

using platform::FoldCase;
using platform::LowerCase;

TEST(LowerCase, MapsEveryScriptTheLocaleMaps) {
    EXPECT_EQ(u"hello wörld", LowerCase(u"HeLLo WÖRLD"));
    // Simple mapping: no final sigma, which depends on the context.
    EXPECT_EQ(u"σασ ωμέγα", LowerCase(u"ΣΑΣ ΩΜΈΓΑ"));
    EXPECT_EQ(u"привет", LowerCase(u"ПРИВЕТ"));
    // Beyond the ranges the names' folding knows: Armenian, Georgian
    // Mtavruli, Latin Extended-B and Additional.
    EXPECT_EQ(u"աբ", LowerCase(u"ԱԲ"));
    EXPECT_EQ(u"ǆ ẁ", LowerCase(u"Ǆ Ẁ"));
    EXPECT_EQ(u"12 €, 漢字", LowerCase(u"12 €, 漢字"));
}

TEST(LowerCase, SurrogatePairsAreMappedWhole) {
    // DESERET CAPITAL LONG I and its small letter, both outside the BMP.
    EXPECT_EQ(u"a\U00010428b", LowerCase(u"A\U00010400B"));
    // A lone surrogate stays as it is and does not swallow its neighbour.
    const std::u16string lone{u'A', char16_t(0xD801), u'B', char16_t(0xDC00)};
    const std::u16string expected{u'a', char16_t(0xD801), u'b', char16_t(0xDC00)};
    EXPECT_EQ(expected, LowerCase(lone));
}

TEST(LowerCase, KeepsEveryOffset) {
    // Whatever maps, the result has as many units as the text, so that a
    // match found in it selects the same characters in the text.
    const std::u16string text = u"İSTANBUL ẞ \U00010400X ΑΣ";
    EXPECT_EQ(text.size(), LowerCase(text).size());
    EXPECT_EQ(u'x', LowerCase(text)[text.find(u'X')]);
}

TEST(FoldCase, StaysTheStoredNamesOwnFolding) {
    // Names already stored compare by this folding: it must not grow with
    // the locale's mapping.
    EXPECT_EQ(u"abc\u00e4", FoldCase(u"ABC\u00c4"));
    EXPECT_EQ(u"\u0531", FoldCase(u"\u0531"));
}
