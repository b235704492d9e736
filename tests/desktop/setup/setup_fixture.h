// Shared set-up of the installer's tests: a fresh desktop, a distribution
// folder whose name has spaces (the installer, Jottapc.inf, readme.txt and
// the desktop provider), and the installer run headless with a script.
#pragma once

#include "platform/ui/headless/scripted_user.h"
#include "platform/ui/message_box.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace setuptest {

class SetupTest : public ::testing::Test {
protected:
    testsupport::TempMachines machines;
    std::filesystem::path root = std::filesystem::path(machines.desktop()).parent_path();
    std::filesystem::path dist = root / "Jotterwick setup folder";
    std::filesystem::path record = root / "started.txt"; // what a started program was given

    SetupTest();
    ~SetupTest() override;

    // Runs the installer in the distribution folder with `args`, the
    // scripted user answering `script`; returns its exit status.
    int RunSetup(const std::vector<ui::Expectation>& script,
                 const std::vector<std::string>& args = {});
    // Every prompt the installer showed, in script form.
    std::vector<std::string> Prompts() const;
    static std::vector<std::string> ScriptLines(const std::vector<ui::Expectation>& script);

    // A program that writes its arguments, one a line, to `record`.
    std::filesystem::path RecordingProgram(const std::filesystem::path& folder,
                                           const std::string& name) const;
    std::vector<std::string> Recorded() const;
    // Registers `program` as the application manager under App Paths.
    void RegisterAppManager(const std::string& program) const;

    static ui::Expectation Box(const std::u16string& text);
    static ui::Expectation Dialog(const std::u16string& caption, int button);

private:
    std::filesystem::path m_log = root / "prompts.log";
    std::filesystem::path m_script = root / "script.txt";
};

// The installer's message texts, as the person reads them.
extern const std::u16string kErrorOpenInf, kErrorPrepareCopy, kErrorRegistry, kErrorCommit,
    kInstallDevice, kErrorSpawnAppMgr, kDesktopIncomplete;

} // namespace setuptest
