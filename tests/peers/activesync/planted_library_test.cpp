// A crafted machine directory whose registrations name a library of its own:
// jsync must load neither, say which value named what, and change nothing.
#include "jsync_fixture.h"
#include "support/system_install.h"

#include "desktop/sync/jottapc.h"
#include "platform/base/unicode.h"
#include "platform/ce/registry.h"
#include "platform/com/objbase.h"
#include "platform/win32/registry.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class PlantedLibrary : public jsynctest::JsyncFixture {
protected:
    void SetUp() override {
        JsyncFixture::SetUp();
        // The handheld half is in place before a registration is planted.
        ASSERT_EQ("", testsupport::InstallPendingOnHandheld());
        AddDeviceNote("Handheld note");
        AddDesktopNote("Desktop note");
    }

    // A copy of the planted library inside `folder`, as a person unpacking
    // someone else's machine directory would have it (theirs, mode 0644).
    std::string Plant(const std::string& folder) {
        fs::create_directories(folder);
        const std::string path = folder + "/libjottadev.so";
        fs::copy_file(PLANTED_LIBRARY, path, fs::copy_options::overwrite_existing);
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write |
                                  fs::perms::group_read | fs::perms::others_read);
        return path;
    }

    void SetDeviceStore(const std::string& path) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                                  u"Windows CE Services\\Synchronization\\Objects\\Jotterwick", 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        const std::u16string text = unicode::ToUtf16(path);
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(key, u"Store", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))));
        RegCloseKey(key);
    }

    static std::string StoreClassKey() {
        OLECHAR text[39] = {};
        StringFromGUID2(CLSID_JotterwickStore, text, 39);
        return "CLSID\\" + unicode::ToUtf8(std::u16string_view(text, 38)) + "\\InprocServer32";
    }

    // Nothing ran, nothing was synchronized.
    void ExpectUntouched(const std::string& planted, const jsynctest::RunResult& run) {
        EXPECT_NE(0, run.status) << run.output;
        EXPECT_FALSE(fs::exists(planted + ".ran")) << "the planted library ran";
        EXPECT_EQ("3 [] Handheld note\n", DeviceDump());
        EXPECT_EQ("3 [] Desktop note\n", DesktopDump());
    }
};

TEST_F(PlantedLibrary, TheHandheldRegistrationCannotChooseCodeForJsync) {
    struct Case {
        const char* name;
        std::string folder;
    } cases[] = {
        {"inside the handheld", machines->handheld() + "/Windows"},
        // Where the application manager installs the provider, but not put
        // there by it from a package of this desktop's store.
        {"in the handheld's program folder", machines->handheld() + "/Program Files/Jotterwick"},
        {"inside the desktop", machines->desktop() + "/Program Files"},
        {"elsewhere", machines->handheld() + "/../elsewhere"},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        const std::string planted = Plant(each.folder);
        SetDeviceStore(planted);
        const jsynctest::RunResult run = Jsync();
        ExpectUntouched(planted, run);
        EXPECT_NE(std::string::npos,
                  run.output.find("refusing to load " + planted +
                                  ", named by the handheld registry value "
                                  "HKLM\\Windows CE Services\\Synchronization\\Objects\\"
                                  "Jotterwick \"Store\": it is not in a folder this program "
                                  "was installed or built in"))
            << run.output;
    }
}

TEST_F(PlantedLibrary, TheDesktopRegistrationLoadsOnlyInstalledUnchangeableLibraries) {
    // Outside the desktop's program folder: never.
    const std::string outside = Plant(machines->desktop() + "/Downloads");
    ASSERT_EQ(ERROR_SUCCESS,
              win32::WriteRegistryText(HKEY_CLASSES_ROOT, StoreClassKey(), nullptr, outside));
    jsynctest::RunResult run = Jsync();
    ExpectUntouched(outside, run);
    EXPECT_NE(std::string::npos,
              run.output.find("refusing to load " + outside +
                              ", named by the desktop registry value HKCR\\" + StoreClassKey() +
                              ": it is not in a folder this program was installed or built in"))
        << run.output;

    // In the desktop's program folder, but others could have changed it.
    const std::string shared = Plant(machines->desktop() + "/Program Files/Jotterwick");
    fs::permissions(shared, fs::perms::group_write, fs::perm_options::add);
    ASSERT_EQ(ERROR_SUCCESS,
              win32::WriteRegistryText(HKEY_CLASSES_ROOT, StoreClassKey(), nullptr, shared));
    run = Jsync();
    ExpectUntouched(shared, run);
    EXPECT_NE(std::string::npos, run.output.find(shared +
                                                 ", named by the desktop registry value "
                                                 "HKCR\\" +
                                                 StoreClassKey() + ": other users may change it"))
        << run.output;
}

} // namespace
