// The INF reader: its parsing rules, the [Strings] substitutions, and the
// damaged files it refuses with the line at fault.
#include "platform/win32/inf_file.h"

#include "platform/base/status.h"
#include "platform/win32/setupapi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using win32::InfFile;

InfFile Parsed(const std::string& text) {
    auto inf = InfFile::Parse(text);
    EXPECT_TRUE(inf.ok()) << inf.status().message();
    return inf.ok() ? std::move(*inf) : InfFile();
}

std::vector<std::string> FieldsOf(const InfFile& inf, const char* section, const char* key) {
    const win32::InfLine* line = inf.Find(section, key);
    return line ? line->fields : std::vector<std::string>{"<no line>"};
}

TEST(InfReader, SplitsKeysQuotedFieldsAndComments) {
    const InfFile inf =
        Parsed("[Main]\n"
               "  Key  =  plain text ,\"quoted, with ; inside\", \"say \"\"hi\"\"\"\r\n"
               "Empty = a,,c ; the middle field is empty\n"
               "\"Quoted key\" = 1\n"
               "lonely field\n"
               "; a whole comment line\n");
    EXPECT_EQ((std::vector<std::string>{"plain text", "quoted, with ; inside", "say \"hi\""}),
              FieldsOf(inf, "Main", "key"));
    EXPECT_EQ((std::vector<std::string>{"a", "", "c"}), FieldsOf(inf, "main", "EMPTY"));
    EXPECT_EQ((std::vector<std::string>{"1"}), FieldsOf(inf, "Main", "Quoted key"));
    const auto* lines = inf.Section("MAIN");
    ASSERT_NE(nullptr, lines);
    ASSERT_EQ(4u, lines->size());
    EXPECT_FALSE((*lines)[3].key.has_value());
    EXPECT_EQ("lonely field", (*lines)[3].Field(0));
    EXPECT_EQ(5u, (*lines)[3].number);
    // An '=' inside quotes or after the first field does not make a key.
    const InfFile second = Parsed("[S]\n\"a=b\", c=d\n");
    EXPECT_FALSE((*second.Section("S"))[0].key.has_value());
    EXPECT_EQ((std::vector<std::string>{"a=b", "c=d"}), (*second.Section("S"))[0].fields);
}

TEST(InfReader, ABackslashEndingALineJoinsTheNextAndRepeatedSectionsContinue) {
    const InfFile inf = Parsed("[Files]\n"
                               "CopyFiles = one, \\ ; a comment after the backslash\n"
                               "            two, \\\n"
                               "            three\n"
                               "After = x\n"
                               "[files]\n"
                               "More = y\n");
    EXPECT_EQ((std::vector<std::string>{"one", "two", "three"}),
              FieldsOf(inf, "Files", "CopyFiles"));
    EXPECT_EQ(5u, inf.Find("Files", "After")->number);
    EXPECT_EQ((std::vector<std::string>{"y"}), FieldsOf(inf, "Files", "More"));
    EXPECT_EQ(3u, inf.Section("FILES")->size());
}

TEST(InfReader, SubstitutesStringsButLeavesDirectoryIds) {
    const InfFile inf = Parsed("[Version]\n"
                               "Signature = \"$Chicago$\"\n"
                               "[Reg]\n"
                               "HKLM, %Key%\\Sub, %name%,, \"%16422%\\%App%\\lib.so\", 100%%\n"
                               "[Strings]\n"
                               "KEY = \"Software\\Maker\"\n"
                               "Name = \"Value, with comma\"\n"
                               "app = Jotterwick\n");
    EXPECT_EQ((std::vector<std::string>{"HKLM", "Software\\Maker\\Sub", "Value, with comma", "",
                                        "%16422%\\Jotterwick\\lib.so", "100%"}),
              (*inf.Section("Reg"))[0].fields);
}

struct Damaged {
    const char* text;
    DWORD code;
    unsigned line;
};

TEST(InfReader, RefusesDamagedTextNamingTheLine) {
    const std::string endless = "[S]\nKey = " + std::string(5000, 'x') + "\n";
    std::string continued = "[S]\nKey = a";
    for (int i = 0; i < 2000; ++i)
        continued += ", bb \\\n";
    const Damaged cases[] = {
        {"[S]\nKey = \"open quote\n", ERROR_GENERAL_SYNTAX, 2},
        {"Key = before any section\n", ERROR_EXPECTED_SECTION_NAME, 1},
        {"[S]\n\n[Broken\n", ERROR_BAD_SECTION_NAME_LINE, 3},
        {"[S]\nKey = %undefined%\n", ERROR_GENERAL_SYNTAX, 2},
        {"[S]\nKey = 50% off\n", ERROR_GENERAL_SYNTAX, 2},
        {endless.c_str(), ERROR_GENERAL_SYNTAX, 2},
        {continued.c_str(), ERROR_GENERAL_SYNTAX, 2},
    };
    for (const Damaged& damaged : cases) {
        unsigned line = 0;
        auto inf = InfFile::Parse(damaged.text, &line);
        ASSERT_FALSE(inf.ok()) << damaged.text;
        EXPECT_EQ(damaged.code, inf.status().code()) << inf.status().message();
        EXPECT_EQ(damaged.line, line) << inf.status().message();
        EXPECT_NE(std::string::npos,
                  inf.status().message().find("line " + std::to_string(damaged.line)))
            << inf.status().message();
    }
    EXPECT_FALSE(InfFile::Parse(std::string("[S]\nKey = a\0b\n", 14)).ok());
    EXPECT_FALSE(InfFile::Parse("[S]\n" + std::string(win32::kMaxInfFileBytes, ';')).ok());
    EXPECT_FALSE(InfFile::Parse("[" + std::string(300, 's') + "]\n").ok());
}

class InfOpen : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("jotterwick_inf_open_" + std::to_string(::getpid()));
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string Write(const std::string& text) {
        const auto path = dir / "test.inf";
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
};

TEST_F(InfOpen, NeedsTheWin4StyleAndASignature) {
    UINT line = 99;
    const std::string good = Write("[Version]\nSignature=\"$Windows NT$\"\nClass=Jot\n");
    HINF inf = SetupOpenInfFileA(good.c_str(), nullptr, INF_STYLE_WIN4, &line);
    ASSERT_NE(INVALID_HANDLE_VALUE, inf) << platform::LastErrorMessage();
    EXPECT_EQ(0u, line);
    SetupCloseInfFile(inf);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupOpenInfFileA(good.c_str(), nullptr, INF_STYLE_OLDNT, nullptr));
    EXPECT_EQ(ERROR_WRONG_INF_STYLE, GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupOpenInfFileA(good.c_str(), "Other", INF_STYLE_WIN4, nullptr));
    inf = SetupOpenInfFileA(good.c_str(), "jot", INF_STYLE_WIN4, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, inf);
    SetupCloseInfFile(inf);

    const std::string unsigned_ = Write("[Version]\nSignature=\"$Other$\"\n");
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupOpenInfFileA(unsigned_.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
    EXPECT_EQ(ERROR_WRONG_INF_STYLE, GetLastError());
}

TEST_F(InfOpen, FailsWithTheErrorAndLineOfADamagedOrMissingFile) {
    UINT line = 0;
    const std::string damaged = Write("[Version]\nSignature=\"$Chicago$\"\n\n\"open\n");
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupOpenInfFileA(damaged.c_str(), nullptr, INF_STYLE_WIN4, &line));
    EXPECT_EQ(ERROR_GENERAL_SYNTAX, GetLastError());
    EXPECT_EQ(4u, line);
    EXPECT_NE(std::string::npos, platform::LastErrorMessage().find("test.inf"));

    const std::string missing = (dir / "missing.inf").string();
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupOpenInfFileA(missing.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    // A pipe or a folder in the INF's place is refused at once, not waited on.
    const std::string pipe = (dir / "pipe.inf").string();
    ASSERT_EQ(0, ::mkfifo(pipe.c_str(), 0600));
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupOpenInfFileA(pipe.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    std::filesystem::create_directory(dir / "folder.inf");
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupOpenInfFileA((dir / "folder.inf").c_str(), nullptr, INF_STYLE_WIN4, nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    // A handle that is no INF is refused, not followed.
    EXPECT_FALSE(SetupInstallFilesFromInfSectionA(reinterpret_cast<HINF>(0x1234), nullptr,
                                                  SetupOpenFileQueue(), "S", nullptr, 0));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

} // namespace
