// The window system reaches other processes only through the machine
// installed for the process: without one its windows are its own; with one,
// what is not its own window goes to that machine's station.
#include "platform/base/machine.h"
#include "platform/ui/commdlg.h"
#include "platform/ui/winuser.h"
#include "ui_test_support.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

HWND Foreign() {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x40000 + 4 * 77));
}

std::string Narrow(LPCWSTR text) {
    std::string out;
    for (; text && *text; ++text)
        out += static_cast<char>(*text);
    return out;
}

// A station that records what reaches it; its own windows get handles from
// the station's range.
class RecordingMachine : public platform::Machine {
public:
    std::vector<std::string> calls;
    std::string Folder() override { return "/nonexistent/machine"; }
    HWND FindStationWindow(LPCWSTR cls, LPCWSTR title) override {
        calls.push_back("find " + Narrow(cls) + "|" + Narrow(title));
        return Foreign();
    }
    BOOL PostStationMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM) override {
        calls.push_back("post " + std::to_string(hwnd == Foreign()) + " " +
                        std::to_string(message) + " " + std::to_string(wParam));
        return TRUE;
    }
    BOOL SetStationWindowText(HWND, LPCWSTR text) override {
        calls.push_back("text " + Narrow(text));
        return TRUE;
    }
    BOOL IsLiveStationWindow(HWND hwnd) override {
        calls.push_back("live");
        return hwnd == Foreign();
    }
    DWORD StationWindowProcess(HWND hwnd) override {
        calls.push_back("process");
        return hwnd == Foreign() ? 4242 : 0;
    }
    HWND CreateStationWindow(LPCWSTR cls, LPCWSTR title) override {
        calls.push_back("create " + Narrow(cls) + "|" + Narrow(title));
        return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x40000 + 4 * ++m_next));
    }
    BOOL DestroyStationWindow(HWND) override {
        calls.push_back("destroy");
        return TRUE;
    }
    BOOL SetStationWindowTitle(HWND, LPCWSTR title) override {
        calls.push_back("title " + Narrow(title));
        return TRUE;
    }
    int StationSocket() override { return -1; }
    bool ReceiveStationMessage(platform::StationMessage*, int) override { return false; }

private:
    int m_next = 1000;
};

class MachineTest : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        m_installed = platform::InstalledMachine();
        WNDCLASSW cls{};
        cls.lpfnWndProc = DefWindowProcW;
        cls.lpszClassName = u"UiMachineTop";
        RegisterClassW(&cls);
    }
    void TearDown() override {
        platform::InstallMachine(m_installed);
        UiTest::TearDown();
    }
    static HWND Top(LPCWSTR title) {
        return CreateWindowExW(0, u"UiMachineTop", title, WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
    }
    RecordingMachine machine; // installed by a test until TearDown
    static std::string TextOf(HWND hwnd) {
        WCHAR text[64] = {};
        GetWindowTextW(hwnd, text, 64);
        return Narrow(text);
    }

private:
    platform::Machine* m_installed = nullptr;
};

TEST_F(MachineTest, WithoutAMachineTheProcessKeepsItsWindowsToItself) {
    platform::InstallMachine(nullptr);
    EXPECT_FALSE(ui::JoinWindowStation());
    HWND own = Top(u"Own");
    ASSERT_NE(nullptr, own);
    // Its own windows are served as ever.
    EXPECT_TRUE(PostMessageW(own, WM_USER + 3, 7, 0));
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, own, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
    EXPECT_TRUE(SetWindowTextW(own, u"Renamed"));
    EXPECT_EQ("Renamed", TextOf(own));
    // Nothing beyond it is reachable, and each call says so.
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(Foreign(), WM_USER, 0, 0));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    EXPECT_FALSE(SetWindowTextW(Foreign(), u"x"));
    EXPECT_FALSE(SetForegroundWindow(Foreign()));
    DWORD process = 7;
    EXPECT_EQ(0u, GetWindowThreadProcessId(Foreign(), &process));
    EXPECT_EQ(0u, process);
    EXPECT_EQ(nullptr, FindWindowW(nullptr, u"Renamed"));
    // No clipboard to share, and the file dialogs start in the working directory.
    SetLastError(0);
    EXPECT_FALSE(OpenClipboard(own));
    EXPECT_EQ(ERROR_NOT_SUPPORTED, GetLastError());
    EXPECT_EQ(std::filesystem::current_path().string(), ui::DocumentsFolder());
}

TEST_F(MachineTest, WhatIsNotTheProcesssOwnGoesToTheInstalledMachinesStation) {
    platform::InstallMachine(&machine);
    EXPECT_EQ("/nonexistent/machine/My Documents", ui::DocumentsFolder());

    // Joined, top-level windows are on the station under their class and
    // title, and leave it with their window; children never join. Messages
    // and texts for the process's own windows stay in the process.
    ASSERT_TRUE(ui::JoinWindowStation());
    HWND own = Top(u"Own");
    ASSERT_NE(nullptr, own);
    CreateWindowExW(0, u"static", u"", WS_CHILD, 0, 0, 1, 1, own, nullptr, nullptr, nullptr);
    EXPECT_TRUE(PostMessageW(own, WM_USER, 1, 0));
    EXPECT_TRUE(SetWindowTextW(own, u"Mine"));
    EXPECT_EQ("Mine", TextOf(own));
    DrainMessages();
    DestroyWindow(own);
    EXPECT_EQ((std::vector<std::string>{"create UiMachineTop|Own", "title Mine", "destroy"}),
              machine.calls);

    machine.calls.clear();
    EXPECT_TRUE(PostMessageW(Foreign(), WM_USER + 2, 5, 0));
    EXPECT_TRUE(SetWindowTextW(Foreign(), u"Theirs"));
    EXPECT_EQ(Foreign(), FindWindowW(u"Cls", nullptr));
    EXPECT_TRUE(SetForegroundWindow(Foreign()));
    DWORD process = 0;
    EXPECT_EQ(4242u, GetWindowThreadProcessId(Foreign(), &process));
    EXPECT_EQ(4242u, process);
    EXPECT_EQ(
        (std::vector<std::string>{"post 1 1026 5", "text Theirs", "find Cls|", "live", "process"}),
        machine.calls);
}

} // namespace
