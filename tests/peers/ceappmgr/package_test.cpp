// The handheld package reader: what it accepts, and every kind of damaged or
// hostile archive it must refuse.
#include "package_builder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

using ceappmgr::Package;
using ceappmgr::ReadPackage;
using pkgtest::FileLine;
using pkgtest::RawZip;

constexpr char kFolder[] = "\\Program Files\\Jotterwick\\";

void ExpectSame(const Package& expected, const Package& read) {
    EXPECT_EQ(expected.name, read.name);
    EXPECT_EQ(expected.version, read.version);
    ASSERT_EQ(expected.files.size(), read.files.size());
    for (std::size_t i = 0; i < expected.files.size(); ++i) {
        EXPECT_EQ(expected.files[i].entry, read.files[i].entry);
        EXPECT_EQ(expected.files[i].destination, read.files[i].destination);
        EXPECT_EQ(expected.files[i].executable, read.files[i].executable);
        EXPECT_EQ(expected.files[i].bytes, read.files[i].bytes);
    }
    ASSERT_EQ(expected.values.size(), read.values.size());
    for (std::size_t i = 0; i < expected.values.size(); ++i) {
        EXPECT_EQ(expected.values[i].root, read.values[i].root);
        EXPECT_EQ(expected.values[i].key, read.values[i].key);
        EXPECT_EQ(expected.values[i].name, read.values[i].name);
        EXPECT_EQ(expected.values[i].text, read.values[i].text);
    }
}

void ExpectRefused(const std::string& archive, const std::string& reason) {
    const auto read = ReadPackage(archive);
    ASSERT_FALSE(read.ok()) << "accepted; expected: " << reason;
    EXPECT_NE(std::string::npos, read.status().message().find(reason)) << read.status().message();
}

// A package of one file `entry` with `description` as its description.
std::string WithDescription(const std::string& description, const std::string& entry = "jotta",
                            const std::string& bytes = "program") {
    return RawZip({{"package.txt", description}, {entry, bytes}});
}

TEST(Package, WhatIsWrittenReadsBackTheSame) {
    const Package sample = pkgtest::SamplePackage("2.10.3");
    const auto archive = ceappmgr::WritePackage(sample);
    ASSERT_TRUE(archive.ok()) << archive.status().message();
    const auto read = ReadPackage(archive.value());
    ASSERT_TRUE(read.ok()) << read.status().message();
    ExpectSame(sample, read.value());
    // The same files make the same bytes.
    EXPECT_EQ(archive.value(), ceappmgr::WritePackage(sample).value());
}

TEST(Package, OnlyTheFilesAskedForAreUnpacked) {
    const Package sample = pkgtest::SamplePackage();
    ASSERT_GE(sample.files.size(), 2u);
    const std::string archive = ceappmgr::WritePackage(sample).value();
    const std::string second = sample.files[1].entry;
    const auto described = ReadPackage(archive, ceappmgr::NoFiles);
    const auto one =
        ReadPackage(archive, [&](const std::string& entry) { return entry == second; });
    ASSERT_TRUE(described.ok()) << described.status().message();
    ASSERT_TRUE(one.ok()) << one.status().message();
    for (std::size_t i = 0; i < sample.files.size(); ++i) {
        EXPECT_EQ(sample.files[i].destination, described.value().files[i].destination);
        EXPECT_EQ("", described.value().files[i].bytes);
        EXPECT_EQ(i == 1 ? sample.files[i].bytes : "", one.value().files[i].bytes);
    }
    // A file not unpacked still has to be the size its description gives.
    const std::string promised =
        pkgtest::DescriptionHead() + FileLine("jotta", std::string(kFolder) + "jotta", "programs");
    EXPECT_FALSE(ReadPackage(WithDescription(promised), ceappmgr::NoFiles).ok());
    EXPECT_TRUE(
        ReadPackage(WithDescription(pkgtest::DescriptionHead() +
                                    FileLine("jotta", std::string(kFolder) + "jotta", "program")),
                    ceappmgr::NoFiles)
            .ok());
}

TEST(Package, APackageThatBreaksTheRulesIsNeverWritten) {
    Package hostile = pkgtest::SamplePackage();
    hostile.files[0].destination = "\\Windows\\jotta";
    EXPECT_FALSE(ceappmgr::WritePackage(hostile).ok());
}

TEST(Package, TruncatedAnywhereIsRefused) {
    const std::string archive = ceappmgr::WritePackage(pkgtest::SamplePackage()).value();
    for (std::size_t length = 0; length < archive.size(); length += 7) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(ReadPackage(archive.substr(0, length)).ok());
    }
}

TEST(Package, AFlippedByteIsRefusedOrChangesNothingThatIsRead) {
    // Some bytes of a zip (times, version fields) carry nothing the reader
    // uses; a flip there may pass, but what is read must then be the original.
    const Package sample = pkgtest::SamplePackage();
    const std::string archive = ceappmgr::WritePackage(sample).value();
    int refused = 0;
    for (std::size_t at = 0; at < archive.size(); ++at) {
        std::string damaged = archive;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x20);
        const auto read = ReadPackage(damaged);
        if (!read.ok()) {
            ++refused;
            continue;
        }
        SCOPED_TRACE("flip at " + std::to_string(at));
        ExpectSame(sample, read.value());
    }
    EXPECT_GT(refused, static_cast<int>(archive.size()) / 2);
}

TEST(Package, EntriesThatAreNotPlainFilesAreRefused) {
    const std::string head = pkgtest::DescriptionHead();
    for (const char* name : {"../jotta", "/etc/jotta", "sub/jotta", "..\\jotta", "C:jotta", ".."}) {
        SCOPED_TRACE(name);
        ExpectRefused(RawZip({{"package.txt",
                               head + FileLine(name, std::string(kFolder) + "jotta", "program")},
                              {name, "program"}}),
                      "not a plain file name");
    }
    ExpectRefused(RawZip({{"package.txt", head}, {"jotta", "/etc/passwd", true}}),
                  "not a regular file");
    ExpectRefused(RawZip({{"package.txt",
                           head + FileLine("jotta", std::string(kFolder) + "jotta", "program")},
                          {"jotta", "program"},
                          {"jotta", "program"}}),
                  "twice");
}

TEST(Package, DestinationsOutsideTheProgramFoldersAreRefused) {
    const std::string head = pkgtest::DescriptionHead();
    for (const char* destination :
         {"/etc/jotta", "C:\\Windows\\jotta", "\\Windows\\jotta", "\\Program Files\\jotta",
          "\\Program Files\\Jotterwick\\..\\..\\jotta", "\\Program Files\\Jotterwick\\.\\jotta",
          "\\Program Files\\Jotterwick\\\\jotta", "\\Program Files\\Jotterwick/../../jotta",
          "Program Files\\Jotterwick\\jotta"}) {
        SCOPED_TRACE(destination);
        ExpectRefused(WithDescription(head + FileLine("jotta", destination, "program")),
                      "the destination is not in a folder under \\Program Files");
    }
}

TEST(Package, RegistryValuesOutsideTheHandheldsRootsAreRefused) {
    const std::string files =
        pkgtest::DescriptionHead() + FileLine("jotta", std::string(kFolder) + "jotta", "program");
    for (const char* root : {"HKU", "HKEY_USERS", "HKCC", "hklm", ""}) {
        SCOPED_TRACE(root);
        ExpectRefused(WithDescription(files + "value\t" + root + "\tSoftware\\X\tName\tText\n"),
                      "the registry root is not one of the handheld's");
    }
    for (const char* key : {"", "\\Software", "Software\\\\X", "Software\\"}) {
        SCOPED_TRACE(key);
        ExpectRefused(WithDescription(files + "value\tHKLM\t" + key + "\tName\tText\n"),
                      "the registry key");
    }
    ExpectRefused(
        WithDescription(files + "value\tHKLM\tSoftware\\X\tName\t" + std::string(5000, 'x') + "\n"),
        "the value text is too long");
}

TEST(Package, SizesAndContentsMustMatchTheDescription) {
    const std::string head = pkgtest::DescriptionHead();
    const std::string destination = std::string(kFolder) + "jotta";
    // The description promises other bytes than the entry holds.
    ExpectRefused(
        WithDescription(head + FileLine("jotta", destination, "program!"), "jotta", "program"),
        "has 7 bytes where the description says 8");
    ExpectRefused(
        WithDescription(head + FileLine("jotta", destination, "PROGRAM"), "jotta", "program"),
        "does not match its checksum");
    // Entries the description does not name, and files it names that are missing.
    ExpectRefused(RawZip({{"package.txt", head + FileLine("jotta", destination, "program")},
                          {"jotta", "program"},
                          {"extra", "x"}}),
                  "entries the description does not name");
    ExpectRefused(RawZip({{"package.txt", head + FileLine("jotta", destination, "program") +
                                              FileLine("other", destination + "2", "x")},
                          {"jotta", "program"},
                          {"stranger", "x"}}),
                  "the archive lacks the file other");
    ExpectRefused(RawZip({{"jotta", "program"}}), "the archive has no package.txt");
}

TEST(Package, TheDescriptionMustBeWhole) {
    const std::string file = FileLine("jotta", std::string(kFolder) + "jotta", "program");
    const struct {
        std::string description;
        const char* reason;
    } cases[] = {
        {"", "does not end with a line end"},
        {"Jotterwick handheld package 2\n", "does not begin with"},
        {"Jotterwick handheld package 1\nname\tJotterwick\n" + file, "lacks its name, version"},
        {pkgtest::DescriptionHead(), "lacks its name, version or files"},
        {pkgtest::DescriptionHead("1.x") + file, "not dotted numbers"},
        {pkgtest::DescriptionHead() + "version\t2\n" + file, "repeated"},
        {pkgtest::DescriptionHead() + file + "run\tjotta\n", "an unknown line"},
        {pkgtest::DescriptionHead() + file + "value\tHKLM\tA\x1b\tB\tC\n", "a control character"},
        {pkgtest::DescriptionHead() + "name\tJott\xff\n" + file, "not UTF-8"},
        {pkgtest::DescriptionHead() + "file\tjotta\t\\Program Files\\J\\jotta\t7\n",
         "a file line has 6 fields"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.description);
        ExpectRefused(WithDescription(each.description), each.reason);
    }
}

TEST(Package, OversizedPackagesAreRefusedBeforeTheyAreRead) {
    ExpectRefused(std::string(ceappmgr::kMaxPackageBytes + 1, 'x'), "larger than");
    ExpectRefused(RawZip({{"package.txt", std::string(ceappmgr::kMaxDescriptionBytes + 1, 'x')}}),
                  "larger than");
}

// A package read from a file: the same checks as from memory, and only a
// regular file of at most the package limit.
class PackageFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/jotterwick-package-file-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        m_folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    // The result of reading `bytes` stored as a file.
    platform::Result<Package> ReadStored(const std::string& bytes,
                                         const ceappmgr::FileFilter& wanted = ceappmgr::AllFiles) {
        const std::string path = m_folder + "/package.zip";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        auto read = ceappmgr::ReadPackageFile(fd, wanted);
        ::close(fd);
        return read;
    }

    std::string m_folder;
};

TEST_F(PackageFile, ReadsWhatMemoryReads) {
    const Package sample = pkgtest::SamplePackage("2.10.3");
    const std::string archive = ceappmgr::WritePackage(sample).value();
    const auto whole = ReadStored(archive);
    ASSERT_TRUE(whole.ok()) << whole.status().message();
    ExpectSame(sample, whole.value());

    const std::string second = sample.files[1].entry;
    const auto one = ReadStored(archive, [&](const std::string& entry) { return entry == second; });
    ASSERT_TRUE(one.ok()) << one.status().message();
    for (std::size_t i = 0; i < sample.files.size(); ++i)
        EXPECT_EQ(i == 1 ? sample.files[i].bytes : "", one.value().files[i].bytes);
}

TEST_F(PackageFile, DamageIsRefusedAsFromMemory) {
    const std::string archive = ceappmgr::WritePackage(pkgtest::SamplePackage()).value();
    for (std::size_t length = 0; length < archive.size(); length += 37) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(ReadStored(archive.substr(0, length)).ok());
    }
    // A file that is not what its description promises, unpacked or not.
    const std::string promised =
        pkgtest::DescriptionHead() + FileLine("jotta", std::string(kFolder) + "jotta", "programs");
    EXPECT_FALSE(ReadStored(WithDescription(promised), ceappmgr::NoFiles).ok());
    EXPECT_FALSE(ReadStored(WithDescription(promised)).ok());
}

TEST_F(PackageFile, OnlyARegularFileWithinTheLimitIsRead) {
    int pipe[2];
    ASSERT_EQ(0, ::pipe(pipe));
    const auto fromPipe = ceappmgr::ReadPackageFile(pipe[0], ceappmgr::AllFiles);
    ::close(pipe[0]);
    ::close(pipe[1]);
    ASSERT_FALSE(fromPipe.ok());
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), fromPipe.status().code());

    // One byte past the limit, refused by its size before anything is read
    // (the file has no data: a read would find a hole, not a package).
    const std::string path = m_folder + "/large.zip";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(0, ::ftruncate(fd, static_cast<off_t>(ceappmgr::kMaxPackageBytes + 1)));
    const auto large = ceappmgr::ReadPackageFile(fd, ceappmgr::NoFiles);
    ::close(fd);
    ASSERT_FALSE(large.ok());
    EXPECT_NE(std::string::npos, large.status().message().find("larger than"));
}

TEST(Package, VersionsCompareNumberByNumber) {
    EXPECT_EQ(-1, ceappmgr::CompareVersions("0.9", "0.10"));
    EXPECT_EQ(1, ceappmgr::CompareVersions("1.0.1", "1.0"));
    EXPECT_EQ(0, ceappmgr::CompareVersions("1.0.0", "1"));
    EXPECT_TRUE(ceappmgr::IsValidVersion("1.2.3.4"));
    for (const char* bad : {"", "1.", ".1", "1..2", "1.2.3.4.5", "v1", "1234567890"})
        EXPECT_FALSE(ceappmgr::IsValidVersion(bad)) << bad;
}

} // namespace
