// Which machine a process's windows run on when it loads both machines'
// libraries (as jsync does), and the desktop's own window station.
#include "platform/ce/machine.h"
#include "platform/ce/window_station.h"
#include "platform/win32/machine.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace {

TEST(DesktopMachineTest, TheHandheldIsTheDefaultAndAnInstalledDesktopStays) {
    testsupport::TempMachines machines;
    // Loading the handheld's library offered its machine.
    platform::Machine* handheld = platform::InstalledMachine();
    ASSERT_EQ(&ce::HandheldStation(), handheld);
    EXPECT_EQ(ce::HandheldDirectory(), handheld->Folder());
    EXPECT_FALSE(platform::OfferMachine(&win32::DesktopMachine()))
        << "an offer never replaces a machine";

    platform::InstallMachine(&win32::DesktopMachine());
    EXPECT_EQ(win32::DesktopDirectory(), platform::InstalledMachine()->Folder());
    EXPECT_FALSE(platform::OfferMachine(handheld)) << "a library loaded later changes nothing";
    EXPECT_EQ(&win32::DesktopMachine(), platform::InstalledMachine());
    platform::InstallMachine(handheld);
}

TEST(DesktopMachineTest, TheDesktopStationIsItsOwn) {
    testsupport::TempMachines machines;
    platform::StationMachine& desktop = win32::DesktopMachine();
    HWND window = desktop.CreateStationWindow(u"OptionsHost", u"Jotterwick Options");
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(std::filesystem::exists(machines.desktop() + "/windows.db"));
    EXPECT_EQ(window, desktop.FindStationWindow(nullptr, u"Jotterwick Options"));
    EXPECT_EQ(nullptr, ce::FindStationWindow(nullptr, u"Jotterwick Options"))
        << "the handheld's station does not hold desktop windows";

    // Another process of the desktop reaches the window through the station.
    const pid_t child = fork();
    if (child == 0) {
        HWND found = win32::DesktopMachine().FindStationWindow(u"optionshost", nullptr);
        _exit(found == window && win32::DesktopMachine().PostStationMessage(found, 0x0401, 5, 6)
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    platform::StationMessage message;
    ASSERT_TRUE(desktop.ReceiveStationMessage(&message, 2000));
    EXPECT_EQ(window, message.hwnd);
    EXPECT_EQ(0x0401u, message.message);
    EXPECT_EQ(5u, message.wParam);
    EXPECT_EQ(6, message.lParam);
    // Its socket is in the desktop's run/ folder.
    bool socketThere = false;
    for (const auto& entry : std::filesystem::directory_iterator(machines.desktop() + "/run"))
        socketThere = socketThere || entry.path().extension() == ".sock";
    EXPECT_TRUE(socketThere);
    EXPECT_TRUE(desktop.DestroyStationWindow(window));
    EXPECT_EQ(nullptr, desktop.FindStationWindow(u"OptionsHost", nullptr));
}

} // namespace
