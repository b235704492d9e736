// The Outlook stand-in's automation server, member by member, through IDispatch.
#include "outlook_fixture.h"

#include "peers/outlook/fault_switch.h"
#include "platform/base/kernel.h"
#include "platform/win32/registry.h"
#include "platform/win32/variant_time.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>

using namespace outlook;

namespace {

// Pins "now" for the server to a UTC time; the process runs in UTC, so local
// time is the same.
void PinTime(int year, int month, int day, int hour, int minute, int second) {
    setenv("TZ", "UTC", 1);
    tzset();
    std::tm tm{};
    tm.tm_year = year - 1900, tm.tm_mon = month - 1, tm.tm_mday = day;
    tm.tm_hour = hour, tm.tm_min = minute, tm.tm_sec = second;
    const long long unixTime = timegm(&tm);
    const unsigned long long filetime = (unixTime + 11644473600ULL) * 10000000ULL;
    platform::PinSystemTime(
        FILETIME{static_cast<DWORD>(filetime), static_cast<DWORD>(filetime >> 32)});
}

DATE AsDate(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME st{static_cast<WORD>(year),
                  static_cast<WORD>(month),
                  0,
                  static_cast<WORD>(day),
                  static_cast<WORD>(hour),
                  static_cast<WORD>(minute),
                  static_cast<WORD>(second),
                  0};
    DATE date = 0;
    SystemTimeToVariantTime(&st, &date);
    return date;
}

class OutlookServer : public OutlookTest {
protected:
    void TearDown() override {
        platform::PinSystemTime(std::nullopt);
        unsetenv("JOTTERWICK_OUTLOOK_FAULT");
        unsetenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH");
    }
};

TEST_F(OutlookServer, NoteItemMembersByTheirDispatchIdentifiers) {
    PinTime(2000, 1, 1, 12, 0, 0);
    AutomationObject item = AddNote(u"Shopping\r\nMilk", 2, u"Work, Home");
    CallError error;
    EXPECT_EQ(u"Shopping\r\nMilk", Text(item, 0x9100));
    EXPECT_EQ(u"Work, Home", Text(item, 0x9001));
    LONG color = -1;
    ASSERT_EQ(S_OK, item.GetLong(0x8B00, &color, &error));
    EXPECT_EQ(2, color);
    VARIANT created, modified;
    ASSERT_EQ(S_OK, item.Invoke(0x3007, DISPATCH_PROPERTYGET, {}, &created, &error));
    ASSERT_EQ(S_OK, item.Invoke(0x3008, DISPATCH_PROPERTYGET, {}, &modified, &error));
    EXPECT_EQ(VT_DATE, created.vt);
    EXPECT_EQ(VT_DATE, modified.vt);
    EXPECT_DOUBLE_EQ(36526.5, created.date);
    EXPECT_DOUBLE_EQ(36526.5, modified.date);
    const std::u16string entryId = Text(item, 0xF01E);
    EXPECT_EQ(48u, entryId.size());
    EXPECT_EQ(std::u16string::npos, entryId.find_first_not_of(u"0123456789ABCDEF"));

    // Save stamps the modification time only.
    PinTime(2000, 1, 2, 6, 30, 15);
    ASSERT_EQ(S_OK, item.Put(0x9100, TextArgument(u"Shopping\r\nEggs"), &error));
    ASSERT_EQ(S_OK, item.Invoke(0xF048, DISPATCH_METHOD, {}, nullptr, &error));
    DATE date = 0;
    ASSERT_EQ(S_OK, item.GetDate(0x3008, &date, &error));
    EXPECT_DOUBLE_EQ(AsDate(2000, 1, 2, 6, 30, 15), date);
    ASSERT_EQ(S_OK, item.GetDate(0x3007, &date, &error));
    EXPECT_DOUBLE_EQ(36526.5, date);

    // Delete takes it out of the folder.
    ASSERT_EQ(S_OK, item.Invoke(0xF04A, DISPATCH_METHOD, {}, nullptr, &error));
    EXPECT_EQ(0, Count());
}

TEST_F(OutlookServer, TimesAreLocalAutomationDates) {
    // Five hours west of UTC, without daylight saving: noon UTC is 07:00 here.
    PinTime(2000, 1, 1, 12, 0, 0);
    setenv("TZ", "EST5", 1);
    tzset();
    AutomationObject item = AddNote(u"local");
    setenv("TZ", "UTC", 1);
    tzset();
    DATE created = 0;
    CallError error;
    ASSERT_EQ(S_OK, item.GetDate(kCreationTime, &created, &error));
    EXPECT_DOUBLE_EQ(AsDate(2000, 1, 1, 7, 0, 0), created);
}

TEST_F(OutlookServer, ANewItemGetsItsEntryIdAtItsFirstSave) {
    AutomationObject item;
    CallError error;
    ASSERT_EQ(S_OK,
              application.InvokeObject(0x010A, DISPATCH_METHOD, {LongArgument(5)}, &item, &error));
    EXPECT_EQ(u"", Text(item, kEntryID));
    ASSERT_EQ(S_OK, item.Put(kBody, TextArgument(u"draft"), &error));
    EXPECT_EQ(0, Count()); // not in the folder before it is saved
    ASSERT_EQ(S_OK, item.Invoke(kSave, DISPATCH_METHOD, {}, nullptr, &error));
    const std::u16string first = Text(item, kEntryID);
    EXPECT_EQ(48u, first.size());
    ASSERT_EQ(S_OK, item.Invoke(kSave, DISPATCH_METHOD, {}, nullptr, &error));
    EXPECT_EQ(first, Text(item, kEntryID));
    EXPECT_EQ(1, Count());

    // Other item types and folders are not served.
    AutomationObject other;
    EXPECT_EQ(DISP_E_EXCEPTION, application.InvokeObject(kCreateItem, DISPATCH_METHOD,
                                                         {LongArgument(0)}, &other, &error));
    EXPECT_EQ(DISP_E_EXCEPTION, nameSpace.InvokeObject(kGetDefaultFolder, DISPATCH_METHOD,
                                                       {LongArgument(6)}, &other, &error));
}

TEST_F(OutlookServer, EntryIdLengthCanBeChosenForTests) {
    setenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH", "150", 1);
    AutomationObject item = AddNote(u"long key");
    EXPECT_EQ(150u, Text(item, kEntryID).size());
    // A chosen EntryID before the first save.
    AutomationObject chosen;
    CallError error;
    ASSERT_EQ(S_OK, application.InvokeObject(kCreateItem, DISPATCH_METHOD, {LongArgument(5)},
                                             &chosen, &error));
    ASSERT_EQ(S_OK, chosen.Put(kEntryID, TextArgument(u"c0ffee"), &error));
    ASSERT_EQ(S_OK, chosen.Invoke(kSave, DISPATCH_METHOD, {}, nullptr, &error));
    EXPECT_EQ(u"C0FFEE", Text(chosen, kEntryID));
    EXPECT_EQ(DISP_E_EXCEPTION, chosen.Put(kEntryID, TextArgument(u"AB"), &error)); // saved already
}

TEST_F(OutlookServer, ItemsCountFromOneInSaveOrderAndFollowDeletions) {
    AddNote(u"one");
    AddNote(u"two", 0, u"A");
    AddNote(u"three", 4);
    EXPECT_EQ("one 3 []\ntwo 0 [A]\nthree 4 []\n", Dump());
    CallError error;
    AutomationObject second = Item(2, &error);
    ASSERT_EQ(S_OK, second.Invoke(kDelete, DISPATCH_METHOD, {}, nullptr, &error));
    // The same collection shows the deletion: the next note moves up.
    EXPECT_EQ(2, Count());
    EXPECT_EQ(u"three", Text(Item(2, &error), kBody));
    for (SHORT bad : {0, 3, -1}) {
        SCOPED_TRACE(bad);
        AutomationObject none = Item(bad, &error);
        EXPECT_FALSE(none);
        EXPECT_EQ(DISP_E_EXCEPTION, error.result);
        EXPECT_EQ(DISP_E_BADINDEX, error.scode);
    }
    // The index may come as any number type.
    AutomationObject byLong;
    ASSERT_EQ(S_OK, items.InvokeObject(kItem, DISPATCH_METHOD, {LongArgument(1)}, &byLong, &error));
    EXPECT_EQ(u"one", Text(byLong, kBody));
}

TEST_F(OutlookServer, GetItemFromIdFindsNotesAndRaises4096ForUnknownOnes) {
    AutomationObject item = AddNote(u"find me");
    const std::u16string entryId = Text(item, kEntryID);
    DISPID storeIdMember = 0;
    ASSERT_EQ(S_OK, folder.IdOfName(u"StoreID", &storeIdMember));
    const std::u16string storeId = Text(folder, storeIdMember);
    EXPECT_GE(storeId.size(), 100u);

    CallError error;
    AutomationObject found;
    ASSERT_EQ(S_OK, nameSpace.InvokeObject(0x2109, DISPATCH_METHOD,
                                           {TextArgument(entryId), TextArgument(storeId)}, &found,
                                           &error));
    EXPECT_EQ(u"find me", Text(found, kBody));

    struct Case {
        const char* name;
        std::u16string entryId, storeId;
    } cases[] = {
        {"unknown EntryID", u"0123456789ABCDEF", storeId},
        {"other store", entryId, u"00FF"},
        {"not hex", u"\u00E9t\u00E9", storeId},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AutomationObject none;
        EXPECT_EQ(DISP_E_EXCEPTION,
                  nameSpace.InvokeObject(kGetItemFromID, DISPATCH_METHOD,
                                         {TextArgument(c.entryId), TextArgument(c.storeId)}, &none,
                                         &error));
        EXPECT_EQ(4096, error.code);
        EXPECT_EQ(u"The operation failed. An object could not be found.", error.description);
    }

    // A note deleted through another item object is gone for this one too.
    ASSERT_EQ(S_OK, found.Invoke(kDelete, DISPATCH_METHOD, {}, nullptr, &error));
    std::u16string body;
    EXPECT_EQ(DISP_E_EXCEPTION, item.GetText(kBody, &body, &error));
    EXPECT_EQ(4096, error.code);
}

TEST_F(OutlookServer, ExceptionTextsComeThroughTheDeferredFillIn) {
    VARIANT arguments[1];
    arguments[0] = TextArgument(u"FFFF");
    DISPPARAMS params{arguments, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    ASSERT_EQ(DISP_E_EXCEPTION,
              nameSpace.get()->Invoke(kGetItemFromID, IID_NULL, 0, DISPATCH_METHOD, &params,
                                      &result, &exception, nullptr));
    VariantClear(&arguments[0]);
    EXPECT_EQ(4096, exception.wCode);
    EXPECT_EQ(0, exception.scode);
    EXPECT_EQ(nullptr, exception.bstrDescription);
    ASSERT_NE(nullptr, exception.pfnDeferredFillIn);
    ASSERT_EQ(S_OK, exception.pfnDeferredFillIn(&exception));
    EXPECT_EQ(u"Microsoft Outlook", std::u16string(exception.bstrSource));
    EXPECT_EQ(u"The operation failed. An object could not be found.",
              std::u16string(exception.bstrDescription));
    EXPECT_EQ(VT_EMPTY, result.vt);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
}

TEST_F(OutlookServer, NameSpaceMembersAndTheCurrentUserByName) {
    CallError error;
    ASSERT_EQ(S_OK, nameSpace.Invoke(0x2105, DISPATCH_METHOD,
                                     {TextArgument(u""), TextArgument(u""), BoolArgument(false),
                                      BoolArgument(true)},
                                     nullptr, &error));
    DISPID currentUser = 0;
    ASSERT_EQ(S_OK, nameSpace.IdOfName(u"CurrentUser", &currentUser));
    VARIANT recipient;
    ASSERT_EQ(S_OK, nameSpace.Invoke(currentUser, DISPATCH_PROPERTYGET, {}, &recipient, &error));
    ASSERT_EQ(VT_DISPATCH, recipient.vt);
    VARIANT name;
    VariantInit(&name);
    ASSERT_EQ(S_OK, VariantChangeType(&name, &recipient, 0, VT_BSTR));
    EXPECT_EQ(u"Outlook User", std::u16string(name.bstrVal));
    VariantClear(&name);
    VariantClear(&recipient);
    ASSERT_EQ(S_OK, nameSpace.Invoke(0x2106, DISPATCH_METHOD, {}, nullptr, &error));
    DISPID unknown = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, nameSpace.IdOfName(u"NoSuchMember", &unknown));
    EXPECT_EQ(DISPID_UNKNOWN, unknown);
}

TEST_F(OutlookServer, InvokeRefusesWhatOutlookRefuses) {
    AutomationObject item = AddNote(u"x");
    CallError error;
    VARIANT value = TextArgument(u"y");
    DISPPARAMS unnamed{&value, nullptr, 1, 0};
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL, item.get()->Invoke(kBody, IID_NULL, 0, DISPATCH_PROPERTYPUT,
                                                          &unnamed, nullptr, nullptr, nullptr));
    VariantClear(&value);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
              item.Invoke(0x1234, DISPATCH_PROPERTYGET, {}, nullptr, &error));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, item.Put(kCreationTime, LongArgument(1), &error));
    EXPECT_EQ(DISP_E_EXCEPTION, item.Put(kColor, LongArgument(5), &error));
    EXPECT_EQ(E_INVALIDARG, error.scode);
    UINT badArgument = 99;
    VARIANT object;
    VariantInit(&object);
    object.vt = VT_BSTR;
    object.bstrVal = SysAllocString(u"not a number");
    DISPPARAMS params{&object, nullptr, 1, 0};
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              application.get()->Invoke(kCreateItem, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                                        nullptr, &badArgument));
    EXPECT_EQ(0u, badArgument);
    VariantClear(&object);
    // A put changes nothing stored until Save.
    ASSERT_EQ(S_OK, item.Put(kBody, TextArgument(u"unsaved"), &error));
    EXPECT_EQ("x 3 []\n", Dump());
}

TEST_F(OutlookServer, FaultSwitchMakesANamedMemberRaise) {
    AutomationObject item = AddNote(u"body");
    std::u16string text;
    CallError error;
    setenv("JOTTERWICK_OUTLOOK_FAULT", "Body:4097:2;Save:1234", 1);
    EXPECT_EQ(DISP_E_EXCEPTION, item.GetText(kBody, &text, &error));
    EXPECT_EQ(4097, error.code);
    EXPECT_EQ(DISP_E_EXCEPTION, item.GetText(kBody, &text, &error));
    ASSERT_EQ(S_OK, item.GetText(kBody, &text, &error)); // the count is used up
    EXPECT_EQ(DISP_E_EXCEPTION, item.Invoke(kSave, DISPATCH_METHOD, {}, nullptr, &error));
    EXPECT_EQ(1234, error.code);
    EXPECT_EQ(DISP_E_EXCEPTION, item.Invoke(kSave, DISPATCH_METHOD, {}, nullptr, &error));
    unsetenv("JOTTERWICK_OUTLOOK_FAULT");
    ASSERT_EQ(S_OK, item.Invoke(kSave, DISPATCH_METHOD, {}, nullptr, &error));

    // The registry value is read when the application is created.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Jotterwick\\Outlook", 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const char fault[] = "GetItemFromID:4099:1";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Fault", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(fault), sizeof fault));
    RegCloseKey(key);
    AutomationObject second;
    ASSERT_EQ(S_OK, CreateOutlookApplication(&second));
    AutomationObject space, found;
    ASSERT_EQ(S_OK, second.InvokeObject(kGetNamespace, DISPATCH_METHOD, {TextArgument(u"MAPI")},
                                        &space, &error));
    const std::u16string id = Text(item, kEntryID);
    EXPECT_EQ(DISP_E_EXCEPTION, space.InvokeObject(kGetItemFromID, DISPATCH_METHOD,
                                                   {TextArgument(id)}, &found, &error));
    EXPECT_EQ(4099, error.code);
    EXPECT_EQ(S_OK, space.InvokeObject(kGetItemFromID, DISPATCH_METHOD, {TextArgument(id)}, &found,
                                       &error));
}

TEST_F(OutlookServer, RegistrationWritesWhatTheOptionsDialogReads) {
    // The Office version key, enumerated under HKLM, and the master list under HKCU.
    HKEY office = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Office", 0,
                                           KEY_READ, &office));
    char name[256];
    DWORD length = sizeof name;
    ASSERT_EQ(ERROR_SUCCESS,
              RegEnumKeyExA(office, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ("9.0", name);
    RegCloseKey(office);
    HKEY categories = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER,
                                           "Software\\Microsoft\\Office\\9.0\\Outlook\\Categories",
                                           0, KEY_READ, &categories));
    char list[1024] = {};
    DWORD size = sizeof list;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(categories, nullptr, nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(list), &size));
    RegCloseKey(categories);
    EXPECT_EQ(0, std::string(list).find("Business,Competition,Favorites,"));

    ASSERT_TRUE(outlook::AddMasterCategory("Road Trips"));
    ASSERT_TRUE(outlook::AddMasterCategory("Business"));
    const auto names = outlook::ReadMasterCategories();
    ASSERT_EQ(21u, names.size());
    EXPECT_EQ("Business", names.front());
    EXPECT_EQ("Road Trips", names.back());
    // Registering again keeps the list as the user left it.
    ASSERT_TRUE(outlook::RegisterServer(OUTLOOK_SERVER_PATH));
    EXPECT_EQ(names, outlook::ReadMasterCategories());

    // A new list is joined with the user's list separator, which the dialog cuts at.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER,
                                           "Software\\Microsoft\\Office\\9.0\\Outlook\\Categories",
                                           0, KEY_ALL_ACCESS, &categories));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueA(categories, nullptr));
    RegCloseKey(categories);
    HKEY international = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &international, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(international, "sList", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(";"), 2));
    RegCloseKey(international);
    ASSERT_TRUE(outlook::RegisterServer(OUTLOOK_SERVER_PATH));
    EXPECT_EQ(20u, outlook::ReadMasterCategories().size());
}

TEST(FaultRules, ParseTheSwitchText) {
    std::vector<std::string> problems;
    auto rules = outlook::ParseFaultRules("Body:4097;Save:5:3;bad;Color:x;;Delete:1:", &problems);
    ASSERT_EQ(2u, rules.size());
    EXPECT_EQ(u"Body", rules[0].member);
    EXPECT_EQ(4097, rules[0].code);
    EXPECT_FALSE(rules[0].remaining);
    EXPECT_EQ(5, rules[1].code);
    EXPECT_EQ(3u, *rules[1].remaining);
    EXPECT_EQ(3u, problems.size());
}

TEST_F(OutlookServer, ObjectsCountTheirReferences) {
    AutomationObject item = AddNote(u"counted");
    EXPECT_EQ(2u, item.get()->AddRef());
    EXPECT_EQ(1u, item.get()->Release());
    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, item.get()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(1u, unknown->Release());
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, item.get()->QueryInterface(IID_IClassFactory, &none));
    EXPECT_EQ(nullptr, none);
}

TEST_F(OutlookServer, SavesNeverHideEachOther) {
    PinTime(2000, 1, 1, 12, 0, 0);
    AutomationObject item = AddNote(u"first");
    DATE first = 0, second = 0;
    CallError error;
    ASSERT_EQ(S_OK, item.GetDate(kLastModificationTime, &first, &error));
    // A second save in the same second still moves the time on.
    ASSERT_EQ(S_OK, item.Put(kBody, TextArgument(u"second"), &error));
    ASSERT_EQ(S_OK, item.Invoke(kSave, DISPATCH_METHOD, {}, nullptr, &error));
    ASSERT_EQ(S_OK, item.GetDate(kLastModificationTime, &second, &error));
    EXPECT_GT(second, first);

    // An edit begun before another process saved the note is refused at
    // its save, and so is a deletion through an item fetched before such a
    // save; the other save stands either way.
    const std::u16string entryId = Text(item, kEntryID);
    ASSERT_EQ(S_OK, item.Put(kBody, TextArgument(u"stale edit"), &error));
    auto refusedAfterASaveElsewhere = [&](AutomationObject& stale, DISPID member,
                                          const char* body) {
        testsupport::ChildProcess editor(
            testsupport::BuiltProgram("peers/outlook/outlook-notes"),
            {"edit", std::string(entryId.begin(), entryId.end()), "--body", body});
        ASSERT_EQ(0, editor.Wait());
        EXPECT_EQ(DISP_E_EXCEPTION, stale.Invoke(member, DISPATCH_METHOD, {}, nullptr, &error));
        EXPECT_EQ(static_cast<HRESULT>(0x80040109), error.scode);
        AutomationObject fetched;
        ASSERT_EQ(S_OK, nameSpace.InvokeObject(kGetItemFromID, DISPATCH_METHOD,
                                               {TextArgument(entryId)}, &fetched, &error));
        EXPECT_EQ(std::u16string(body, body + std::strlen(body)), Text(fetched, kBody));
        stale = std::move(fetched);
    };
    refusedAfterASaveElsewhere(item, kSave, "saved elsewhere");
    refusedAfterASaveElsewhere(item, kDelete, "saved again");
    EXPECT_EQ(S_OK, item.Invoke(kDelete, DISPATCH_METHOD, {}, nullptr, &error));
}

TEST_F(OutlookServer, TwoProcessesShareOneStore) {
    // Another process adds notes while this one does; both see all of them.
    const std::string notes = testsupport::BuiltProgram("peers/outlook/outlook-notes");
    testsupport::ChildProcess child(
        "/bin/sh", {"-c", "for i in 1 2 3 4 5 6 7 8 9 10; do '" + notes +
                              "' add --body child$i --color 1 >/dev/null || exit 1; done"});
    for (int i = 1; i <= 10; ++i)
        AddNote(u"parent" + std::u16string(1, char16_t(u'0' + i % 10)));
    EXPECT_EQ(0, child.Wait());
    ASSERT_EQ(20, Count());
    std::set<std::u16string> entryIds;
    int fromChild = 0;
    for (SHORT i = 1; i <= 20; ++i) {
        CallError error;
        AutomationObject item = Item(i, &error);
        entryIds.insert(Text(item, kEntryID));
        fromChild += Text(item, kBody).rfind(u"child", 0) == 0;
    }
    EXPECT_EQ(20u, entryIds.size());
    EXPECT_EQ(10, fromChild);

    // A note another process changed reads anew once it is fetched again.
    CallError error;
    AutomationObject first = Item(1, &error);
    const std::u16string entryId = Text(first, kEntryID);
    testsupport::ChildProcess editor(
        notes, {"edit", std::string(entryId.begin(), entryId.end()), "--body", "edited elsewhere"});
    ASSERT_EQ(0, editor.Wait());
    AutomationObject again;
    ASSERT_EQ(S_OK, nameSpace.InvokeObject(kGetItemFromID, DISPATCH_METHOD, {TextArgument(entryId)},
                                           &again, &error));
    EXPECT_EQ(u"edited elsewhere", Text(again, kBody));
    // And a note another process deleted is gone once the folder is counted.
    testsupport::ChildProcess remover(notes,
                                      {"delete", std::string(entryId.begin(), entryId.end())});
    ASSERT_EQ(0, remover.Wait());
    EXPECT_EQ(19, Count());
    std::u16string body;
    EXPECT_EQ(DISP_E_EXCEPTION, again.GetText(kBody, &body, &error));
    EXPECT_EQ(4096, error.code);
}

TEST_F(OutlookServer, ANoteReadsItsTextsAndTimesOfOneVersion) {
    // A walk over the folder reads EntryIDs and times; the texts it left
    // unread come, when first asked for, with the times that go with them.
    PinTime(2000, 1, 1, 12, 0, 0);
    AddNote(u"first version");
    AddNote(u"other");
    ASSERT_EQ(2, Count());
    CallError error;
    AutomationObject walked = Item(1, &error);
    const std::u16string entryId = Text(walked, kEntryID);
    DATE before = 0, after = 0;
    ASSERT_EQ(S_OK, walked.GetDate(kLastModificationTime, &before, &error));
    testsupport::ChildProcess editor(
        testsupport::BuiltProgram("peers/outlook/outlook-notes"),
        {"edit", std::string(entryId.begin(), entryId.end()), "--body", "second version"});
    ASSERT_EQ(0, editor.Wait());
    EXPECT_EQ(u"second version", Text(walked, kBody));
    ASSERT_EQ(S_OK, walked.GetDate(kLastModificationTime, &after, &error));
    EXPECT_GT(after, before);
    EXPECT_EQ(u"other", Text(Item(2, &error), kBody));
    // Being of one version, the note saves over the other process's save.
    ASSERT_EQ(S_OK, walked.Put(kBody, TextArgument(u"third version"), &error));
    EXPECT_EQ(S_OK, walked.Invoke(kSave, DISPATCH_METHOD, {}, nullptr, &error));
    EXPECT_EQ("third version 3 []\nother 3 []\n", Dump());
}

} // namespace
