#include "platform/ui/winuser.h"
#include "ui_test_support.h"

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

class StationTest : public uitest::UiTest {};

HWND WaitForWindow(LPCWSTR cls, LPCWSTR title) {
    for (int i = 0; i < 200; ++i) {
        if (HWND h = FindWindowW(cls, title))
            return h;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

TEST_F(StationTest, AWindowOfAnotherProcessGetsPostedMessagesAndTexts) {
    FILE* child = ::popen(UI_STATION_HELPER, "r");
    ASSERT_TRUE(child);
    char line[128] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, child));
    EXPECT_STREQ("ready\n", line);
    HWND probe = WaitForWindow(u"UiStationProbe", u"Probe");
    ASSERT_TRUE(probe);
    EXPECT_TRUE(PostMessageW(probe, WM_USER + 5, 7, 9));
    EXPECT_TRUE(SetWindowTextW(probe, u"Renamed"));
    EXPECT_EQ(probe, WaitForWindow(nullptr, u"Renamed")); // found by its new title
    EXPECT_TRUE(PostMessageW(probe, WM_CLOSE, 0, 0));
    std::string out;
    while (std::fgets(line, sizeof line, child))
        out += line;
    EXPECT_EQ(0, ::pclose(child));
    // A text set from outside is handled as soon as it arrives, ahead of posted
    // messages still queued (a sent message on the platform), so the first two
    // lines come in either order.
    const bool postFirst = out == "post 7 9\ntext Renamed\nclosed\n";
    EXPECT_TRUE(postFirst || out == "text Renamed\npost 7 9\nclosed\n") << out;
    EXPECT_EQ(nullptr, FindWindowW(u"UiStationProbe", nullptr)); // gone with its window
}

LRESULT LocalProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER + 6)
        PostQuitMessage(static_cast<int>(wParam));
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(StationTest, OwnTopLevelWindowsAreOnTheStationAfterJoining) {
    ASSERT_TRUE(ui::JoinWindowStation());
    WNDCLASSW cls{};
    cls.lpfnWndProc = LocalProc;
    cls.lpszClassName = u"UiStationLocal";
    RegisterClassW(&cls);
    HWND top = CreateWindowExW(0, u"UiStationLocal", u"Jotterwick", WS_OVERLAPPED, 0, 0, 10, 10,
                               nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(top);
    HWND child =
        CreateWindowExW(0, u"edit", u"", WS_CHILD, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
    EXPECT_EQ(top, FindWindowW(nullptr, u"Jotterwick"));
    EXPECT_EQ(nullptr, FindWindowW(u"edit", nullptr)); // children stay local
    SetWindowTextW(top, u"Other");
    EXPECT_EQ(top, FindWindowW(nullptr, u"Other"));
    // A message posted to it by handle is taken from the loop, whichever way it came.
    EXPECT_TRUE(PostMessageW(top, WM_USER + 6, 4, 0));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0))
        DispatchMessageW(&msg);
    EXPECT_EQ(4u, msg.wParam);
    DestroyWindow(top);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(nullptr, FindWindowW(nullptr, u"Other"));
}

} // namespace
