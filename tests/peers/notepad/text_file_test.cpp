// Notepad's files: read as the edit control keeps text, saved whole or not at all.
#include "peers/notepad/text_file.h"
#include "support/machine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class TextFile : public ::testing::Test {
protected:
    void SetUp() override { machines = std::make_unique<testsupport::TempMachines>(); }
    std::string File(const std::string& bytes) {
        const std::string path = machines->desktop() + "/notes.txt";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::unique_ptr<testsupport::TempMachines> machines;
};

TEST_F(TextFile, ReadsLinesAsTheEditControlKeepsThem) {
    auto text = notepad::ReadTextFile(File("one\ntwo\r\nthree"));
    ASSERT_TRUE(text.ok()) << text.status().message();
    EXPECT_EQ(u"one\r\ntwo\r\nthree", text.value());
    text = notepad::ReadTextFile(machines->desktop() + "/new.txt");
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(u"", text.value());
}

TEST_F(TextFile, RefusesWhatIsNotTextOrTooLarge) {
    auto text = notepad::ReadTextFile(File(std::string("bin\0ary", 7)));
    ASSERT_FALSE(text.ok());
    EXPECT_NE(std::string::npos, text.status().message().find("is not a text file"));
    text = notepad::ReadTextFile(File(std::string(notepad::kMaxFileBytes + 1, 'x')));
    ASSERT_FALSE(text.ok());
    EXPECT_NE(std::string::npos, text.status().message().find("is too large for Notepad"));
    text = notepad::ReadTextFile(machines->desktop());
    EXPECT_FALSE(text.ok());
}

TEST_F(TextFile, SavesWholeKeepingThePermissionsOrLeavesTheOldFile) {
    const std::string path = File("old");
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(notepad::WriteTextFile(path, u"new\r\ntext \u00e9").ok());
    EXPECT_EQ("new\r\ntext \xc3\xa9", Contents(path));
    struct stat st {};
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 0777);

    const auto failed = notepad::WriteTextFile(machines->desktop() + "/missing/notes.txt", u"x");
    ASSERT_FALSE(failed.ok());
    EXPECT_NE(std::string::npos, failed.message().find("cannot save")) << failed.message();
    // No half-written file is left beside the old one.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(machines->desktop()))
        files += entry.is_regular_file() && entry.path().filename().string().rfind("notes", 0) == 0;
    EXPECT_EQ(1, files);
}

} // namespace
