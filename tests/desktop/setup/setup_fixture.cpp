#include "setup_fixture.h"

#include "platform/ui/message_box.h"
#include "platform/win32/registry.h"

#include <cstdlib>
#include <fstream>

namespace setuptest {

const std::u16string kErrorOpenInf = u"Error opening INF file!";
const std::u16string kErrorPrepareCopy = u"Error preparing copy!";
const std::u16string kErrorRegistry = u"Error updating the registry!";
const std::u16string kErrorCommit = u"Error while queue commit!";
const std::u16string kInstallDevice =
    u"Jotterwick will now be installed on your CE device.\nAfter this step you must disconnect "
    u"your device and close all ActiveSync desktop windows!\nOn your next reconnect you can "
    u"synchronize your Outlook notes with Jotterwick.";
const std::u16string kErrorSpawnAppMgr = u"Error spanwning CEAppMgr!";
const std::u16string kDesktopIncomplete =
    u"The desktop part of Jotterwick was not installed completely: synchronization will not "
    u"work. Run setup again once the errors above are mended.";

SetupTest::SetupTest() {
    std::filesystem::create_directories(dist);
    const auto copy = [&](const std::filesystem::path& from) {
        std::filesystem::copy_file(from, dist / from.filename(),
                                   std::filesystem::copy_options::overwrite_existing);
    };
    copy(testsupport::BuiltProgram("desktop/setup/setup"));
    copy(testsupport::BuiltProgram("desktop/sync/libjottapc.so"));
    copy(std::filesystem::path(JOTTERWICK_SOURCE_DIR) / "desktop/setup/Jottapc.inf");
    copy(std::filesystem::path(JOTTERWICK_SOURCE_DIR) / "desktop/setup/readme.txt");
    setenv("JOTTERWICK_HEADLESS", "1", 1);
    // Programs started with a console of their own stay out of any tmux the
    // suite runs in.
    unsetenv("TMUX");
    setenv("SETUP_TEST_RECORD", record.c_str(), 1);
}

SetupTest::~SetupTest() {
    unsetenv("JOTTERWICK_SCRIPT");
    unsetenv("JOTTERWICK_PROMPT_LOG");
    unsetenv("SETUP_TEST_RECORD");
}

std::vector<std::string> SetupTest::ScriptLines(const std::vector<ui::Expectation>& script) {
    std::vector<std::string> lines;
    for (const ui::Expectation& expectation : script)
        lines.push_back(ui::FormatScriptLine(expectation));
    return lines;
}

int SetupTest::RunSetup(const std::vector<ui::Expectation>& script,
                        const std::vector<std::string>& args) {
    {
        std::ofstream out(m_script, std::ios::trunc);
        for (const std::string& line : ScriptLines(script))
            out << line << "\n";
    }
    std::filesystem::remove(m_log);
    setenv("JOTTERWICK_SCRIPT", m_script.c_str(), 1);
    setenv("JOTTERWICK_PROMPT_LOG", m_log.c_str(), 1);
    testsupport::ChildProcess setup((dist / "setup").string(), args);
    return setup.Wait();
}

std::vector<std::string> SetupTest::Prompts() const {
    std::vector<std::string> lines;
    std::ifstream in(m_log);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::filesystem::path SetupTest::RecordingProgram(const std::filesystem::path& folder,
                                                  const std::string& name) const {
    std::filesystem::create_directories(folder);
    const auto path = folder / name;
    std::ofstream(path)
        << "#!/bin/sh\nprintf '%s\\n' \"$JOTTERWICK_DESKTOP\" > \"$SETUP_TEST_RECORD.desktop\"\n"
        << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \""
        << "$SETUP_TEST_RECORD.tmp\" && mv \"$SETUP_TEST_RECORD.tmp\" "
        << "\"$SETUP_TEST_RECORD\"\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

std::vector<std::string> SetupTest::Recorded() const {
    std::vector<std::string> lines;
    if (!testsupport::WaitFor([&] { return std::filesystem::exists(record); }, 10000))
        return {"<the program was not started>"};
    std::ifstream in(record);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void SetupTest::RegisterAppManager(const std::string& program) const {
    ASSERT_EQ(ERROR_SUCCESS,
              win32::WriteRegistryText(
                  HKEY_LOCAL_MACHINE,
                  "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE", nullptr,
                  program));
}

ui::Expectation SetupTest::Box(const std::u16string& text) {
    ui::Expectation box;
    box.kind = ui::PromptKind::MessageBox;
    box.caption = u"setup";
    box.text = text;
    box.button = IDOK;
    return box;
}

ui::Expectation SetupTest::Dialog(const std::u16string& caption, int button) {
    ui::Expectation dialog;
    dialog.kind = ui::PromptKind::Dialog;
    dialog.caption = caption;
    dialog.button = button;
    return dialog;
}

} // namespace setuptest
