// The application manager's ini file: what it takes and what it refuses.
#include "peers/ceappmgr/app_manager_ini.h"

#include <gtest/gtest.h>

namespace {

using ceappmgr::ParseAppManagerIni;

constexpr char kGood[] = "; made by the build\r\n"
                         "[CEAppManager]\r\n"
                         "Version = 1.0\r\n"
                         "Component = Jotterwick, Extras\r\n"
                         "\r\n"
                         "[jotterwick]\r\n"
                         "description = \"Jotterwick notes\"\r\n"
                         "CABFILES = jotta.zip\r\n"
                         "[Extras]\n"
                         "Description=More\n"
                         "CabFiles=a.zip,b.zip\n";

void ExpectRefused(const std::string& text, const std::string& reason) {
    const auto ini = ParseAppManagerIni(text, "jotta.ini");
    ASSERT_FALSE(ini.ok()) << "accepted; expected: " << reason;
    EXPECT_NE(std::string::npos, ini.status().message().find("jotta.ini: " + reason))
        << ini.status().message();
}

TEST(AppManagerIni, ReadsComponentsAndTheirPackagesWhateverTheCaseAndLineEnds) {
    auto ini = ParseAppManagerIni(kGood, "jotta.ini");
    ASSERT_TRUE(ini.ok()) << ini.status().message();
    ASSERT_EQ(2u, ini->components.size());
    EXPECT_EQ("Jotterwick", ini->components[0].name);
    EXPECT_EQ("Jotterwick notes", ini->components[0].description);
    EXPECT_EQ(std::vector<std::string>{"jotta.zip"}, ini->components[0].packageFiles);
    EXPECT_EQ((std::vector<std::string>{"a.zip", "b.zip"}), ini->components[1].packageFiles);
}

TEST(AppManagerIni, MissingPiecesAreNamed) {
    const std::string component = "[Jotterwick]\nDescription = J\nCabFiles = jotta.zip\n";
    ExpectRefused("", "no [CEAppManager] section");
    ExpectRefused(component, "no [CEAppManager] section");
    ExpectRefused("[CEAppManager]\nComponent = Jotterwick\n" + component,
                  "[CEAppManager] needs Version = 1.0");
    ExpectRefused("[CEAppManager]\nVersion = 2.0\nComponent = Jotterwick\n" + component,
                  "[CEAppManager] needs Version = 1.0");
    ExpectRefused("[CEAppManager]\nVersion = 1.0\n" + component,
                  "[CEAppManager] names no Component");
    ExpectRefused("[CEAppManager]\nVersion = 1.0\nComponent = Jotterwick\n",
                  "the component Jotterwick has no section [Jotterwick]");
    ExpectRefused("[CEAppManager]\nVersion = 1.0\nComponent = Jotterwick\n[Jotterwick]\n"
                  "Description = J\n",
                  "[Jotterwick] needs a Description and CabFiles");
    ExpectRefused("[CEAppManager]\nVersion = 1.0\nComponent = Jotterwick\n[Jotterwick]\n"
                  "CabFiles = jotta.zip\n",
                  "[Jotterwick] needs a Description and CabFiles");
}

TEST(AppManagerIni, PackageFilesOutsideTheIniFolderAreRefused) {
    for (const char* name : {"..\\jotta.zip", "../jotta.zip", "/etc/passwd", "C:\\jotta.zip",
                             "sub\\jotta.zip", "..", ".lock", "jot*.zip", ""}) {
        SCOPED_TRACE(name);
        ExpectRefused(std::string("[CEAppManager]\nVersion = 1.0\nComponent = J\n[J]\n"
                                  "Description = J\nCabFiles = jotta.zip, ") +
                          name + "\n",
                      "[J] CabFiles: \"" + std::string(name) + "\" is not a file name");
    }
    for (const char* name : {"..", ".take-1", "A\\B", "A/B", "J:"}) {
        SCOPED_TRACE(name);
        ExpectRefused(std::string("[CEAppManager]\nVersion = 1.0\nComponent = ") + name + "\n",
                      "the component name \"" + std::string(name) + "\" is not a plain name");
    }
}

TEST(AppManagerIni, MalformedTextIsRefusedWithItsLine) {
    const std::string head = "[CEAppManager]\nVersion = 1.0\n";
    ExpectRefused(head + "Component\n", "line 3: neither a [section] nor a key = value line");
    ExpectRefused("Version = 1.0\n", "line 1: a value before the first section");
    ExpectRefused(head + "[CEAppManager\n", "line 3: a section name without its closing ]");
    ExpectRefused(head + "[ceappmanager]\n", "line 3: the section [ceappmanager] is repeated");
    ExpectRefused(head + "version = 1.0\n", "line 3: the key version is repeated");
    ExpectRefused(head + "Component = J\x1b\n", "line 3: a control character");
    ExpectRefused(head + std::string(2000, 'x') + "\n", "line 3 is longer than 1024 bytes");
    ExpectRefused(std::string("[CEAppManager]\0\n", 16), "not a text file");
    ExpectRefused(std::string(ceappmgr::kMaxIniBytes + 1, ';'), "larger than");
}

} // namespace
