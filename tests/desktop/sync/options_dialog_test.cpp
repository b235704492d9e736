// The options dialog through the real store, with the scripted user pressing
// its buttons: what it shows, what OK stores in the store and the device key,
// and when the store must be loaded anew.
#include "store_fixture.h"

#include "desktop/sync/options_dialog.h"
#include "platform/ui/headless/scripted_user.h"
#include "platform/win32/registry.h"

#include <cstring>

namespace storetest {
namespace {

constexpr const char* kOffice = "Software\\Microsoft\\Office\\";

class OptionsTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        user().SetProblemHandler([](const std::string& p) { ADD_FAILURE() << p; });
        SetMasterList("10.0", "Business, Private, Work");
    }
    void TearDown() override {
        EXPECT_TRUE(user().AssertDone());
        user().SetProblemHandler(nullptr);
        StoreTest::TearDown();
    }
    static ui::ScriptedUser& user() { return ui::ScriptedUser::Instance(); }

    static void SetMasterList(const std::string& version, const std::string& list) {
        ASSERT_EQ(ERROR_SUCCESS,
                  win32::WriteRegistryText(HKEY_LOCAL_MACHINE, kOffice + version + "\\Outlook",
                                           "Path", ""));
        ASSERT_EQ(ERROR_SUCCESS, win32::WriteRegistryText(
                                     HKEY_CURRENT_USER, kOffice + version + "\\Outlook\\Categories",
                                     nullptr, list));
    }

    // The dialog answered with `fields` and `button`; ActivateDialog's result.
    HRESULT Answer(std::vector<ui::DialogField> fields, int button = IDOK) {
        user().ExpectDialog(u"Jotterwick Options", std::move(fields), button);
        return store->ActivateDialog(OBJECT_TYPE_DIALOG, nullptr, nullptr, nullptr);
    }

    static std::optional<DWORD> DeviceDword(const char* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, TestNotify::kSelectedKey, 0, KEY_READ, &key) !=
            ERROR_SUCCESS)
            return std::nullopt;
        DWORD value = 0, size = sizeof value, type = 0;
        const LONG rc =
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
            return std::nullopt;
        return value;
    }
    static std::optional<std::string> DeviceText(const char* name) {
        return win32::ReadRegistryText(HKEY_CURRENT_USER, TestNotify::kSelectedKey, name);
    }

    // The store's timer period as GetStoreInfo gives it.
    UINT Timer() {
        STOREINFO info;
        std::memset(&info, 0, sizeof info);
        info.cbStruct = sizeof info;
        store->GetStoreInfo(&info);
        return info.uTimerRes;
    }
};

TEST_F(OptionsTest, TheStopColourOpensCheckedAndNothingStoresNone) {
    SetDeviceDword("StopColor", 2);
    CreateInitializedStore();
    // OK as it opened keeps red: "&Red Notes" was the one checked.
    EXPECT_EQ(S_OK, Answer({}));
    EXPECT_EQ(2u, DeviceDword("StopColor"));
    EXPECT_EQ(S_OK, Answer({{IDC_NO_COLOR, u"1"}}));
    EXPECT_EQ(0xFFFFFFFFu, DeviceDword("StopColor"));
    // Each button stands for its colour, whatever the order of the ids.
    const std::pair<int, DWORD> buttons[] = {
        {IDC_BLUE, 0}, {IDC_GREEN, 1}, {IDC_RED, 2}, {IDC_YELLOW, 3}, {IDC_WHITE, 4}};
    for (const auto& [id, color] : buttons) {
        EXPECT_EQ(S_OK, Answer({{id, u"1"}}));
        EXPECT_EQ(color, DeviceDword("StopColor")) << id;
    }
}

TEST_F(OptionsTest, AStopColourOutsideTheColoursOpensWithNothing) {
    SetDeviceDword("StopColor", 7);
    CreateInitializedStore();
    EXPECT_EQ(S_OK, Answer({}));
    EXPECT_EQ(0xFFFFFFFFu, DeviceDword("StopColor"));
}

TEST_F(OptionsTest, OnlyPeriodsAboveZeroAndBelow36000AreTaken) {
    SetDeviceDword("RealTime", 1);
    SetDeviceDword("RefreshDelay", 90);
    CreateInitializedStore();
    for (const char16_t* refused : {u"0", u"36000", u"99999999999"}) {
        EXPECT_EQ(S_OK, Answer({{IDC_REFRESH_DELAY, refused}}));
        EXPECT_EQ(90u, DeviceDword("RefreshDelay"));
        EXPECT_EQ(90000u, Timer());
    }
    EXPECT_EQ(RERR_STORE_REPLACED, Answer({{IDC_REFRESH_DELAY, u"35999"}}));
    EXPECT_EQ(35999u, DeviceDword("RefreshDelay"));
    EXPECT_EQ(S_OK, Answer({{IDC_REFRESH_DELAY, u"35999"}})) << "the same period again";
}

TEST_F(OptionsTest, ThePeriodCanBeTypedOnlyWhileActiveIsChecked) {
    CreateInitializedStore();
    // Active is off: the period's field is disabled and takes nothing.
    user().SetProblemHandler(nullptr);
    user().ExpectDialog(u"Jotterwick Options", {{IDC_REFRESH_DELAY, u"120"}}, IDCANCEL);
    EXPECT_EQ(S_OK, store->ActivateDialog(OBJECT_TYPE_DIALOG, nullptr, nullptr, nullptr));
    EXPECT_NE(std::string::npos, user().Finish().find("disabled"));
    user().SetProblemHandler([](const std::string& p) { ADD_FAILURE() << p; });
    // Checking Active enables it.
    EXPECT_EQ(RERR_STORE_REPLACED, Answer({{IDC_ACTIVE, u"1"}, {IDC_REFRESH_DELAY, u"120"}}));
    EXPECT_EQ(1u, DeviceDword("RealTime"));
    EXPECT_EQ(120u, DeviceDword("RefreshDelay"));
    EXPECT_EQ(120000u, Timer());
}

TEST_F(OptionsTest, CategoriesAreStoredEachEndedByATab) {
    CreateInitializedStore();
    EXPECT_EQ(S_OK, Answer({{IDC_CATEGORIES, u"<All Categories>\nBusiness\nWork"}}));
    EXPECT_EQ("Business\tWork\t", DeviceText("FilterCat"));
    // Only "<All Categories>", or nothing: no filter.
    EXPECT_EQ(S_OK, Answer({{IDC_CATEGORIES, u"<All Categories>"}}));
    EXPECT_EQ("", DeviceText("FilterCat"));
    SetDeviceText("FilterCat", "Work\t");
    EXPECT_EQ(S_OK, Answer({{IDC_CATEGORIES, u""}}));
    EXPECT_EQ("", DeviceText("FilterCat"));
}

TEST_F(OptionsTest, TheFilterOpensSelectedAndOkKeepsIt) {
    SetMasterList("10.0", "Work, work, Workshop");
    SetDeviceText("FilterCat", "work\tGone\t");
    CreateInitializedStore();
    // What is not in Outlook's list any more cannot be shown, so OK drops it;
    // "work" is selected itself, not "Work" that a search would find first.
    EXPECT_EQ(S_OK, Answer({}));
    EXPECT_EQ("work\t", DeviceText("FilterCat"));
}

TEST_F(OptionsTest, OnlyTimerAndSessionChangesNeedANewStore) {
    CreateInitializedStore();
    EXPECT_EQ(S_OK, Answer({{IDC_GREEN, u"1"}}));
    EXPECT_EQ(S_OK, Answer({{IDC_CATEGORIES, u"Private"}}));
    EXPECT_EQ(RERR_STORE_REPLACED, Answer({{IDC_ACTIVE, u"1"}}));
    EXPECT_EQ(RERR_STORE_REPLACED, Answer({{IDC_ACTIVE, u"0"}}));
    EXPECT_EQ(RERR_STORE_REPLACED, Answer({{IDC_INDIVIDUAL_SESSION, u"1"}}));
    EXPECT_EQ(1u, DeviceDword("IndividualSession"));
    EXPECT_EQ(0u, DeviceDword("RealTime"));
    EXPECT_EQ(1u, DeviceDword("StopColor"));
    EXPECT_EQ("Private\t", DeviceText("FilterCat"));
}

TEST_F(OptionsTest, CancelTouchesNothing) {
    SetDeviceDword("StopColor", 3);
    SetDeviceText("FilterCat", "Work\t");
    CreateInitializedStore();
    EXPECT_EQ(S_OK, Answer({{IDC_ACTIVE, u"1"}, {IDC_BLUE, u"1"}, {IDC_CATEGORIES, u"Private"}},
                           IDCANCEL));
    EXPECT_EQ(3u, DeviceDword("StopColor"));
    EXPECT_EQ("Work\t", DeviceText("FilterCat"));
    EXPECT_EQ(std::nullopt, DeviceDword("RealTime")) << "nothing written";
    EXPECT_EQ(0xFFFFFFFFu, Timer()) << "the store's own values stay";
    // OK with nothing changed then shows the values the store still has.
    EXPECT_EQ(S_OK, Answer({}));
    EXPECT_EQ(3u, DeviceDword("StopColor"));
    EXPECT_EQ("Work\t", DeviceText("FilterCat"));
}

TEST_F(OptionsTest, WithoutTheDeviceKeyTheValuesStayInTheStoreOnly) {
    CreateInitializedStore();
    notify.failure = E_FAIL;
    EXPECT_EQ(S_OK, Answer({{IDC_ACTIVE, u"1"}}));
    EXPECT_EQ(std::nullopt, DeviceDword("RealTime"));
    EXPECT_EQ(60000u, Timer()) << "in effect for the loaded store";
}

TEST_F(OptionsTest, TheNewestOfficeVersionGivesTheCategories) {
    SetMasterList("9.0", "Old");
    SetMasterList("10.0", "New");
    SetMasterList("8.0", "Older");
    CreateInitializedStore();
    EXPECT_EQ("10.0", OfficeVersion());
    EXPECT_EQ((std::vector<std::string>{"New"}), OutlookCategories());
    EXPECT_EQ(S_OK, Answer({{IDC_CATEGORIES, u"New"}}));
    EXPECT_EQ("New\t", DeviceText("FilterCat"));
}

TEST_F(OptionsTest, CategoryNamesGoThroughTheDesktopCodePage) {
    SetCodePage("1252");
    SetMasterList("10.0", "B\xFCro, Work");
    CreateInitializedStore();
    EXPECT_EQ(S_OK, Answer({{IDC_CATEGORIES, u"B\u00FCro"}}));
    EXPECT_EQ("B\xFCro\t", DeviceText("FilterCat"));
    // Shown selected again from the stored filter.
    EXPECT_EQ(S_OK, Answer({}));
    EXPECT_EQ("B\xFCro\t", DeviceText("FilterCat"));
}

TEST_F(OptionsTest, TheListIsCutAtEverySeparatorCharacter) {
    SetListSeparator(";|");
    SetMasterList("10.0", " A ;B|  ; C d ");
    EXPECT_EQ((std::vector<std::string>{"A", "B", "C d"}), OutlookCategories());
}

TEST_F(OptionsTest, WithoutTheCategoriesKeyOnlyAllCategoriesIsOffered) {
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\10.0\\Outlook\\Categories");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\9.0\\Outlook\\Categories");
    EXPECT_TRUE(OutlookCategories().empty());
    SetDeviceText("FilterCat", "Work\t");
    CreateInitializedStore();
    user().SetProblemHandler(nullptr);
    EXPECT_EQ(S_OK, Answer({{IDC_CATEGORIES, u"Work"}}));
    EXPECT_NE(std::string::npos, user().Finish().find("Work")) << "no such entry to select";
    user().SetProblemHandler([](const std::string& p) { ADD_FAILURE() << p; });
    EXPECT_EQ("", DeviceText("FilterCat"));
}

TEST_F(OptionsTest, UserInterfaceDataIsCheckedBySize) {
    store = CreateStore();
    OBJUIDATA data;
    std::memset(&data, 0, sizeof data);
    data.cbStruct = 688;
    EXPECT_EQ(E_INVALIDARG, store->GetObjTypeUIData(nullptr, &data));
    EXPECT_EQ(nullptr, data.hIconLarge) << "nothing filled";
    EXPECT_EQ('\0', data.szName[0]);
}

} // namespace
} // namespace storetest
