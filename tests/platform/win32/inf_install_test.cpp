// The registry and ini directives of an INF section: every AddReg type and
// flag, DelReg, UpdateInis and Ini2Reg, and the directives refused before
// anything is written.
#include "inf_fixture.h"

#include "platform/win32/ini_file.h"

namespace {

using inftest::Bytes;
using inftest::RegistryValue;

class InfInstall : public inftest::InfTest {};

TEST_F(InfInstall, AddRegWritesEveryValueType) {
    HINF inf = Open("[Go]\nAddReg = Values\n"
                    "[Values]\n"
                    "HKCU, Software\\Test, Text,, \"a, b\"\n"
                    "HKCU, Software\\Test,,, default\n"
                    "HKCU, Software\\Test, Expand, 0x20000, \"%%Path%%\\x\"\n"
                    "HKCU, Software\\Test, Multi, 0x10000, one, \"two, too\"\n"
                    "HKCU, Software\\Test, Number, 0x10001, 0x01020304\n"
                    "HKCU, Software\\Test, Decimal, 0x10001, 300\n"
                    "HKCU, Software\\Test, Bytes4, 0x10001, 04, 03, 02, 01\n"
                    "HKCU, Software\\Test, Binary, 1, de, AD, 0x0f\n"
                    "HKCU, Software\\Test, Other, 0x00050001, 01, 02\n"
                    "HKCU, Software\\Test, None, 0x20001, 07\n"
                    "HKLM, Software\\Test, Path,, \"%16422%\\App\\lib.so\"\n"
                    "HKCR, Test.Key\\Only, , 0x10\n");
    ASSERT_TRUE(Install(inf, "Go")) << platform::LastErrorMessage();
    const char* key = "Software\\Test";
    EXPECT_EQ((RegistryValue{REG_SZ, Bytes(std::string("a, b") + '\0')}),
              Value(HKEY_CURRENT_USER, key, "Text"));
    EXPECT_EQ((RegistryValue{REG_SZ, Bytes(std::string("default") + '\0')}),
              Value(HKEY_CURRENT_USER, key, nullptr));
    EXPECT_EQ((RegistryValue{REG_EXPAND_SZ, Bytes(std::string("%Path%\\x") + '\0')}),
              Value(HKEY_CURRENT_USER, key, "Expand"));
    EXPECT_EQ((RegistryValue{REG_MULTI_SZ, Bytes(std::string("one\0two, too\0\0", 14))}),
              Value(HKEY_CURRENT_USER, key, "Multi"));
    EXPECT_EQ((RegistryValue{REG_DWORD, {4, 3, 2, 1}}), Value(HKEY_CURRENT_USER, key, "Number"));
    EXPECT_EQ((RegistryValue{REG_DWORD, {0x2C, 1, 0, 0}}),
              Value(HKEY_CURRENT_USER, key, "Decimal"));
    EXPECT_EQ((RegistryValue{REG_DWORD, {4, 3, 2, 1}}), Value(HKEY_CURRENT_USER, key, "Bytes4"));
    EXPECT_EQ((RegistryValue{REG_BINARY, {0xDE, 0xAD, 0x0F}}),
              Value(HKEY_CURRENT_USER, key, "Binary"));
    EXPECT_EQ((RegistryValue{5, {1, 2}}), Value(HKEY_CURRENT_USER, key, "Other"));
    EXPECT_EQ((RegistryValue{REG_NONE, {7}}), Value(HKEY_CURRENT_USER, key, "None"));
    const std::string path = machines.desktop() + "/Program Files\\App\\lib.so";
    EXPECT_EQ((RegistryValue{REG_SZ, Bytes(path + '\0')}), Value(HKEY_LOCAL_MACHINE, key, "Path"));
    EXPECT_TRUE(testsupport::DesktopKeyExists(HKEY_CLASSES_ROOT, "Test.Key\\Only"));
    EXPECT_FALSE(Value(HKEY_CLASSES_ROOT, "Test.Key\\Only", nullptr));
}

TEST_F(InfInstall, AddRegFlagsKeepAppendAndDelete) {
    ASSERT_EQ(ERROR_SUCCESS, win32::WriteRegistryText(HKEY_CURRENT_USER, "K", "Kept", "mine"));
    ASSERT_EQ(ERROR_SUCCESS, win32::WriteRegistryText(HKEY_CURRENT_USER, "K", "Gone", "old"));
    const std::string multi("a\0b\0\0", 5);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, KEY_WRITE, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "List", 0, REG_MULTI_SZ,
                                            reinterpret_cast<const BYTE*>(multi.data()), 5));
    RegCloseKey(key);
    HINF inf = Open("[Go]\nAddReg = Flags\n"
                    "[Flags]\n"
                    "HKCU, K, Kept, 0x2, theirs\n"     // no clobber
                    "HKCU, K, Fresh, 0x2, new\n"       // no clobber, absent: written
                    "HKCU, K, List, 0x10008, b, c\n"   // append to a multi-string
                    "HKCU, K, Gone, 0x4\n"             // delete the value
                    "HKCU, K, Absent, 0x20, never\n"); // overwrite only
    ASSERT_TRUE(Install(inf, "Go")) << platform::LastErrorMessage();
    EXPECT_EQ("mine", win32::ReadRegistryText(HKEY_CURRENT_USER, "K", "Kept"));
    EXPECT_EQ("new", win32::ReadRegistryText(HKEY_CURRENT_USER, "K", "Fresh"));
    EXPECT_EQ((RegistryValue{REG_MULTI_SZ, Bytes(std::string("a\0b\0c\0\0", 7))}),
              Value(HKEY_CURRENT_USER, "K", "List"));
    EXPECT_FALSE(Value(HKEY_CURRENT_USER, "K", "Gone"));
    EXPECT_FALSE(Value(HKEY_CURRENT_USER, "K", "Absent"));
}

TEST_F(InfInstall, DelRegRemovesAKeyWithEverythingBelowItOrOneValue) {
    for (const char* path : {"Top\\A\\Deep", "Top\\B", "Keep"})
        ASSERT_EQ(ERROR_SUCCESS, win32::WriteRegistryText(HKEY_LOCAL_MACHINE, path, "V", "x"));
    ASSERT_EQ(ERROR_SUCCESS, win32::WriteRegistryText(HKEY_LOCAL_MACHINE, "Keep", "W", "y"));
    HINF inf = Open("[Go]\nDelReg = Remove\n"
                    "[Remove]\n"
                    "HKLM, Top\n"
                    "HKLM, Keep, V\n"
                    "HKLM, Never\\There\n");
    ASSERT_TRUE(Install(inf, "Go")) << platform::LastErrorMessage();
    EXPECT_FALSE(testsupport::DesktopKeyExists(HKEY_LOCAL_MACHINE, "Top"));
    EXPECT_FALSE(Value(HKEY_LOCAL_MACHINE, "Keep", "V"));
    EXPECT_EQ("y", win32::ReadRegistryText(HKEY_LOCAL_MACHINE, "Keep", "W"));
}

TEST_F(InfInstall, UpdateInisChangesEntriesAndIni2RegCopiesThemToTheRegistry) {
    std::filesystem::create_directories(Desktop("Windows"));
    std::ofstream(Desktop("Windows/app.ini"), std::ios::binary)
        << "; kept comment\r\n[Paths]\r\nOld=1\r\nStay=2\r\n[Other]\r\nX=3\r\n";
    HINF inf = Open("[Go]\nUpdateInis = Inis\nIni2Reg = Move\n"
                    "[Inis]\n"
                    "app.ini, Paths, \"Old=1\", \"New=%16422%\\App\"\n"
                    "%24%\\Data\\fresh.ini, Settings,, \"Colour=blue\"\n"
                    "[Move]\n"
                    "%10%\\app.ini, Paths,, HKCU, Software\\App\\Paths\n"
                    "%10%\\app.ini, Other, x, HKCU, Software\\App\\Other\n");
    ASSERT_TRUE(Install(inf, "Go")) << platform::LastErrorMessage();
    const std::string newValue = machines.desktop() + "/Program Files\\App";
    EXPECT_EQ("; kept comment\r\n[Paths]\r\nStay=2\r\nNew=" + newValue + "\r\n[Other]\r\nX=3\r\n",
              Contents(Desktop("Windows/app.ini")));
    EXPECT_EQ("[Settings]\r\nColour=blue\r\n", Contents(Desktop("Data/fresh.ini")));
    // Ini2Reg read the file as UpdateInis left it: the directives run in order.
    EXPECT_EQ("2", win32::ReadRegistryText(HKEY_CURRENT_USER, "Software\\App\\Paths", "Stay"));
    EXPECT_EQ(std::nullopt,
              win32::ReadRegistryText(HKEY_CURRENT_USER, "Software\\App\\Paths", "Old"));
    EXPECT_EQ("3", win32::ReadRegistryText(HKEY_CURRENT_USER, "Software\\App\\Other", "X"));
}

TEST_F(InfInstall, RefusesForbiddenDirectivesBeforeWritingAnything) {
    const char* refused[] = {
        "HKR, Sub, V,, x\n",                   // a relative root
        "HKU, .DEFAULT\\Sub, V,, x\n",         // another user's hive
        "HKLM,, V,, x\n",                      // the root itself
        "HKLM, Sub, V, 0x10001, notanumber\n", // a DWORD that is none
        "HKLM, Sub, V, 1, 1FF\n",              // a byte that is none
        "HKLM, Sub, V, 0x40000, x\n",          // no such type
    };
    for (const char* line : refused) {
        HINF inf = Open(std::string("[Go]\nAddReg = Good, Bad\n"
                                    "[Good]\nHKCU, Software\\Written, V,, yes\n"
                                    "[Bad]\n") +
                        line);
        EXPECT_FALSE(Install(inf, "Go")) << line;
        EXPECT_NE(0u, GetLastError()) << line;
        EXPECT_NE(std::string::npos, platform::LastErrorMessage().find("[Bad] line")) << line;
        EXPECT_FALSE(testsupport::DesktopKeyExists(HKEY_CURRENT_USER, "Software\\Written")) << line;
    }
    const char* hostileInis[] = {
        "[Inis]\n..\\outside.ini, S,, \"K=V\"\n",
        "[Inis]\n%1%\\installer.ini, S,, \"K=V\"\n",
        "[Inis]\n/etc/evil.ini, S,, \"K=V\"\n",
        "[Inis]\n%10%\\..\\..\\evil.ini, S,, \"K=V\"\n",
    };
    for (const char* inis : hostileInis) {
        HINF inf = Open(std::string("[Go]\nAddReg = Good\nUpdateInis = Inis\n"
                                    "[Good]\nHKCU, Software\\Written, V,, yes\n") +
                        inis);
        EXPECT_FALSE(Install(inf, "Go")) << inis;
        EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError()) << inis;
        EXPECT_FALSE(testsupport::DesktopKeyExists(HKEY_CURRENT_USER, "Software\\Written")) << inis;
    }
    EXPECT_FALSE(std::filesystem::exists(source / "installer.ini"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(machines.desktop()).parent_path() /
                                         "outside.ini"));
}

TEST_F(InfInstall, RefusesADamagedIniFileAndLeavesItAsItWas) {
    std::filesystem::create_directories(Desktop("Windows"));
    const std::string damaged("[S]\r\nK=a\0b\r\n", 12);
    std::ofstream(Desktop("Windows/app.ini"), std::ios::binary) << damaged;
    HINF inf = Open("[Go]\nUpdateInis = Inis\n[Inis]\napp.ini, S,, \"K=new\"\n");
    EXPECT_FALSE(Install(inf, "Go"));
    EXPECT_EQ(ERROR_INVALID_DATA, GetLastError());
    EXPECT_EQ(damaged, Contents(Desktop("Windows/app.ini")));
    const std::string longLine = "[S]\r\nK=" + std::string(win32::kMaxIniLineChars, 'v') + "\r\n";
    std::ofstream(Desktop("Windows/app.ini"), std::ios::binary | std::ios::trunc) << longLine;
    EXPECT_FALSE(Install(inf, "Go"));
    EXPECT_EQ(longLine, Contents(Desktop("Windows/app.ini")));
}

TEST_F(InfInstall, RefusesAMissingSectionAndARelativeKeyRoot) {
    HINF inf = Open("[Go]\nAddReg = Nowhere\n");
    EXPECT_FALSE(Install(inf, "Absent"));
    EXPECT_EQ(ERROR_SECTION_NOT_FOUND, GetLastError());
    EXPECT_FALSE(Install(inf, "Go"));
    EXPECT_EQ(ERROR_SECTION_NOT_FOUND, GetLastError());
    EXPECT_FALSE(SetupInstallFromInfSectionA(nullptr, inf, "Go", SPINST_REGISTRY, HKEY_CURRENT_USER,
                                             nullptr, 0, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

} // namespace
