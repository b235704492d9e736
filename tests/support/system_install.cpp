#include "support/system_install.h"

#include "support/machine.h"

#include "platform/ce/machine.h"
#include "platform/win32/machine.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

constexpr int kPackageWaitMs = 20000;

std::string Quote(const std::string& arg) {
    std::string out = "'";
    for (char c : arg)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Ran {
    int status = -1;
    std::string output;
};

// Runs `command` (words quoted here) with `environment` ("NAME=value"
// words for env) and standard error joined to standard output.
Ran Run(const std::vector<std::string>& environment, const std::vector<std::string>& command) {
    // Programs started with a console of their own stay out of any tmux the
    // suite runs in.
    std::string line = "exec env -u TMUX";
    for (const std::string& word : environment)
        line += " " + Quote(word);
    for (const std::string& word : command)
        line += " " + Quote(word);
    ChildProcess child("/bin/sh", {"-c", line + " 2>&1"});
    Ran ran;
    ran.status = child.Wait();
    ran.output = child.Output();
    return ran;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::string InstallSystem(const std::string& buildDir, const std::string& handheld,
                          const std::string& desktop) {
    const std::vector<std::string> machines = {"JOTTERWICK_HANDHELD=" + handheld,
                                               "JOTTERWICK_DESKTOP=" + desktop};
    const Ran outlook = Run(machines, {buildDir + "/peers/outlook/outlook-notes", "register"});
    if (outlook.status != 0)
        return "outlook-notes register failed: " + outlook.output;

    const Ran first = Run(machines, {buildDir + "/peers/activesync/jsync"});
    if (first.status != 1 ||
        first.output.find("Jotterwick is not installed on the desktop") == std::string::npos)
        return "jsync before the installation (status " + std::to_string(first.status) +
               "): " + first.output;

    // The person presses Install and reads the handheld message.
    const fs::path scratch = fs::path(desktop).parent_path();
    const fs::path script = scratch / ("setup-script-" + fs::path(desktop).filename().string());
    const fs::path log = scratch / ("setup-prompts-" + fs::path(desktop).filename().string());
    std::ofstream(script, std::ios::trunc)
        << "dialog\tJotterwick V1.02 Setup\tOK\n"
        << "box\tsetup\tJotterwick will now be installed on your CE device.\\nAfter this step "
           "you must disconnect your device and close all ActiveSync desktop windows!\\nOn your "
           "next reconnect you can synchronize your Outlook notes with Jotterwick.\tOK\n";
    fs::remove(log);
    const Ran setup = Run({"JOTTERWICK_HEADLESS=1", "JOTTERWICK_SCRIPT=" + script.string(),
                           "JOTTERWICK_PROMPT_LOG=" + log.string()},
                          {buildDir + "/dist/setup", "--desktop", desktop});
    const std::string prompts = ReadAll(log);
    const std::string unanswered = ReadAll(script);
    fs::remove(script);
    fs::remove(log);
    // An unexpected prompt (a failed step's message) is logged with a leading "!".
    const bool unexpected = prompts.rfind('!', 0) == 0 || prompts.find("\n!") != std::string::npos;
    if (setup.status != 0 || unexpected || !unanswered.empty())
        return "setup (status " + std::to_string(setup.status) + ") asked:\n" + prompts +
               "\nleft unasked:\n" + unanswered + "\nsaid: " + setup.output;

    // setup does not wait for the application manager it starts.
    const fs::path package = fs::path(desktop) / "CE App Manager" / "Jotterwick" / "jotta.zip";
    if (!WaitFor([&] { return fs::exists(package); }, kPackageWaitMs))
        return "the application manager did not take the handheld package into " +
               package.parent_path().string();
    return "";
}

std::string InstallPendingOnHandheld(const std::string& buildDir, const std::string& handheld,
                                     const std::string& desktop) {
    const Ran manager = Run(
        {}, {buildDir + "/peers/ceappmgr/ceappmgr", "--desktop", desktop, "--handheld", handheld});
    if (manager.status != 0 ||
        manager.output.find("installed on the handheld") == std::string::npos)
        return "ceappmgr --handheld (status " + std::to_string(manager.status) +
               "): " + manager.output;
    return "";
}

namespace {

// $JOTTERWICK_BUILD_DIR, as CTest sets it; "" without it.
std::string BuildDir() {
    const char* build = std::getenv("JOTTERWICK_BUILD_DIR");
    return build ? build : "";
}

constexpr char kNoBuildDir[] = "JOTTERWICK_BUILD_DIR is not set (run the test through ctest)";

} // namespace

std::string InstallSystemOn(const std::string& desktop) {
    if (BuildDir().empty())
        return kNoBuildDir;
    return InstallSystem(BuildDir(), ce::ChosenHandheldDirectory(), desktop);
}

std::string InstallSystem() {
    return InstallSystemOn(win32::ChosenDesktopDirectory());
}

std::string InstallPendingOnHandheld() {
    if (BuildDir().empty())
        return kNoBuildDir;
    return InstallPendingOnHandheld(BuildDir(), ce::ChosenHandheldDirectory(),
                                    win32::ChosenDesktopDirectory());
}

} // namespace testsupport
