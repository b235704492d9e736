#include "peers/activesync/progress.h"

#include <string>
#include <unistd.h>

namespace jsync {

Progress::Progress(std::size_t total, bool terminal, std::FILE* out)
    : m_total(total), m_shown(terminal && total > kThreshold), m_out(out) {
    if (m_shown)
        Draw();
}

Progress::~Progress() {
    if (m_shown) {
        std::fputc('\n', m_out);
        std::fflush(m_out);
    }
}

void Progress::Step() {
    if (m_done < m_total)
        ++m_done;
    if (m_shown)
        Draw();
}

void Progress::Draw() {
    constexpr std::size_t kWidth = 40;
    const std::size_t percent = m_total ? m_done * 100 / m_total : 100;
    // Redrawn only when the figure moves: a terminal is slow next to a note.
    if (percent == m_lastPercent && m_done != m_total)
        return;
    m_lastPercent = percent;
    const std::size_t filled = percent * kWidth / 100;
    const std::string bar = std::string(filled, '#') + std::string(kWidth - filled, '.');
    std::fprintf(m_out, "\r[%s] %3zu%% %zu/%zu", bar.c_str(), percent, m_done, m_total);
    std::fflush(m_out);
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

} // namespace jsync
