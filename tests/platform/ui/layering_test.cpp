// The window system sits on the kernel alone: it knows window classes, not
// the framework's classes, and reaches the handheld only through the machine
// installed for the process. These checks read the sources' include lines
// and the built modules' NEEDED entries, and fail naming each file:line or
// load chain that reaches across.
#include "support/dependencies.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> items;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ':');)
        if (!item.empty())
            items.push_back(item);
    return items;
}

// Each module of `modules` that comes to load `library`, with its chain.
std::vector<std::string> ModulesLoading(const std::vector<std::string>& modules,
                                        const std::string& library) {
    std::vector<std::string> found;
    for (const auto& module : modules)
        if (auto chain = testsupport::LoadChain(module, library, JOTTERWICK_BUILD_ROOT);
            !chain.empty())
            found.push_back(chain);
    return found;
}

TEST(Layering, TheWindowSystemIncludesNeitherTheFrameworkNorTheHandheld) {
    EXPECT_EQ(std::vector<std::string>{},
              testsupport::IncludesReaching(JOTTERWICK_SOURCE_DIR, "platform/ui",
                                            {"platform/mfc/", "platform/ce/"}));
}

TEST(Layering, TheDesktopsModulesDoNotLoadTheHandheldsObjectStore) {
    const auto modules = Split(DESKTOP_MODULES);
    ASSERT_GE(modules.size(), 5u) << DESKTOP_MODULES;
    EXPECT_EQ(std::vector<std::string>{}, ModulesLoading(modules, "libplatform_ce.so"));
}

// The checks above pass only if they can see what they look for.
TEST(Layering, TheChecksFindWhatIsThere) {
    const auto reaching = testsupport::IncludesReaching(JOTTERWICK_SOURCE_DIR, "platform/mfc",
                                                        {"platform/ui/commctrl.h"});
    ASSERT_FALSE(reaching.empty());
    EXPECT_EQ(0u, reaching.front().rfind("platform/mfc/", 0)) << reaching.front();
    EXPECT_NE(std::string::npos, reaching.front().find(": #include \"platform/ui/commctrl.h\""))
        << reaching.front();

    // The desktop's modules in the order DESKTOP_MODULES lists them (separated by ':').
    const auto modules = Split(DESKTOP_MODULES);
    EXPECT_EQ(std::vector<std::string>{"libjottapc.so -> libplatform_com.so"},
              ModulesLoading({modules.at(2)}, "libplatform_com.so"));
    // Directly or through libplatform_win32.so, as the linker chose.
    const std::string chain =
        testsupport::LoadChain(modules.at(1), "libplatform_ui.so", JOTTERWICK_BUILD_ROOT);
    EXPECT_EQ(0u, chain.rfind("libplatform_com.so -> ", 0)) << chain;
    EXPECT_TRUE(chain.ends_with(" -> libplatform_ui.so")) << chain;
}

TEST(Layering, AFileThatIsNoElfModuleIsRefusedByName) {
    try {
        testsupport::NeededLibraries(JOTTERWICK_SOURCE_DIR "/README.md");
        FAIL() << "README.md read as an ELF file";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("README.md")) << e.what();
    }
}

} // namespace
