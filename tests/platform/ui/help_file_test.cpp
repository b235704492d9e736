// Help files: what the viewer makes of each kind of line, where it finds the
// file, and the files it refuses whole.
#include "platform/ui/help_file.h"

#include "platform/base/unicode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

using Kind = ui::HelpBlock::Kind;

std::string Dump(const ui::HelpDocument& document) {
    std::string out;
    for (const auto& block : document.blocks) {
        const char* kind = block.kind == Kind::Heading      ? "H"
                           : block.kind == Kind::Subheading ? "h"
                           : block.kind == Kind::Item       ? "-"
                           : block.kind == Kind::Verbatim   ? "v"
                                                            : "p";
        out += std::string(kind) + " " + unicode::ToUtf8(block.text) + "\n";
    }
    return out;
}

TEST(HelpFile, HeadingsParagraphsItemsAndVerbatimLines) {
    const auto document = ui::ParseHelpFile("JOTTERWICK-HELP 1\r\n"
                                            "= Notes\r\n"
                                            "A paragraph runs\n"
                                            "over two lines.\n"
                                            "\n"
                                            "Another\tone.\n"
                                            "== Keys\n"
                                            "  Ctrl+N   new\n"
                                            "  Ctrl+S   save\n"
                                            "- first item\n"
                                            "  goes on\n"
                                            "- second item\n"
                                            "continued\n"
                                            "\n"
                                            "= Caf\xC3\xA9 \xF0\x9F\x8D\xB5\n",
                                            "t.htc");
    ASSERT_TRUE(document.ok()) << document.status().message();
    // An indented line after an item is a verbatim line, not its continuation.
    EXPECT_EQ("H Notes\n"
              "p A paragraph runs over two lines.\n"
              "p Another one.\n"
              "h Keys\n"
              "v Ctrl+N   new\n"
              "v Ctrl+S   save\n"
              "- first item\n"
              "v goes on\n"
              "- second item continued\n"
              "H Caf\xC3\xA9 \xF0\x9F\x8D\xB5\n",
              Dump(document.value()));
}

TEST(HelpFile, DamagedFilesAreRefusedNamingTheLine) {
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"empty", "", "t.htc line 1: the file is empty"},
        {"no signature", "= Title\ntext\n", "t.htc line 1: not a help file"},
        {"older signature", "JOTTERWICK-HELP 2\n= Title\n", "t.htc line 1: not a help file"},
        {"cut UTF-8", "JOTTERWICK-HELP 1\n= Title\nab\xC3\n", "t.htc line 3: not UTF-8 text"},
        {"overlong UTF-8", "JOTTERWICK-HELP 1\n= T\xC0\xAF\n", "t.htc line 2: not UTF-8 text"},
        {"NUL", std::string("JOTTERWICK-HELP 1\n= Title\nx\0y\n", 30),
         "t.htc line 3: a control character"},
        {"escape", "JOTTERWICK-HELP 1\n= Title\n\x1b[2J\n", "t.htc line 3: a control character"},
        {"lone CR", "JOTTERWICK-HELP 1\n= Ti\rtle\n", "t.htc line 2: a control character"},
        {"empty heading", "JOTTERWICK-HELP 1\n= Title\n==  \n",
         "t.htc line 3: a heading without a title"},
        {"no heading", "JOTTERWICK-HELP 1\ntext only\n", "t.htc has no heading"},
    };
    for (const auto& c : cases) {
        const auto document = ui::ParseHelpFile(c.bytes, "t.htc");
        ASSERT_FALSE(document.ok()) << c.name;
        EXPECT_EQ(0u, document.status().message().rfind(c.message, 0))
            << c.name << ": " << document.status().message();
    }
    const std::string large =
        "JOTTERWICK-HELP 1\n= Title\n" + std::string(ui::kMaxHelpFileBytes, 'x');
    const auto refused = ui::ParseHelpFile(large, "t.htc");
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(std::string::npos, refused.status().message().find("larger than a help file"))
        << refused.status().message();
}

TEST(HelpFile, LoadsByPathAndSaysWhereItLookedForAMissingOne) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("help_file_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "notes.htc").string();
    std::ofstream(path) << "JOTTERWICK-HELP 1\n= From a file\n";
    const auto loaded = ui::LoadHelpFile(unicode::ToUtf16(path));
    ASSERT_TRUE(loaded.ok()) << loaded.status().message();
    EXPECT_EQ("H From a file\n", Dump(loaded.value()));

    std::filesystem::remove(path);
    const auto gone = ui::LoadHelpFile(unicode::ToUtf16(path));
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), gone.status().code());
    EXPECT_NE(std::string::npos, gone.status().message().find(path)) << gone.status().message();

    // A bare name is looked for beside the program and in the installation's share folder.
    const auto bare = ui::LoadHelpFile(u"no-such-help.htc");
    ASSERT_FALSE(bare.ok());
    EXPECT_NE(std::string::npos,
              bare.status().message().find("../share/jotterwick/no-such-help.htc"))
        << bare.status().message();
    std::filesystem::remove_all(folder);
}

} // namespace
