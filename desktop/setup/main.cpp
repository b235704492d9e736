// setup [--desktop DIR] [--unattended | --uninstall]: the desktop installer.
#include "desktop/setup/resource.h"
#include "desktop/setup/setup_dlg.h"
#include "desktop/setup/unattended_backend.h"
#include "desktop/setup/uninstall.h"
#include "platform/base/installation.h"
#include "platform/ui/headless/headless_backend.h"
#include "platform/ui/terminal/terminal_backend.h"
#include "platform/win32/machine.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr char kUsage[] =
    "usage: setup [--desktop DIR] [--unattended | --uninstall]\n"
    "Installs Jotterwick's desktop part from Jottapc.inf beside this program and\n"
    "hands the handheld package (jotta.ini) to the application manager. In a\n"
    "terminal it draws with curses, otherwise it runs headless.\n"
    "  --desktop DIR  the desktop's directory (made when missing)\n"
    "  --unattended   install without a person: Install is pressed, each message\n"
    "                 is printed as written and answered with its default button,\n"
    "                 and setup waits for the application manager; exits 1 when\n"
    "                 a step failed\n"
    "  --uninstall    remove what the installation put on the desktop; notes,\n"
    "                 partnerships and the handheld are left alone\n"
    "  --help         this help\n"
    "  --version      the version\n";

int ArgumentError(const std::string& problem) {
    std::fputs(platform::ArgumentErrorText("setup", problem).c_str(), stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    bool uninstall = false, unattended = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--desktop") == 0) {
            if (i + 1 >= argc)
                return ArgumentError("--desktop needs a directory");
            win32::SetDesktopDirectory(argv[++i]);
            // The programs setup starts (the application manager, notepad)
            // run on the same desktop.
            setenv("JOTTERWICK_DESKTOP", argv[i], 1);
        } else if (std::strcmp(argv[i], "--uninstall") == 0) {
            uninstall = true;
        } else if (std::strcmp(argv[i], "--unattended") == 0) {
            unattended = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(platform::VersionText("setup").c_str(), stdout);
            return 0;
        } else {
            return ArgumentError(std::string("unexpected argument: ") + argv[i]);
        }
    }
    if (uninstall && unattended)
        return ArgumentError("--unattended installs: it does not go with --uninstall");
    if (unattended)
        ui::SetBackend(std::make_unique<UnattendedBackend>());
    else
        ui::ChooseTerminalOrHeadless("setup");
    AddSetupResources();
    if (uninstall) {
        std::string problem;
        const int status = UninstallDesktop(InstallerFolder(), &problem);
        ui::SetBackend(std::make_unique<ui::HeadlessBackend>());
        if (status != 0)
            std::fprintf(stderr, "setup: %s\n", problem.c_str());
        else
            std::puts("setup: Jotterwick's desktop part was removed; your notes were left alone");
        return status;
    }
    CSetupDlg dialog;
    dialog.WaitForManager(unattended);
    dialog.DoModal();
    // The service managers register the application manager when they first
    // run; a person who installs before ever synchronizing is told so.
    if (unattended && dialog.managerMissing())
        std::fprintf(stderr,
                     "setup: no application manager is registered on this desktop yet; jsync "
                     "registers it when it first runs: run jsync once, then setup again\n");
    return unattended && dialog.failed() ? 1 : 0;
}
