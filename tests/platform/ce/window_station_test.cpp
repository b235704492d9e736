// The window station across processes, and named mutexes.
#include "platform/ce/named_mutex.h"
#include "platform/ce/window_station.h"

#include "platform/base/handles.h"
#include "platform/ce/machine.h"
#include "support/machine.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

namespace {

using testsupport::ChildProcess;
using testsupport::WaitFor;

class WindowStationTest : public ::testing::Test {
protected:
    testsupport::TempMachines m_machines;
};

// A forked child that owns a window and then waits to be killed, so that it
// dies without removing its window.
pid_t ForkWindowOwner(const char16_t* cls, const char16_t* title) {
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(ready[0]);
        const char ok = ce::CreateStationWindow(cls, title) ? 'y' : 'n';
        (void)!write(ready[1], &ok, 1);
        for (;;)
            pause();
    }
    close(ready[1]);
    char ok = 0;
    (void)!read(ready[0], &ok, 1);
    close(ready[0]);
    return ok == 'y' ? pid : -1;
}

TEST_F(WindowStationTest, AWindowOfAnotherProcessIsFoundAndGetsMessagesAndText) {
    ChildProcess probe(testsupport::BuiltProgram("tests/support/window_probe"),
                       {"TrailMonitor", "Viewer"});
    HWND byClass = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] { return (byClass = ce::FindStationWindow(u"TrailMonitor", nullptr)) != nullptr; }));
    EXPECT_EQ(byClass, ce::FindStationWindow(nullptr, u"Viewer"));
    EXPECT_EQ(byClass, ce::FindStationWindow(u"trailmonitor", u"VIEWER"))
        << "names match without case";
    EXPECT_EQ(nullptr, ce::FindStationWindow(u"TrailMonitor", u"Other"));
    EXPECT_EQ(nullptr, ce::FindStationWindow(u"Other", nullptr));

    ASSERT_TRUE(ce::PostStationMessage(byClass, WM_USER + 111, 7, -3));
    ASSERT_TRUE(ce::SetStationWindowText(byClass, u"GetPacket: sCat Work \u00e9"));
    EXPECT_TRUE(ce::IsLiveStationWindow(byClass));
    const std::string expected = "1135 7 -3 \n12 0 0 GetPacket: sCat Work \u00e9\n";
    EXPECT_TRUE(WaitFor([&] { return probe.Output() == expected; })) << probe.Output();
    // The text is the window's title now.
    EXPECT_EQ(byClass, ce::FindStationWindow(nullptr, u"GetPacket: sCat Work \u00e9"));
    EXPECT_EQ(nullptr, ce::FindStationWindow(nullptr, u"Viewer"));

    // A process that ends normally takes its window with it.
    EXPECT_EQ(0, probe.Stop());
    EXPECT_EQ(nullptr, ce::FindStationWindow(u"TrailMonitor", nullptr));
}

TEST_F(WindowStationTest, WindowsOfDeadProcessesAreSkippedAndRemoved) {
    const pid_t dead = ForkWindowOwner(u"Jotta", u"Jotterwick");
    ASSERT_GT(dead, 0);
    HWND stale = ce::FindStationWindow(nullptr, u"Jotterwick");
    ASSERT_NE(nullptr, stale);
    EXPECT_EQ(static_cast<DWORD>(dead), ce::StationWindowProcess(stale));
    kill(dead, SIGKILL);
    waitpid(dead, nullptr, 0);
    SetLastError(0);
    EXPECT_FALSE(ce::PostStationMessage(stale, WM_USER, 0, 0));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    EXPECT_EQ(0u, ce::StationWindowProcess(stale));

    // A live window with the same title behind a dead one is still found.
    const pid_t dead2 = ForkWindowOwner(u"Jotta", u"Jotterwick");
    ChildProcess live(testsupport::BuiltProgram("tests/support/window_probe"),
                      {"Probe", "Jotterwick"});
    ASSERT_TRUE(WaitFor([&] { return ce::FindStationWindow(u"Probe", nullptr) != nullptr; }));
    const pid_t dead3 = ForkWindowOwner(u"Jotta", u"Jotterwick");
    kill(dead2, SIGKILL);
    kill(dead3, SIGKILL);
    waitpid(dead2, nullptr, 0);
    waitpid(dead3, nullptr, 0);
    HWND found = ce::FindStationWindow(nullptr, u"Jotterwick");
    ASSERT_NE(nullptr, found);
    EXPECT_TRUE(ce::PostStationMessage(found, WM_USER + 111, 0, 0));
    EXPECT_TRUE(WaitFor([&] { return live.Output() == "1135 0 0 \n"; })) << live.Output();
    // A search that meets only dead windows removes them all: the live
    // window's socket is the only one left.
    EXPECT_EQ(nullptr, ce::FindStationWindow(u"Jotta", nullptr));
    int sockets = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ce::HandheldDirectory() + "/run"))
        sockets += entry.path().extension() == ".sock";
    EXPECT_EQ(1, sockets);
}

TEST_F(WindowStationTest, OwnWindowsQueueOnTheOwnSocket) {
    HWND own = ce::CreateStationWindow(u"Main", u"Jotterwick");
    ASSERT_NE(nullptr, own);
    ASSERT_GE(ce::StationSocket(), 0);
    ASSERT_TRUE(ce::PostStationMessage(own, WM_USER + 1, 2, 3));
    ce::StationMessage m;
    ASSERT_TRUE(ce::ReceiveStationMessage(&m, 1000));
    EXPECT_EQ(own, m.hwnd);
    EXPECT_EQ(WM_USER + 1, m.message);
    EXPECT_EQ(2u, m.wParam);
    EXPECT_EQ(3, m.lParam);
    EXPECT_FALSE(ce::ReceiveStationMessage(&m, 0));

    // A text set on an own window retitles it for everyone and arrives as WM_SETTEXT.
    EXPECT_TRUE(ce::SetStationWindowText(own, u"New"));
    EXPECT_EQ(own, ce::FindStationWindow(nullptr, u"New")) << "the title changed for everyone";
    ASSERT_TRUE(ce::ReceiveStationMessage(&m, 1000));
    EXPECT_EQ(WM_SETTEXT, m.message);
    EXPECT_EQ(u"New", m.text);
    // Windows the station does not hold (a child window) are unknown to it.
    HWND child = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7001));
    EXPECT_FALSE(ce::SetStationWindowText(child, u"Child"));
    EXPECT_FALSE(ce::PostStationMessage(child, WM_USER, 0, 0));
    EXPECT_EQ(nullptr, ce::FindStationWindow(nullptr, u"Child"));
    EXPECT_FALSE(ce::ReceiveStationMessage(&m, 0)) << "nothing was queued";

    // A datagram that does not match its declared size is dropped.
    const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    for (const auto& entry : std::filesystem::directory_iterator(ce::HandheldDirectory() + "/run"))
        if (entry.path().extension() == ".sock")
            std::strcpy(address.sun_path, entry.path().c_str());
    BYTE garbage[40] = {};
    garbage[12] = 200; // 200 text units declared, 4 bytes sent
    ASSERT_EQ(40, sendto(fd, garbage, sizeof garbage, 0, reinterpret_cast<sockaddr*>(&address),
                         sizeof address));
    close(fd);
    EXPECT_FALSE(ce::ReceiveStationMessage(&m, 100));

    EXPECT_TRUE(ce::DestroyStationWindow(own));
    EXPECT_EQ(nullptr, ce::FindStationWindow(u"Main", nullptr));
    EXPECT_FALSE(ce::PostStationMessage(own, WM_USER, 0, 0));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}

TEST_F(WindowStationTest, ANamedMutexBelongsToItsFirstCreatorAcrossProcesses) {
    SetLastError(1234);
    HANDLE first = CreateMutexW(nullptr, TRUE, u"Jotterwick");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());
    EXPECT_TRUE(ReleaseMutex(first));

    HANDLE again = CreateMutexW(nullptr, TRUE, u"Jotterwick");
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_FALSE(ReleaseMutex(again));
    CloseHandle(again);

    auto childSees = [] {
        const pid_t pid = fork();
        if (pid == 0) {
            HANDLE h = CreateMutexW(nullptr, TRUE, u"Jotterwick");
            _exit(h == nullptr ? 2 : GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(1, childSees()) << "another process finds it taken";
    ASSERT_TRUE(CloseHandle(first));
    EXPECT_EQ(0, childSees()) << "free once the owner closed it";
    // Names with path separators stay inside run/.
    HANDLE odd = CreateMutexW(nullptr, TRUE, u"a/b\\c");
    ASSERT_NE(nullptr, odd);
    EXPECT_TRUE(std::filesystem::exists(ce::HandheldDirectory() + "/run/a_b_c.lock"));
    CloseHandle(odd);
}

} // namespace
