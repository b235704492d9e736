#include "peers/activesync/progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using jsync::Progress;

namespace {

// What a bar of `total` steps writes, all steps taken.
std::string Drawn(std::size_t total, bool terminal) {
    std::FILE* out = std::tmpfile();
    {
        Progress progress(total, terminal, out);
        for (std::size_t i = 0; i < total; ++i)
            progress.Step();
    }
    std::string text(static_cast<std::size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    text.resize(std::fread(text.data(), 1, text.size(), out));
    std::fclose(out);
    return text;
}

} // namespace

TEST(Progress, OnlyOnATerminalAndOnlyForLongRuns) {
    EXPECT_EQ("", Drawn(Progress::kThreshold, true)) << "200 objects: no bar";
    EXPECT_EQ("", Drawn(5000, false)) << "not a terminal: no bar";
    const std::string bar = Drawn(Progress::kThreshold + 1, true);
    EXPECT_NE(std::string::npos, bar.find("  0% 0/201")) << bar;
    EXPECT_NE(std::string::npos, bar.find("100% 201/201\n")) << bar;
    EXPECT_EQ('\n', bar.back());
}

TEST(Progress, RedrawsOnlyWhenThePercentMoves) {
    const std::string bar = Drawn(10000, true);
    std::size_t draws = 0;
    for (char c : bar)
        draws += c == '\r';
    EXPECT_EQ(101u, draws) << "0% to 100%, once each";
}
