// The note rules are the one place where the two halves of the system meet
// in code. These checks read the include lines of the sources and fail with
// each one that reaches across: the shared rules know nothing but the base
// types, the desktop nothing of the handheld's code, the handheld provider
// nothing of the notes program or the desktop, jsync no provider's code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Every "quoted" include under `folder` that begins with one of `forbidden`
// and with none of `allowed`, as "file:line: path".
std::vector<std::string> IncludesReaching(const std::string& folder,
                                          const std::vector<std::string>& forbidden,
                                          const std::vector<std::string>& allowed = {}) {
    static const std::regex kInclude(R"(^\s*#\s*include\s*"([^"]+)\")");
    const fs::path root(JOTTERWICK_SOURCE_DIR);
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp"))
            continue;
        std::ifstream file(entry.path());
        std::string line;
        for (int number = 1; std::getline(file, line); ++number) {
            std::smatch match;
            if (!std::regex_search(line, match, kInclude))
                continue;
            const std::string path = match[1];
            auto startsWith = [&path](const std::string& prefix) {
                return path.rfind(prefix, 0) == 0;
            };
            bool bad = false;
            for (const auto& prefix : forbidden)
                bad = bad || startsWith(prefix);
            for (const auto& prefix : allowed)
                bad = bad && !startsWith(prefix);
            if (bad)
                found.push_back(fs::relative(entry.path(), root).string() + ":" +
                                std::to_string(number) + ": " + line);
        }
    }
    return found;
}

TEST(Dependencies, TheSharedNoteRulesKnowOnlyTheBaseTypes) {
    EXPECT_EQ(std::vector<std::string>{},
              IncludesReaching("shared", {""}, {"shared/notes/", "platform/base/"}));
}

TEST(Dependencies, TheDesktopIncludesNothingOfTheHandheld) {
    EXPECT_EQ(std::vector<std::string>{}, IncludesReaching("desktop", {"device/"}));
}

TEST(Dependencies, TheHandheldProviderIncludesNeitherTheNotesProgramNorTheDesktop) {
    EXPECT_EQ(std::vector<std::string>{},
              IncludesReaching("device/sync", {"device/app/", "desktop/", "peers/"}));
}

TEST(Dependencies, JsyncReadsNotesOnlyThroughTheSharedRules) {
    // The desktop provider's public header names its class; nothing else of
    // either provider is jsync's.
    EXPECT_EQ(
        std::vector<std::string>{},
        IncludesReaching("peers/activesync", {"device/", "desktop/"}, {"desktop/sync/jottapc.h"}));
}

} // namespace
