// A progress bar on the terminal for long runs: drawn on standard error when
// it is a terminal and the run moves more than 200 objects; silent otherwise.
#pragma once

#include <cstddef>
#include <cstdio>

namespace jsync {

class Progress {
public:
    static constexpr std::size_t kThreshold = 200;

    // `total` objects to go; `terminal` when the bar may be drawn.
    Progress(std::size_t total, bool terminal, std::FILE* out = stderr);
    ~Progress();
    void Step();
    bool shown() const { return m_shown; }

private:
    void Draw();

    std::size_t m_total;
    std::size_t m_done = 0;
    std::size_t m_lastPercent = 101;
    bool m_shown;
    std::FILE* m_out;
};

// True when standard error is a terminal.
bool StandardErrorIsTerminal();

} // namespace jsync
