// ceappmgr: the application manager of the handheld on the desktop.
#include "peers/ceappmgr/app_manager.h"
#include "platform/base/installation.h"
#include "platform/ce/machine.h"
#include "platform/win32/machine.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace {

constexpr char kUsage[] =
    "usage: ceappmgr [--desktop DIR] INI\n"
    "       ceappmgr [--desktop DIR] --handheld DIR\n"
    "The application manager: takes the handheld packages that INI (an installer's\n"
    "package description, e.g. \"C:\\Setup\\jotta.ini\" or setup/jotta.ini) names into\n"
    "its store on the desktop; each handheld gets them at its next synchronization.\n"
    "  --desktop DIR   the desktop's directory\n"
    "  --handheld DIR  install the pending packages on this handheld now, as jsync\n"
    "                  does when the handheld connects\n"
    "  --help          this help\n"
    "  --version       the version\n";

int Refuse(const std::string& problem) {
    std::fputs(platform::ArgumentErrorText("ceappmgr", problem).c_str(), stderr);
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "ceappmgr: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::optional<std::string> ini, handheld;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs(platform::VersionText("ceappmgr").c_str(), stdout);
            return 0;
        }
        if (arg == "--desktop" || arg == "--handheld") {
            if (i + 1 >= argc)
                return Refuse(arg + " needs a directory");
            if (arg == "--desktop")
                win32::SetDesktopDirectory(argv[++i]);
            else
                handheld = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            return Refuse("unknown option " + arg);
        } else if (ini) {
            return Refuse("unexpected argument: " + arg);
        } else {
            ini = arg;
        }
    }
    if (ini.has_value() == handheld.has_value())
        return Refuse("give either an ini file or --handheld DIR");

    if (ini) {
        const auto lines = ceappmgr::TakePackages(*ini);
        if (!lines.ok())
            return Fail(lines.status().message());
        for (const std::string& line : lines.value())
            std::printf("%s\n", line.c_str());
        return 0;
    }

    // Never makes a handheld: one is made by the notes program or ceutil init.
    std::error_code error;
    if (!std::filesystem::is_regular_file(*handheld + "/objectstore.db", error))
        return Fail("there is no handheld in " + *handheld + " (make one with 'ceutil init')");
    ce::SetHandheldDirectory(*handheld);
    const auto done = ceappmgr::InstallPending(false);
    if (!done.ok())
        return Fail(done.status().message());
    if (done.value().empty())
        std::printf("no package is pending for the handheld %s\n", handheld->c_str());
    for (const auto& installation : done.value())
        std::printf("%s\n", ceappmgr::DescribeInstallation(installation, *handheld).c_str());
    return 0;
}
