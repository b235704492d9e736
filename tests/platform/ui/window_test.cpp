#include "platform/ui/gdi.h"
#include "platform/ui/winuser.h"
#include "ui_test_support.h"

#include <chrono>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_log;

// Records the messages a test looks at, one line each, named by the window's text.
LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WCHAR title[64] = {};
    DefWindowProcW(hwnd, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(title));
    std::string name;
    for (const WCHAR* p = title; *p; ++p)
        name += static_cast<char>(*p);
    switch (msg) {
    case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (cs->lpCreateParams && *static_cast<int*>(cs->lpCreateParams) == -1)
            return -1;
        g_log.push_back(name + " create " + std::to_string(cs->cx) + "x" + std::to_string(cs->cy));
        return 0;
    }
    case WM_DESTROY:
        g_log.push_back(name + " destroy");
        return 0;
    case WM_NCDESTROY:
        g_log.push_back(name + " ncdestroy");
        return 0;
    case WM_SETFOCUS:
        g_log.push_back(name + " setfocus");
        return 0;
    case WM_KILLFOCUS:
        g_log.push_back(name + " killfocus");
        return 0;
    case WM_TIMER:
        g_log.push_back(name + " timer " + std::to_string(wParam));
        return 0;
    case WM_COMMAND:
        g_log.push_back(name + " command " + std::to_string(LOWORD(wParam)) + " " +
                        std::to_string(HIWORD(wParam)));
        return 0;
    case WM_SETTEXT: {
        std::string text;
        for (auto p = reinterpret_cast<LPCWSTR>(lParam); *p; ++p)
            text += static_cast<char>(*p);
        g_log.push_back(name + " settext " + text);
        break;
    }
    case WM_USER + 1:
        g_log.push_back(name + " user " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class WindowTest : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_log.clear();
        WNDCLASSW cls{};
        cls.lpfnWndProc = RecordingProc;
        cls.lpszClassName = u"Recorder";
        RegisterClassW(&cls); // fails harmlessly after the first test
    }
    HWND Make(LPCWSTR title, HWND parent = nullptr, int id = 0, LPVOID param = nullptr) {
        return CreateWindowExW(
            0, u"Recorder", title, parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPED, 0, 0, 100, 50,
            parent, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, param);
    }
};

TEST_F(WindowTest, CreationHierarchyAndDestructionOrder) {
    HWND top = Make(u"top");
    ASSERT_TRUE(top);
    HWND a = Make(u"a", top, 10);
    HWND b = Make(u"b", top, 11);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a, GetDlgItem(top, 10));
    EXPECT_EQ(b, GetDlgItem(top, 11));
    EXPECT_EQ(nullptr, GetDlgItem(top, 12));
    EXPECT_EQ(11, GetDlgCtrlID(b));
    EXPECT_EQ(top, GetParent(a));
    EXPECT_TRUE(IsChild(top, b));
    EXPECT_EQ(a, GetWindow(top, GW_CHILD));
    EXPECT_EQ(b, GetWindow(a, GW_HWNDNEXT));
    WCHAR cls[16];
    EXPECT_EQ(8, GetClassNameW(a, cls, 16));
    EXPECT_EQ(std::u16string(u"Recorder"), cls);
    g_log.clear();
    EXPECT_TRUE(DestroyWindow(top));
    const std::vector<std::string> expected = {"top destroy", "a destroy",   "a ncdestroy",
                                               "b destroy",   "b ncdestroy", "top ncdestroy"};
    EXPECT_EQ(expected, g_log);
    for (HWND gone : {top, a, b})
        EXPECT_FALSE(IsWindow(gone));
    SetLastError(0);
    EXPECT_EQ(0, SendMessageW(a, WM_USER + 1, 1, 2));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}

TEST_F(WindowTest, RefusedCreationLeavesNoWindow) {
    int refuse = -1;
    const auto before = ui::TopLevelWindows().size();
    EXPECT_EQ(nullptr, Make(u"refused", nullptr, 0, &refuse));
    EXPECT_EQ(before, ui::TopLevelWindows().size());
    SetLastError(0);
    EXPECT_EQ(nullptr, CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 1, 1, nullptr, nullptr,
                                       nullptr, nullptr));
    EXPECT_EQ(ERROR_CANNOT_FIND_WND_CLASS, GetLastError());
    EXPECT_EQ(nullptr, CreateWindowExW(0, u"Recorder", u"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr,
                                       nullptr, nullptr));
    WNDCLASSW cls{};
    cls.lpfnWndProc = RecordingProc;
    cls.lpszClassName = u"RECORDER"; // class names ignore case
    EXPECT_EQ(0, RegisterClassW(&cls));
    EXPECT_EQ(ERROR_CLASS_ALREADY_EXISTS, GetLastError());
}

TEST_F(WindowTest, TextFocusEnableAndPlacement) {
    HWND top = Make(u"top");
    HWND a = Make(u"a", top, 1);
    HWND b = Make(u"b", top, 2);
    g_log.clear();
    SetFocus(a);
    SetFocus(b);
    EXPECT_EQ(b, GetFocus());
    EXPECT_EQ((std::vector<std::string>{"a setfocus", "a killfocus", "b setfocus"}), g_log);
    EnableWindow(top, FALSE); // disabling takes the focus from a child
    EXPECT_EQ(nullptr, GetFocus());
    EXPECT_FALSE(IsWindowEnabled(top));
    EnableWindow(top, TRUE);

    EXPECT_TRUE(SetWindowTextW(a, u"renamed")); // through the window-station hook
    WCHAR text[4];
    EXPECT_EQ(3, GetWindowTextW(a, text, 4)); // cut to the buffer, always ended
    EXPECT_EQ(std::u16string(u"ren"), text);
    EXPECT_EQ(7, GetWindowTextLengthW(a));

    MoveWindow(top, 10, 20, 300, 200, TRUE);
    MoveWindow(a, 5, 6, 50, 40, TRUE);
    RECT r;
    GetWindowRect(a, &r);
    EXPECT_EQ(15, r.left);
    EXPECT_EQ(26, r.top);
    GetClientRect(a, &r);
    EXPECT_EQ(50, r.right);
    EXPECT_EQ(40, r.bottom);
    POINT p{0, 0};
    ClientToScreen(a, &p);
    EXPECT_EQ(15, p.x);
    ScreenToClient(a, &p);
    EXPECT_EQ(0, p.x);
    EXPECT_FALSE(IsWindowVisible(a)); // the parent is hidden
    ShowWindow(top, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(a));
}

TEST_F(WindowTest, PostedMessagesArriveInOrderAndQuitEndsTheLoop) {
    HWND top = Make(u"top");
    EXPECT_TRUE(PostMessageW(top, WM_USER + 1, 1, 10));
    EXPECT_TRUE(PostMessageW(top, WM_USER + 1, 2, 20));
    PostQuitMessage(3);
    g_log.clear();
    MSG msg;
    int dispatched = 0;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        DispatchMessageW(&msg);
        ++dispatched;
    }
    EXPECT_EQ(WM_QUIT, msg.message);
    EXPECT_EQ(3u, msg.wParam);
    EXPECT_EQ((std::vector<std::string>{"top user 1 10", "top user 2 20"}), g_log);
    // A destroyed window's queued messages go with it.
    EXPECT_TRUE(PostMessageW(top, WM_USER + 1, 3, 30));
    DestroyWindow(top);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER + 1, PM_REMOVE));
    EXPECT_FALSE(PostMessageW(top, WM_USER + 1, 4, 40));
}

TEST_F(WindowTest, TimersFireFromTheLoopUntilKilled) {
    HWND top = Make(u"top");
    EXPECT_EQ(7u, SetTimer(top, 7, 15, nullptr));
    g_log.clear();
    const auto start = std::chrono::steady_clock::now();
    MSG msg;
    while (g_log.size() < 3 && GetMessageW(&msg, nullptr, 0, 0))
        DispatchMessageW(&msg);
    EXPECT_EQ((std::vector<std::string>{"top timer 7", "top timer 7", "top timer 7"}), g_log);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
    EXPECT_TRUE(KillTimer(top, 7));
    EXPECT_FALSE(KillTimer(top, 7));
    PostMessageW(top, WM_USER + 1, 0, 0);
    g_log.clear();
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_EQ((std::vector<std::string>{"top user 0 0"}), g_log);

    static int calls = 0;
    calls = 0;
    const UINT_PTR id = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
    EXPECT_NE(0u, id);
    while (calls < 2 && GetMessageW(&msg, nullptr, 0, 0))
        DispatchMessageW(&msg);
    EXPECT_EQ(2, calls);
    EXPECT_TRUE(KillTimer(nullptr, id));
}

TEST_F(WindowTest, AcceleratorsMatchKeyAndModifiers) {
    HWND top = Make(u"top");
    const ACCEL table[] = {{FVIRTKEY | FCONTROL, 'N', 32771},
                           {FVIRTKEY | FSHIFT, VK_DELETE, 57635},
                           {FVIRTKEY, VK_F1, 57670}};
    HACCEL accel = CreateAcceleratorTableW(table, 3);
    ASSERT_TRUE(accel);
    EXPECT_EQ(3, CopyAcceleratorTableW(accel, nullptr, 0));
    struct Case {
        std::vector<UINT> held;
        UINT key;
        std::string expected;
    };
    const Case cases[] = {
        {{VK_CONTROL}, 'N', "top command 32771 1"}, {{}, 'N', ""},
        {{VK_CONTROL, VK_SHIFT}, 'N', ""},          {{VK_SHIFT}, VK_DELETE, "top command 57635 1"},
        {{}, VK_F1, "top command 57670 1"},
    };
    for (const auto& c : cases) {
        g_log.clear();
        for (UINT k : c.held)
            ui::SetKeyDown(k, true);
        MSG msg{top, WM_KEYDOWN, c.key, 0, 0, {0, 0}};
        EXPECT_EQ(!c.expected.empty(), TranslateAcceleratorW(top, accel, &msg) != 0) << c.key;
        EXPECT_EQ(c.expected, g_log.empty() ? "" : g_log.front()) << c.key;
        for (UINT k : c.held)
            ui::SetKeyDown(k, false);
    }
    EXPECT_TRUE(DestroyAcceleratorTable(accel));
}

TEST_F(WindowTest, WaitCursorIsCountedAndMetricsAreSettable) {
    const int shown = ui::WaitCursorShownCount();
    ui::BeginWaitCursor();
    ui::BeginWaitCursor();
    EXPECT_EQ(2, ui::WaitCursorDepth());
    ui::EndWaitCursor();
    EXPECT_EQ(1, ui::WaitCursorDepth());
    ui::EndWaitCursor();
    ui::EndWaitCursor(); // an extra end does not go below zero
    EXPECT_EQ(0, ui::WaitCursorDepth());
    EXPECT_EQ(shown + 1, ui::WaitCursorShownCount());

    EXPECT_EQ(640, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(240, GetSystemMetrics(SM_CYSCREEN));
    ui::SetScreenSize(240, 320);
    EXPECT_EQ(240, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(320, GetSystemMetrics(SM_CYSCREEN));
    ui::SetScreenSize(640, 240);
    EXPECT_EQ(0, GetSystemMetrics(9999));
}

TEST_F(WindowTest, CreationHookSeesTheWindowBeforeItsFirstMessage) {
    HWND seen = nullptr;
    std::size_t logAtHook = 99;
    g_log.clear();
    ui::HookNextWindowCreation([&](HWND h) {
        seen = h;
        logAtHook = g_log.size();
    });
    HWND top = Make(u"hooked");
    EXPECT_EQ(top, seen);
    EXPECT_EQ(0u, logAtHook);
    seen = nullptr;
    Make(u"second"); // the hook is for one window only
    EXPECT_EQ(nullptr, seen);
}

} // namespace
