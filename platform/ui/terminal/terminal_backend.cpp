// The terminal back end's life and its part of the message loop: taking over
// the terminal, giving it back, waiting for keys and taps beside the loop's
// descriptors, and delivering them to the windows.
#include "platform/ui/terminal/terminal_backend.h"

#include "platform/ui/commctrl.h"
#include "platform/ui/headless/headless_backend.h"
#include "platform/ui/terminal/terminal_screen.h"

#include <curses.h>
#include <fcntl.h>
#include <poll.h>
#include <term.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace ui {

namespace {

using terminal::Input;

// Whether curses owns the terminal now; the signal handler reads it.
volatile std::sig_atomic_t g_active = 0;
// The termination signal that arrived (0: none) and the pipe that wakes the
// loop for it.
volatile std::sig_atomic_t g_endingSignal = 0;
int g_signalPipe[2] = {-1, -1};
// The one curses screen, freed when the back end goes.
SCREEN* g_screen = nullptr;

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Gives the terminal back before the signal ends the program as it would have.
void RestoreAndRaise(int signal) {
    if (g_active) {
        g_active = 0;
        endwin();
        terminal::SetBracketedPaste(false);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// The first termination signal asks the loop to keep the unsaved work and
// end; a second one (the program does not get to its loop) ends at once.
void AskToEnd(int signal) {
    if (g_endingSignal) {
        RestoreAndRaise(signal);
        return;
    }
    g_endingSignal = signal;
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &wake, 1);
}

// The frame the user works in: the newest visible top-level window with a command bar.
HWND ActiveFrame() {
    const auto tops = TopLevelWindows();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        if (IsWindowVisible(*it) && terminal::CommandBarOf(*it))
            return *it;
    return nullptr;
}

bool IsPane(HWND hwnd) {
    const std::u16string cls = terminal::ClassOf(hwnd);
    return cls == u"edit" || cls == u"listbox";
}

void CollectPanes(HWND parent, std::vector<HWND>& panes) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c) || !IsWindowEnabled(c))
            continue;
        if (IsPane(c))
            panes.push_back(c);
        CollectPanes(c, panes);
    }
}

// Tab in a frame: the focus goes to the next pane (Shift+Tab: the previous one).
bool SwitchPane(bool backwards) {
    HWND frame = ActiveFrame();
    if (!frame || (GetFocus() && GetFocus() != frame && !IsChild(frame, GetFocus())))
        return false;
    std::vector<HWND> panes;
    CollectPanes(frame, panes);
    if (panes.empty())
        return false;
    const auto at = std::find(panes.begin(), panes.end(), GetFocus());
    const int n = static_cast<int>(panes.size());
    const int current =
        at == panes.end() ? (backwards ? 0 : -1) : static_cast<int>(at - panes.begin());
    SetFocus(panes[static_cast<std::size_t>(((current + (backwards ? -1 : 1)) % n + n) % n)]);
    return true;
}

// After a dialog, a box or a menu command the focus can be left on the frame
// itself or on a pane that was disabled meanwhile, where keys reach nothing:
// it goes back to the pane that had it last, else to the first pane.
void KeepFocusOnAPane(HWND& lastPane) {
    HWND frame = ActiveFrame();
    HWND focus = GetFocus();
    if (!frame || (focus && focus != frame && !IsChild(frame, focus)))
        return;
    std::vector<HWND> panes;
    CollectPanes(frame, panes);
    if (panes.empty() || std::find(panes.begin(), panes.end(), focus) != panes.end()) {
        lastPane = focus;
        return;
    }
    const bool lastUsable = std::find(panes.begin(), panes.end(), lastPane) != panes.end();
    lastPane = lastUsable ? lastPane : panes.front();
    SetFocus(lastPane);
}

void PressSlot(const terminal::DrawnScreen& screen, const terminal::BarSlot& slot,
               const std::function<terminal::DrawnScreen()>& redraw) {
    switch (slot.kind) {
    case terminal::BarSlot::Kind::Menu:
        terminal::RunMenuBar(
            screen,
            static_cast<int>(std::count_if(screen.slots.begin(), screen.slots.end(),
                                           [&](const terminal::BarSlot& s) {
                                               return s.kind == terminal::BarSlot::Kind::Menu &&
                                                      s.index < slot.index;
                                           })),
            redraw);
        break;
    case terminal::BarSlot::Kind::Button:
        SendMessageW(screen.commandBar, CBM_CLICKBUTTON, slot.command, 0);
        break;
    case terminal::BarSlot::Kind::Help:
        SendMessageW(screen.commandBar, CBM_CLICKADORNMENT, CMDBAR_HELP, 0);
        break;
    case terminal::BarSlot::Kind::Ok:
        SendMessageW(screen.commandBar, CBM_CLICKADORNMENT, CMDBAR_OK, 0);
        break;
    }
}

} // namespace

namespace terminal {

int EndingSignal() {
    return g_endingSignal;
}

int EndingSignalDescriptor() {
    return g_signalPipe[0];
}

} // namespace terminal

std::unique_ptr<TerminalBackend> TerminalBackend::Create() {
    // One terminal per process.
    if (g_screen || !isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO))
        return nullptr;
    // The character set of the user's terminal, for wide characters; numbers
    // and the rest keep the "C" rules the program's files are read with.
    std::setlocale(LC_CTYPE, "");
    // newterm, unlike initscr, reports an unusable terminal instead of exiting.
    SCREEN* screen = newterm(nullptr, stdout, stdin);
    if (!screen)
        return nullptr;
    set_term(screen);
    // Without cursor addressing (TERM=dumb, a printing terminal) nothing can be drawn.
    const char* addressing = tigetstr(const_cast<char*>("cup"));
    if (!addressing || addressing == reinterpret_cast<const char*>(-1)) {
        endwin();
        delscreen(screen);
        return nullptr;
    }
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        endwin();
        delscreen(screen);
        return nullptr;
    }
    g_screen = screen;
    g_active = 1;
    for (int s : kEndingSignals)
        std::signal(s, AskToEnd);
    raw(); // Ctrl+S, Ctrl+Z and Ctrl+C are the program's keys, not the terminal's
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    terminal::DefineModifiedKeys();
    terminal::DefinePasteKeys();
    terminal::SetBracketedPaste(true);
    set_escdelay(25);
    mousemask(BUTTON1_PRESSED | BUTTON1_CLICKED, nullptr);
    mouseinterval(0);
    terminal::InitColors();
    terminal::FitScreenSize();
    return std::unique_ptr<TerminalBackend>(new TerminalBackend());
}

TerminalBackend::~TerminalBackend() {
    for (int s : kEndingSignals)
        std::signal(s, SIG_DFL);
    if (g_active) {
        g_active = 0;
        endwin();
        terminal::SetBracketedPaste(false);
    }
    delscreen(g_screen);
    g_screen = nullptr;
    for (int& fd : g_signalPipe) {
        close(fd);
        fd = -1;
    }
}

// Every window is told that the program ends, so that the unsaved work is
// kept (no one is there to answer a question now: each box is cancelled),
// then the signal ends the program as it would have.
void TerminalBackend::EndForSignal() {
    const int signal = g_endingSignal;
    for (HWND top : TopLevelWindows())
        if (IsWindow(top))
            SendMessageW(top, WM_ENDSESSION, TRUE, 0);
    RestoreAndRaise(signal);
}

void TerminalBackend::Redraw() {
    if (m_drawing)
        return;
    m_drawing = true;
    terminal::DrawWindows(m_waitDepth);
    terminal::Present();
    m_dirty = false;
    m_drawing = false;
}

void TerminalBackend::WindowChanged(HWND hwnd) {
    m_dirty = true;
    // A window that appears while the program is busy (the sponsor banner,
    // a progress window) shows at once, not only when the loop waits.
    if (!GetParent(hwnd) && (GetWindowLongW(hwnd, GWL_STYLE) & WS_POPUP) && IsWindowVisible(hwnd))
        Redraw();
}

void TerminalBackend::WaitCursorChanged(int depth) {
    m_waitDepth = depth;
    if (m_drawing)
        return;
    terminal::DrawStatusLine(depth);
    terminal::Present();
}

void TerminalBackend::StatusTextChanged() {
    // Shown at once: the program is busy and draws nothing else meanwhile.
    WaitCursorChanged(m_waitDepth);
}

bool TerminalBackend::WaitForInput(int timeoutMs, std::span<const int> fds) {
    if (g_endingSignal)
        EndForSignal();
    if (m_dirty)
        Redraw();
    // A probe without waiting (PeekMessage) takes no input: keys are taken one
    // at a time, only once the queue is empty, so each reaches the window that
    // has the focus after the key before it was handled.
    if (timeoutMs == 0 && fds.empty())
        return false;
    auto input = m_inputGone ? std::nullopt : terminal::ReadInput(0);
    if (!input) {
        // A terminal that hung up is polled no more (negative descriptors are skipped).
        std::vector<pollfd> polls{{m_inputGone ? -1 : STDIN_FILENO, POLLIN, 0},
                                  {g_signalPipe[0], POLLIN, 0}};
        for (int fd : fds)
            polls.push_back({fd, POLLIN, 0});
        const int ready = ::poll(polls.data(), polls.size(), timeoutMs);
        if (g_endingSignal)
            EndForSignal();
        if (ready <= 0)
            return false;
        if (polls[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            m_inputGone = true;
        if (!(polls[0].revents & POLLIN))
            return true;
        input = terminal::ReadInput(0);
        if (!input)
            return true;
    }
    const auto redraw = [this] {
        auto screen = terminal::DrawWindows(m_waitDepth);
        m_dirty = false;
        return screen;
    };
    switch (input->kind) {
    case Input::Kind::Resize:
        m_dirty = true; // the windows were fitted when the size change was read
        break;
    case Input::Kind::Tap: {
        const auto screen = redraw();
        for (const auto& slot : screen.slots) {
            if (input->row == slot.row && input->col >= slot.col &&
                input->col < slot.col + slot.cols) {
                PressSlot(screen, slot, redraw);
                m_dirty = true;
                return true;
            }
        }
        terminal::TapAt(input->row, input->col);
        break;
    }
    case Input::Kind::Key: {
        KeepFocusOnAPane(m_lastPane);
        terminal::KeyStroke key = input->key;
        if (key.virtualKey == VK_F10 && key.modifiers == 0) {
            terminal::RunMenuBar(redraw(), 0, redraw);
            m_dirty = true;
            break;
        }
        if (key.modifiers == FALT && key.virtualKey >= 'A' && key.virtualKey <= 'Z') {
            const auto screen = redraw();
            const char16_t wanted = static_cast<char16_t>(key.virtualKey - 'A' + 'a');
            int title = 0;
            for (const auto& slot : screen.slots) {
                if (slot.kind != terminal::BarSlot::Kind::Menu)
                    continue;
                if (slot.mnemonic == wanted) {
                    terminal::RunMenuBar(screen, title, redraw);
                    m_dirty = true;
                    return true;
                }
                ++title;
            }
        }
        // Ctrl+Q closes the frame, as its close button would.
        if (key.virtualKey == 'Q' && key.modifiers == FCONTROL) {
            if (HWND frame = ActiveFrame()) {
                PostMessageW(frame, WM_CLOSE, 0, 0);
                break;
            }
        }
        if (key.virtualKey == VK_TAB && (key.modifiers & ~FSHIFT) == 0 &&
            SwitchPane((key.modifiers & FSHIFT) != 0))
            break;
        // The frame's accelerators take Ctrl keys; their control codes type nothing.
        if (key.modifiers & FCONTROL)
            key.character = 0;
        PostKeyStroke(key.virtualKey, key.modifiers, key.character, key.trail);
        break;
    }
    case Input::Kind::Paste:
        KeepFocusOnAPane(m_lastPane);
        terminal::DeliverPaste(input->text);
        break;
    case Input::Kind::Ignored:
        break;
    }
    return true;
}

void ChooseTerminalOrHeadless(const char* program) {
    if (!std::getenv("JOTTERWICK_HEADLESS") && isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) {
        if (auto terminal = TerminalBackend::Create()) {
            SetBackend(std::move(terminal));
            return;
        }
        std::fprintf(stderr, "%s: cannot draw on this terminal (see $TERM); running headless\n",
                     program);
    }
    SetBackend(std::make_unique<HeadlessBackend>());
}

} // namespace ui
