// A window station table written by someone else: the rows of a crafted
// handheld never make a program unlink or message a file outside the
// machine's socket folder. And a handheld anywhere, at any path length,
// gets its sockets.
#include "platform/ce/window_station.h"

#include "platform/ce/machine.h"
#include "support/machine.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using testsupport::ChildProcess;
using testsupport::WaitFor;

// Points every station row of the handheld at `socket`, as a crafted
// handheld directory would.
void RewriteSockets(const std::string& socket) {
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((ce::HandheldDirectory() + "/objectstore.db").c_str(), &db));
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(SQLITE_OK,
              sqlite3_prepare_v2(db, "UPDATE ce_windows SET socket=?1", -1, &s, nullptr));
    sqlite3_bind_text(s, 1, socket.c_str(), -1, SQLITE_TRANSIENT);
    EXPECT_EQ(SQLITE_DONE, sqlite3_step(s));
    sqlite3_finalize(s);
    sqlite3_close(db);
}

std::string StoredSocket() {
    sqlite3* db = nullptr;
    std::string socket;
    if (sqlite3_open((ce::HandheldDirectory() + "/objectstore.db").c_str(), &db) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT socket FROM ce_windows", -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            socket = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return socket;
}

// A listening datagram socket of "another program" at `path`.
int Listen(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    return bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? fd : -1;
}

class HostileStation : public ::testing::Test {
protected:
    void SetUp() override { outside = fs::path(machines.handheld()).parent_path().string(); }
    testsupport::TempMachines machines;
    std::string outside; // beside the machine folders, as any file of the person's
};

TEST_F(HostileStation, ARowOfADeadOwnerNeverUnlinksAFileOutsideTheSocketFolder) {
    const std::string victim = outside + "/victim.txt";
    std::ofstream(victim) << "keep me";
    const std::string inRunButPlain = ce::HandheldDirectory() + "/run/plain.sock";
    std::ofstream(inRunButPlain) << "not a socket";
    for (const std::string& target : {victim, inRunButPlain}) {
        SCOPED_TRACE(target);
        const pid_t owner = fork();
        if (owner == 0) {
            _exit(ce::CreateStationWindow(u"Jotta", u"Jotterwick") ? 0 : 1);
        }
        int status = 0;
        waitpid(owner, &status, 0);
        ASSERT_EQ(0, WEXITSTATUS(status));
        // _exit skipped the owner's own clean-up: its row stays, now dead.
        RewriteSockets(target);
        EXPECT_EQ(nullptr, ce::FindStationWindow(nullptr, u"Jotterwick"));
        EXPECT_TRUE(fs::exists(target));
        EXPECT_EQ("", StoredSocket()) << "the dead row is gone all the same";
    }
}

TEST_F(HostileStation, ARowNamingAnotherProgramsSocketGetsNoMessage) {
    const std::string foreign = outside + "/other-program.sock";
    const int listener = Listen(foreign);
    ASSERT_GE(listener, 0);
    ChildProcess probe(testsupport::BuiltProgram("tests/support/window_probe"), {"Probe", "P"});
    HWND window = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (window = ce::FindStationWindow(u"Probe", nullptr)) != nullptr; }));
    RewriteSockets(foreign);
    SetLastError(0);
    EXPECT_FALSE(ce::PostStationMessage(window, WM_USER, 1, 2));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    EXPECT_FALSE(ce::SetStationWindowText(window, u"hello"));
    char buffer[64];
    EXPECT_LT(recv(listener, buffer, sizeof buffer, 0), 0) << "a datagram reached the socket";
    close(listener);
    probe.Stop();
}

TEST_F(HostileStation, SocketsAreStoredAbsoluteAndFitWhateverTheHandheldPath) {
    // A notes program started on a handheld named relative to its working folder.
    const fs::path before = fs::current_path();
    fs::current_path(fs::path(machines.handheld()).parent_path());
    setenv("JOTTERWICK_HANDHELD", fs::path(machines.handheld()).filename().c_str(), 1);
    ChildProcess relative(testsupport::BuiltProgram("tests/support/window_probe"), {"Rel", "R"});
    fs::current_path(before);
    setenv("JOTTERWICK_HANDHELD", machines.handheld().c_str(), 1);
    ASSERT_TRUE(WaitFor([&] { return ce::FindStationWindow(u"Rel", nullptr) != nullptr; }));
    const std::string stored = StoredSocket();
    EXPECT_EQ('/', stored.front()) << stored;
    EXPECT_TRUE(ce::PostStationMessage(ce::FindStationWindow(u"Rel", nullptr), WM_USER + 1, 0, 0))
        << "reachable from another working folder";
    EXPECT_TRUE(WaitFor([&] { return relative.Output() == "1025 0 0 \n"; })) << relative.Output();
    relative.Stop();

    // A handheld whose run/ folder is too deep for a socket address.
    const std::string deep =
        machines.handheld() + "/" + std::string(60, 'd') + "/" + std::string(60, 'e') + "/handheld";
    ce::SetHandheldDirectory(deep);
    setenv("JOTTERWICK_HANDHELD", deep.c_str(), 1);
    ChildProcess far(testsupport::BuiltProgram("tests/support/window_probe"), {"Far", "F"});
    HWND window = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (window = ce::FindStationWindow(u"Far", nullptr)) != nullptr; }));
    EXPECT_TRUE(ce::PostStationMessage(window, WM_USER + 2, 0, 0));
    EXPECT_TRUE(WaitFor([&] { return far.Output() == "1026 0 0 \n"; })) << far.Output();
    const std::string socket = StoredSocket();
    EXPECT_LT(socket.size(), sizeof(sockaddr_un{}.sun_path));
    EXPECT_EQ(0700u,
              static_cast<unsigned>(fs::status(fs::path(socket).parent_path()).permissions()));
    far.Stop();
    EXPECT_FALSE(fs::exists(socket)) << "the owner removes its socket when it ends";
}

} // namespace
