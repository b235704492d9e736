// The thread's message queue and loop: posted messages, messages from other
// processes through the window station, timers and paints.
#include "platform/base/kernel.h"
#include "platform/ui/backend.h"
#include "platform/ui/window_impl.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <optional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    Clock::time_point due;
};

struct Queue {
    std::deque<MSG> posted;
    std::vector<Timer> timers;
    std::optional<int> quitCode;
    UINT_PTR nextThreadTimer = 0x7F00;
};

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

bool Matches(const MSG& m, HWND hwnd, UINT min, UINT max) {
    if (hwnd && m.hwnd != hwnd && !IsChild(hwnd, m.hwnd))
        return false;
    return (min == 0 && max == 0) || (m.message >= min && m.message <= max);
}

MSG Make(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return MSG{hwnd, message, wParam, lParam, GetTickCount(), {0, 0}};
}

// Moves what other processes sent into the queue; a text set from outside is
// applied at once, since it cannot wait in a queue as a pointer.
void DrainStation() {
    if (!ui::detail::StationJoined())
        return;
    platform::Machine* machine = platform::InstalledMachine();
    if (machine->StationSocket() < 0)
        return;
    platform::StationMessage m;
    while (machine->ReceiveStationMessage(&m, 0)) {
        if (!ui::detail::Find(m.hwnd))
            continue;
        if (m.message == WM_SETTEXT)
            SendMessageW(m.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(m.text.c_str()));
        else
            TheQueue().posted.push_back(Make(m.hwnd, m.message, m.wParam, m.lParam));
    }
}

std::optional<MSG> NextMessage(HWND hwnd, UINT min, UINT max, bool remove) {
    auto& q = TheQueue();
    DrainStation();
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!Matches(*it, hwnd, min, max))
            continue;
        MSG m = *it;
        if (remove) {
            q.posted.erase(it);
            // The key state follows the key messages as they are taken.
            if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN)
                ui::SetKeyDown(static_cast<UINT>(m.wParam), true);
            else if (m.message == WM_KEYUP || m.message == WM_SYSKEYUP)
                ui::SetKeyDown(static_cast<UINT>(m.wParam), false);
        }
        return m;
    }
    if (q.quitCode) {
        MSG m = Make(nullptr, WM_QUIT, static_cast<WPARAM>(*q.quitCode), 0);
        if (remove)
            q.quitCode.reset();
        return m;
    }
    const auto now = Clock::now();
    for (auto& timer : q.timers) {
        const MSG m = Make(timer.hwnd, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.proc));
        if (timer.due > now || !Matches(m, hwnd, min, max))
            continue;
        if (remove)
            timer.due = now + std::chrono::milliseconds(timer.elapse);
        return m;
    }
    if (!min || (WM_PAINT >= min && WM_PAINT <= max)) {
        // Paints come last, when nothing else waits, as on the platform.
        if (HWND toPaint = ui::detail::TakeWindowToPaint()) {
            const MSG m = Make(toPaint, WM_PAINT, 0, 0);
            if (Matches(m, hwnd, min, max)) {
                if (!remove)
                    ui::detail::NeedsPaint(toPaint);
                return m;
            }
            ui::detail::NeedsPaint(toPaint);
        }
    }
    return std::nullopt;
}

int MillisecondsToNextTimer() {
    const auto& timers = TheQueue().timers;
    if (timers.empty())
        return -1;
    const auto due =
        std::min_element(timers.begin(), timers.end(), [](const Timer& a, const Timer& b) {
            return a.due < b.due;
        })->due;
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(wait, 0, 0x7FFFFFFF));
}

} // namespace

namespace ui::detail {

void QueuePosted(const MSG& msg) {
    TheQueue().posted.push_back(msg);
}

void ForgetWindow(HWND hwnd) {
    auto& q = TheQueue();
    std::erase_if(q.posted, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
    std::erase_if(q.timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
}

} // namespace ui::detail

namespace ui {

bool PumpPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

} // namespace ui

BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    for (;;) {
        if (auto m = NextMessage(hWnd, wMsgFilterMin, wMsgFilterMax, true)) {
            *lpMsg = *m;
            return m->message != WM_QUIT;
        }
        std::vector<int> fds;
        if (ui::detail::StationJoined())
            if (const int socket = platform::InstalledMachine()->StationSocket(); socket >= 0)
                fds.push_back(socket);
        ui::CurrentBackend().WaitForInput(MillisecondsToNextTimer(), fds);
    }
}

BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (!lpMsg)
        return FALSE;
    // Give the back end a chance to turn waiting input into messages.
    ui::CurrentBackend().WaitForInput(0, {});
    auto m = NextMessage(hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0);
    if (!m)
        return FALSE;
    *lpMsg = *m;
    return TRUE;
}

BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* lpMsg) {
    if (!lpMsg)
        return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, lpMsg->wParam,
                                                   GetTickCount());
        return 0;
    }
    if (!lpMsg->hwnd)
        return 0;
    return SendMessageW(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

void PostQuitMessage(int nExitCode) {
    TheQueue().quitCode = nExitCode;
}

BOOL PostThreadMessageW(DWORD, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg == WM_QUIT) {
        PostQuitMessage(static_cast<int>(wParam));
        return TRUE;
    }
    TheQueue().posted.push_back(Make(nullptr, Msg, wParam, lParam));
    return TRUE;
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    if (hWnd && !ui::detail::Find(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    auto& q = TheQueue();
    if (!hWnd && nIDEvent == 0)
        nIDEvent = ++q.nextThreadTimer;
    std::erase_if(q.timers, [&](const Timer& t) { return t.hwnd == hWnd && t.id == nIDEvent; });
    // The platform raises elapse times below 10 ms to 10 ms.
    const UINT elapse = std::max<UINT>(uElapse, 10);
    q.timers.push_back(
        {hWnd, nIDEvent, elapse, lpTimerFunc, Clock::now() + std::chrono::milliseconds(elapse)});
    return hWnd ? (nIDEvent ? nIDEvent : 1) : nIDEvent;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    auto& q = TheQueue();
    const auto removed =
        std::erase_if(q.timers, [&](const Timer& t) { return t.hwnd == hWnd && t.id == uIDEvent; });
    if (!removed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A WM_TIMER not yet taken goes with its timer.
    std::erase_if(q.posted, [&](const MSG& m) {
        return m.message == WM_TIMER && m.hwnd == hWnd && m.wParam == uIDEvent;
    });
    return TRUE;
}
