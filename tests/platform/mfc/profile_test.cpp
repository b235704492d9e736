#include "platform/ce/registry.h"
#include "platform/mfc/win_app.h"
#include "platform/ui/ui_test_support.h"

#include <cstring>

namespace {

class ProfileTest : public uitest::UiTest {
protected:
    CWinApp app{u"Quillmarks"};

    // The value as the handheld registry holds it, read without the framework.
    static bool ReadRaw(const char16_t* name, DWORD* type, std::vector<BYTE>* data) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Jotterwick\\Quillmarks\\Common", 0,
                          KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        DWORD size = 0;
        bool ok = RegQueryValueExW(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
        data->resize(size);
        ok = ok && RegQueryValueExW(key, name, nullptr, type, data->data(), &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        return ok;
    }
};

TEST_F(ProfileTest, RoundTripUnderRegistryKeyProfileAndSection) {
    app.SetRegistryKey(u"Jotterwick");
    EXPECT_TRUE(app.WriteProfileInt(u"Common", u"Sort", 2));
    EXPECT_TRUE(app.WriteProfileInt(u"Common", u"Debug", -3));
    EXPECT_TRUE(app.WriteProfileString(u"Common", u"FilterCat", u"Work\tHome\t"));
    EXPECT_EQ(2u, app.GetProfileInt(u"Common", u"Sort", 0));
    EXPECT_EQ(static_cast<UINT>(-3), app.GetProfileInt(u"Common", u"Debug", 0));
    EXPECT_EQ(u"Work\tHome\t", app.GetProfileString(u"Common", u"FilterCat", u""));

    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadRaw(u"Sort", &type, &data));
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ((std::vector<BYTE>{2, 0, 0, 0}), data);
    ASSERT_TRUE(ReadRaw(u"FilterCat", &type, &data));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(22u, data.size()); // ten characters and the terminator, UTF-16
}

TEST_F(ProfileTest, MissingOrMistypedValuesGiveTheDefault) {
    app.SetRegistryKey(u"Jotterwick");
    EXPECT_EQ(1u, app.GetProfileInt(u"Common", u"WrapLines", 1)); // no key yet
    EXPECT_EQ(u"dflt", app.GetProfileString(u"Common", u"LastFind", u"dflt"));
    EXPECT_EQ(u"", app.GetProfileString(u"Common", u"LastFind"));
    app.WriteProfileString(u"Common", u"Sort", u"7");
    app.WriteProfileInt(u"Common", u"LastFind", 5);
    EXPECT_EQ(0u, app.GetProfileInt(u"Common", u"Sort", 0)); // text where a number belongs
    EXPECT_EQ(u"x", app.GetProfileString(u"Common", u"LastFind",
                                         u"x")); // and a number where text belongs
    EXPECT_TRUE(app.WriteProfileString(u"Common", u"Sort", nullptr)); // null value deletes it
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_FALSE(ReadRaw(u"Sort", &type, &data));
    EXPECT_TRUE(
        app.WriteProfileString(u"Common", nullptr, nullptr)); // null entry deletes the section
    EXPECT_FALSE(ReadRaw(u"LastFind", &type, &data));
}

TEST_F(ProfileTest, WithoutRegistryKeyNothingIsWritten) {
    EXPECT_FALSE(app.WriteProfileInt(u"Common", u"Sort", 1));
    EXPECT_EQ(9u, app.GetProfileInt(u"Common", u"Sort", 9));
    app.SetRegistryKey(u"Jotterwick");
    EXPECT_EQ(9u, app.GetProfileInt(u"Common", u"Sort", 9));
}

TEST_F(ProfileTest, StoredTextWithoutTerminatorEndsAtItsSize) {
    app.SetRegistryKey(u"Jotterwick");
    app.WriteProfileInt(u"Common", u"Touch", 0); // makes the key
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Jotterwick\\Quillmarks\\Common", 0,
                            KEY_ALL_ACCESS, &key));
    const char16_t raw[] = {u'a', u'b', u'c'};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"Raw", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(raw), sizeof raw));
    RegCloseKey(key);
    EXPECT_EQ(u"abc", app.GetProfileString(u"Common", u"Raw"));
}

} // namespace
