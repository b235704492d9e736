#include "terminal_session.h"

#include "support/machine.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace terminaltest {

std::optional<std::string> Shell(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string out;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    return pclose(pipe) == 0 ? std::optional(out) : std::nullopt;
}

std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool TmuxInstalled() {
    return Shell("command -v tmux").has_value();
}

TmuxSession::TmuxSession(const std::string& name, const std::string& command) {
    // A server of our own, so the user's tmux sessions are never touched.
    static int sessions = 0;
    m_tmux = "tmux -L jotterwick-terminal-test-" + std::to_string(getpid()) + "-" +
             std::to_string(++sessions);
    const std::string inner = command + "; echo \"" + name + " ended $?\"; sleep 60";
    m_started = Shell(m_tmux + " new-session -d -s main -x 100 -y 30 " + Quoted(inner)).has_value();
}

TmuxSession::~TmuxSession() {
    if (m_started)
        Shell(m_tmux + " kill-server");
}

std::string TmuxSession::Screen() const {
    return Shell(m_tmux + " capture-pane -p -t main").value_or("");
}

std::string TmuxSession::Line(int row) const {
    std::istringstream in(Screen());
    std::string line;
    for (int i = 0; i <= row && std::getline(in, line); ++i) {
    }
    return line;
}

std::string TmuxSession::Underlined(int row) const {
    // The line with its attributes as escape sequences (SGR: ESC [ params m).
    std::istringstream in(Shell(m_tmux + " capture-pane -e -p -t main").value_or(""));
    std::string line;
    for (int i = 0; i <= row && std::getline(in, line); ++i) {
    }
    std::string underlined;
    bool on = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\x1b') {
            if (on)
                underlined += line[i];
            continue;
        }
        const std::size_t end = line.find_first_of("ABCDEFGHJKSTfmhlr", i + 2);
        if (end == std::string::npos)
            break;
        if (line[end] == 'm') {
            std::istringstream params(line.substr(i + 2, end - i - 2));
            std::string param;
            if (end == i + 2)
                on = false; // ESC [ m resets
            while (std::getline(params, param, ';')) {
                const int code = param.empty() ? 0 : std::atoi(param.c_str());
                if (code == 38 || code == 48) {
                    // A colour: 5;N or 2;R;G;B follow.
                    std::string kind;
                    std::getline(params, kind, ';');
                    for (int skip = kind == "2" ? 3 : 1; skip > 0; --skip)
                        std::getline(params, param, ';');
                    continue;
                }
                if (code == 0 || code == 24)
                    on = false;
                else if (code == 4)
                    on = true;
            }
        }
        i = end;
    }
    return underlined;
}

bool TmuxSession::WaitForScreen(const std::string& text) const {
    return testsupport::WaitFor([&] { return Screen().find(text) != std::string::npos; });
}

bool TmuxSession::WaitForNoScreen(const std::string& text) const {
    return testsupport::WaitFor([&] { return Screen().find(text) == std::string::npos; });
}

bool TmuxSession::Keys(const std::string& keys) const {
    const bool sent = Shell(m_tmux + " send-keys -t main " + keys).has_value();
    usleep(300 * 1000);
    return sent;
}

bool TmuxSession::Type(const std::string& text) const {
    const bool sent = Shell(m_tmux + " send-keys -t main -l " + Quoted(text)).has_value();
    usleep(300 * 1000);
    return sent;
}

bool TmuxSession::Paste(const std::string& text) const {
    char path[] = "/tmp/jotterwick-paste-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return false;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    const bool sent = written &&
                      Shell(m_tmux + " load-buffer -b paste " + Quoted(path)).has_value() &&
                      Shell(m_tmux + " paste-buffer -p -d -b paste -t main").has_value();
    unlink(path);
    return sent;
}

bool TmuxSession::RecordOutput(const std::string& path) const {
    return Shell(m_tmux + " pipe-pane -o -t main " + Quoted("cat >> " + Quoted(path))).has_value();
}

bool TmuxSession::Resize(int cols, int rows) const {
    return Shell(m_tmux + " resize-window -t main -x " + std::to_string(cols) + " -y " +
                 std::to_string(rows))
        .has_value();
}

int TmuxSession::ProgramPid() const {
    const auto shell = Shell(m_tmux + " list-panes -t main -F '#{pane_pid}'");
    if (!shell || shell->empty())
        return 0;
    const auto program = Shell("ps -o pid= --ppid " + std::to_string(std::stoi(*shell)));
    return program && !program->empty() ? std::stoi(*program) : 0;
}

} // namespace terminaltest
