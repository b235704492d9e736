// Shared set-up of the window-system tests: a fresh handheld directory, the
// scripted user failing the test on any prompt it did not expect, and no
// window left behind.
#pragma once

#include "platform/ce/machine.h"
#include "platform/ui/headless/scripted_user.h"
#include "platform/ui/winuser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace uitest {

class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int serial = 0;
        dir = std::filesystem::temp_directory_path() /
              ("jotterwick_ui_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
        std::filesystem::create_directories(dir);
        ce::SetHandheldDirectory(dir.string());
        // And for the helper programs a test starts.
        setenv("JOTTERWICK_HANDHELD", dir.c_str(), 1);
        user().Finish();
        user().SetProblemHandler(
            [](const std::string& p) { ADD_FAILURE() << "scripted user: " << p; });
    }
    void TearDown() override {
        for (HWND top : ui::TopLevelWindows())
            DestroyWindow(top);
        DrainMessages();
        EXPECT_TRUE(user().AssertDone());
        user().SetProblemHandler(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    static ui::ScriptedUser& user() { return ui::ScriptedUser::Instance(); }

public:
    // Handles everything pending, including a quit request left by a test.
    static void DrainMessages() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }

protected:
    std::filesystem::path dir;
};

} // namespace uitest
