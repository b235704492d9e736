// The note rules are the one place where the two halves of the system meet
// in code. These checks read the include lines of the sources and fail with
// each one that reaches across: the shared rules know nothing but the base
// types, the desktop nothing of the handheld's code, the handheld provider
// nothing of the notes program or the desktop, jsync no provider's code.
#include "support/dependencies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> IncludesReaching(const std::string& folder,
                                          const std::vector<std::string>& forbidden,
                                          const std::vector<std::string>& allowed = {}) {
    return testsupport::IncludesReaching(JOTTERWICK_SOURCE_DIR, folder, forbidden, allowed);
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
