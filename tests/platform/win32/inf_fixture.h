// Shared set-up of the INF engine tests: a fresh desktop, an installer
// folder to read sources from, and helpers to open an INF and read back
// what it wrote.
#pragma once

#include "platform/base/status.h"
#include "platform/base/unicode.h"
#include "platform/ui/headless/scripted_user.h"
#include "platform/ui/message_box.h"
#include "platform/win32/machine.h"
#include "platform/win32/registry.h"
#include "platform/win32/setupapi.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace inftest {

struct RegistryValue {
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const RegistryValue&) const = default;
};

inline std::vector<BYTE> Bytes(const std::string& text) {
    return std::vector<BYTE>(text.begin(), text.end());
}

class InfTest : public ::testing::Test {
protected:
    testsupport::TempMachines machines;
    std::filesystem::path source =
        std::filesystem::path(machines.desktop()).parent_path() / "installer folder";
    std::vector<HINF> opened;

    void SetUp() override {
        std::filesystem::create_directories(source);
        user().Finish();
        user().SetProblemHandler(
            [](const std::string& p) { ADD_FAILURE() << "scripted user: " << p; });
    }
    void TearDown() override {
        for (HINF inf : opened)
            SetupCloseInfFile(inf);
        EXPECT_TRUE(user().AssertDone());
        user().SetProblemHandler(nullptr);
    }
    static ui::ScriptedUser& user() { return ui::ScriptedUser::Instance(); }

    // Writes `text` after a [Version] section as test.inf in the installer
    // folder and opens it.
    HINF Open(const std::string& text) {
        const auto path = source / "test.inf";
        std::ofstream(path, std::ios::binary) << "[Version]\nSignature = \"$Chicago$\"\n" << text;
        HINF inf = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, inf) << platform::LastErrorMessage();
        opened.push_back(inf);
        return inf;
    }
    void WriteSource(const std::string& relative, const std::string& contents) {
        const auto path = source / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << contents;
    }
    std::filesystem::path Desktop(const std::string& relative) const {
        return std::filesystem::path(machines.desktop()) / relative;
    }
    static std::optional<std::string> Contents(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return std::nullopt;
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static std::optional<RegistryValue> Value(HKEY root, const char* path, const char* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return std::nullopt;
        RegistryValue value;
        DWORD size = 0;
        LONG result = RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
        if (result == ERROR_SUCCESS) {
            value.data.resize(size);
            result = RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size);
        }
        RegCloseKey(key);
        if (result != ERROR_SUCCESS)
            return std::nullopt;
        return value;
    }
    // Carries out the registry and ini directives of `section`.
    BOOL Install(HINF inf, const char* section,
                 UINT flags = SPINST_REGISTRY | SPINST_INIFILES | SPINST_INI2REG) {
        return SetupInstallFromInfSectionA(nullptr, inf, section, flags, nullptr, source.c_str(), 0,
                                           nullptr, nullptr, nullptr, nullptr);
    }
};

} // namespace inftest
