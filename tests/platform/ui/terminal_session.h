// Test support for the terminal back end: a program running in a tmux
// session of its own server, with the keys typed and the screen read back.
#pragma once

#include <optional>
#include <string>

namespace terminaltest {

// Runs a shell command; its standard output, or nullopt when it failed.
std::optional<std::string> Shell(const std::string& command);
// `s` quoted for the shell.
std::string Quoted(const std::string& s);
bool TmuxInstalled();

class TmuxSession {
public:
    // Starts `command` (a shell command line) in a 100 x 30 terminal. After it
    // ends the shell writes "<name> ended <status>" and the pane stays.
    TmuxSession(const std::string& name, const std::string& command);
    // Ends the session's server and whatever still runs in it.
    ~TmuxSession();
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    bool started() const { return m_started; }
    std::string Screen() const;
    // Line `row` of the screen (0: the top line).
    std::string Line(int row) const;
    // The characters of line `row` drawn underlined, in order.
    std::string Underlined(int row) const;
    bool WaitForScreen(const std::string& text) const;
    bool WaitForNoScreen(const std::string& text) const;
    // Keys by tmux name (C-n, Enter, F10 ...), then a pause so that each is
    // handled before the next arrives. False when tmux refused them.
    bool Keys(const std::string& keys) const;
    bool Type(const std::string& text) const;
    // Pastes `text` as the terminal does (bracketed when the program asked
    // for it); tmux sends LF as CR, as terminals do.
    bool Paste(const std::string& text) const;
    // From now on, what the program writes to the terminal is also appended
    // to the file at `path`, byte for byte.
    bool RecordOutput(const std::string& path) const;
    // Gives the terminal a new size, as when the user resizes its window.
    bool Resize(int cols, int rows) const;
    // The process id of the command (the only child of the pane's shell); 0 if none.
    int ProgramPid() const;

private:
    std::string m_tmux;
    bool m_started = false;
};

} // namespace terminaltest
