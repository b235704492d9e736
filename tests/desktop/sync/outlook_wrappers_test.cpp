// The Outlook wrappers: reference counting, the member each operation
// invokes, argument passing, result conversion and error mapping.
#include "fake_dispatch.h"
#include "desktop/sync/automation_exception.h"
#include "desktop/sync/com_error.h"
#include "desktop/sync/dispatch_error_report.h"
#include "desktop/sync/outlook_application.h"
#include "desktop/sync/outlook_folder.h"
#include "desktop/sync/outlook_items.h"
#include "desktop/sync/outlook_name_space.h"
#include "desktop/sync/outlook_note_item.h"
#include "platform/win32/registry.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

class OutlookWrappers : public ::testing::Test {
protected:
    testsupport::TempMachines machines;
    FakeDispatch fake;

    std::u16string TextArg(const FakeDispatch::Call& call, std::size_t i) const {
        EXPECT_EQ(VT_BSTR, call.args.at(i).vt);
        return std::u16string(call.args.at(i).bstrVal, SysStringLen(call.args.at(i).bstrVal));
    }
};

void SetCodePage(const char* codePage) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                                             "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, "ACP", 0, REG_SZ, reinterpret_cast<const BYTE*>(codePage),
                   static_cast<DWORD>(std::strlen(codePage) + 1));
    RegCloseKey(key);
}

TEST_F(OutlookWrappers, EmptyWrapperCallsNothing) {
    OutlookNoteItem note;
    EXPECT_FALSE(note);
    EXPECT_EQ("", note.GetBody());
    EXPECT_EQ(0, note.GetColor());
    EXPECT_EQ(0.0, note.GetLastModificationTime());
    note.Save();
    note.SetBody("x");
    OutlookItems items;
    EXPECT_EQ(0, items.GetCount());
    EXPECT_EQ(nullptr, items.Item(1));
    OutlookNameSpace session;
    EXPECT_EQ("", session.GetCurrentUser());
    EXPECT_TRUE(fake.calls.empty());
}

TEST_F(OutlookWrappers, AssignmentAddsOneReferenceAndBothReleaseTwo) {
    fake.AddRef(); // the wrapper takes over this one
    {
        OutlookNoteItem first;
        first.Attach(&fake);
        EXPECT_EQ(2, fake.refs);
        OutlookNoteItem second;
        second = first;
        EXPECT_EQ(3, fake.refs);
        OutlookNoteItem& alias = second;
        second = alias;
        EXPECT_EQ(3, fake.refs) << "self-assignment changes nothing";
        OutlookNoteItem third(std::move(second));
        EXPECT_EQ(3, fake.refs) << "a move takes the reference over";
    }
    EXPECT_EQ(1, fake.refs);
}

TEST_F(OutlookWrappers, AttachWithoutAutoReleaseOwnsNothing) {
    {
        OutlookNoteItem note;
        note.Attach(&fake, FALSE);
        note.Release();
        EXPECT_FALSE(note);
    }
    EXPECT_EQ(1, fake.refs);
    fake.AddRef();
    OutlookNoteItem note;
    note.Attach(&fake);
    note.Attach(nullptr); // lets go of the previous pointer
    EXPECT_EQ(1, fake.refs);
}

TEST_F(OutlookWrappers, EachOperationInvokesItsMember) {
    OutlookApplication application;
    OutlookNameSpace session;
    OutlookFolder folder;
    OutlookItems items;
    OutlookNoteItem note;
    for (OutlookDispatch* wrapper :
         std::initializer_list<OutlookDispatch*>{&application, &session, &folder, &items, &note})
        wrapper->Attach(&fake, FALSE);
    const VARIANT empty{};
    struct Case {
        const char* name;
        std::function<void()> call;
        DISPID dispid;
        WORD flags;
        std::size_t argCount;
    } cases[] = {
        {"GetNamespace", [&] { application.GetNamespace("MAPI"); }, 0x0110, DISPATCH_METHOD, 1},
        {"CreateItem", [&] { application.CreateItem(5); }, 0x010A, DISPATCH_METHOD, 1},
        {"Logon", [&] { session.Logon(empty, empty, empty, empty); }, 0x2105, DISPATCH_METHOD, 4},
        {"Logoff", [&] { session.Logoff(); }, 0x2106, DISPATCH_METHOD, 0},
        {"GetDefaultFolder", [&] { session.GetDefaultFolder(12); }, 0x210B, DISPATCH_METHOD, 1},
        {"GetItemFromID", [&] { session.GetItemFromID("E", empty); }, 0x2109, DISPATCH_METHOD, 2},
        {"Items", [&] { folder.GetItems(); }, 0x3100, DISPATCH_PROPERTYGET, 0},
        {"Count", [&] { items.GetCount(); }, 0x0050, DISPATCH_PROPERTYGET, 0},
        {"Item", [&] { items.Item(1); }, 0x0051, DISPATCH_METHOD, 1},
        {"GetBody", [&] { note.GetBody(); }, 0x9100, DISPATCH_PROPERTYGET, 0},
        {"SetBody", [&] { note.SetBody("b"); }, 0x9100, DISPATCH_PROPERTYPUT, 1},
        {"GetCategories", [&] { note.GetCategories(); }, 0x9001, DISPATCH_PROPERTYGET, 0},
        {"SetCategories", [&] { note.SetCategories("c"); }, 0x9001, DISPATCH_PROPERTYPUT, 1},
        {"GetColor", [&] { note.GetColor(); }, 0x8B00, DISPATCH_PROPERTYGET, 0},
        {"SetColor", [&] { note.SetColor(2); }, 0x8B00, DISPATCH_PROPERTYPUT, 1},
        {"CreationTime", [&] { note.GetCreationTime(); }, 0x3007, DISPATCH_PROPERTYGET, 0},
        {"LastModificationTime", [&] { note.GetLastModificationTime(); }, 0x3008,
         DISPATCH_PROPERTYGET, 0},
        {"EntryID", [&] { note.GetEntryID(); }, 0xF01E, DISPATCH_PROPERTYGET, 0},
        {"Save", [&] { note.Save(); }, 0xF048, DISPATCH_METHOD, 0},
        {"Delete", [&] { note.Delete(); }, 0xF04A, DISPATCH_METHOD, 0},
    };
    // Results of the right type, so that no conversion fails.
    fake.SetLong(0x0050, 3);
    fake.SetLong(0x8B00, 1);
    fake.SetText(0x9100, u"");
    fake.SetText(0x9001, u"");
    fake.SetText(0xF01E, u"");
    for (const Case& c : cases) {
        fake.ClearCalls();
        c.call();
        ASSERT_EQ(1u, fake.calls.size()) << c.name;
        EXPECT_EQ(c.dispid, fake.calls[0].dispid) << c.name;
        EXPECT_EQ(c.flags, fake.calls[0].flags) << c.name;
        EXPECT_EQ(c.argCount, fake.calls[0].args.size()) << c.name;
    }
}

TEST_F(OutlookWrappers, PropertyPutPassesTheNamedArgument) {
    OutlookNoteItem note;
    note.Attach(&fake, FALSE);
    note.SetBody("Hello");
    ASSERT_EQ(1u, fake.calls.size());
    EXPECT_EQ(std::vector<DISPID>{DISPID_PROPERTYPUT}, fake.calls[0].named);
    EXPECT_EQ(u"Hello", TextArg(fake.calls[0], 0));
    fake.ClearCalls();
    note.SetColor(4);
    ASSERT_EQ(VT_I4, fake.calls[0].args[0].vt);
    EXPECT_EQ(4, fake.calls[0].args[0].lVal);
}

TEST_F(OutlookWrappers, ArgumentsGoRightToLeft) {
    OutlookNameSpace session;
    session.Attach(&fake, FALSE);
    VARIANT store;
    VariantInit(&store);
    store.vt = VT_I4;
    store.lVal = 77;
    session.GetItemFromID("ENTRY", store);
    ASSERT_EQ(2u, fake.calls[0].args.size());
    EXPECT_EQ(VT_I4, fake.calls[0].args[0].vt) << "the last argument comes first";
    EXPECT_EQ(u"ENTRY", TextArg(fake.calls[0], 1));
}

TEST_F(OutlookWrappers, ItemIndexIsA16BitIntegerWhileItFits) {
    OutlookItems items;
    items.Attach(&fake, FALSE);
    items.Item(32767);
    items.Item(40000);
    ASSERT_EQ(2u, fake.calls.size());
    EXPECT_EQ(VT_I2, fake.calls[0].args[0].vt);
    EXPECT_EQ(32767, fake.calls[0].args[0].iVal);
    EXPECT_EQ(VT_I4, fake.calls[1].args[0].vt);
    EXPECT_EQ(40000, fake.calls[1].args[0].lVal);
}

TEST_F(OutlookWrappers, NamedPropertiesAreLookedUpFirst) {
    OutlookNameSpace session;
    OutlookFolder folder;
    session.Attach(&fake, FALSE);
    folder.Attach(&fake, FALSE);
    fake.names[u"CurrentUser"] = 0x3100 + 7;
    fake.names[u"StoreID"] = 0x3100 + 8;
    fake.SetText(0x3100 + 7, u"Ann");
    fake.SetText(0x3100 + 8, u"STORE-1");
    EXPECT_EQ("Ann", session.GetCurrentUser());
    EXPECT_EQ("STORE-1", folder.GetStoreID());
    EXPECT_EQ((std::vector<LCID>{0x0800, 0x0800}), fake.nameLocales);
    EXPECT_EQ(DISPATCH_PROPERTYGET, fake.calls[0].flags);
    fake.names.clear();
    EXPECT_THROW(session.GetCurrentUser(), ComError) << "an unknown name fails";
}

TEST_F(OutlookWrappers, ResultsConvertToTheRequestedType) {
    OutlookNoteItem note;
    note.Attach(&fake, FALSE);
    VARIANT shortColor;
    VariantInit(&shortColor);
    shortColor.vt = VT_I2;
    shortColor.iVal = 3;
    fake.results[0x8B00] = shortColor;
    EXPECT_EQ(3, note.GetColor());
    fake.SetLong(0x9100, 42);
    EXPECT_EQ("42", note.GetBody());
    fake.SetText(0x8B00, u"not a number");
    EXPECT_THROW(note.GetColor(), ComError);
}

TEST_F(OutlookWrappers, TextThatTheCodePageLacksBecomesItsDefaultCharacter) {
    OutlookNoteItem note;
    note.Attach(&fake, FALSE);
    fake.SetText(0x9100, u"caf\u00e9 \u4e2d");
    // A new desktop's code page carries every character.
    EXPECT_EQ("caf\xc3\xa9 \xe4\xb8\xad", note.GetBody());
    SetCodePage("1252");
    EXPECT_EQ("caf\xe9 ?", note.GetBody());
    SetCodePage("932");
    fake.SetText(0x9100, u"\u65e5\u672c");
    EXPECT_EQ("\x93\xfa\x96\x7b", note.GetBody());
}

TEST_F(OutlookWrappers, AutomationErrorsRaiseWithTheirCodeAndDescription) {
    OutlookNoteItem note;
    note.Attach(&fake, FALSE);
    fake.failures[0xF048] = {DISP_E_EXCEPTION, 4097, u"Disk full", false};
    fake.failures[0x9100] = {DISP_E_EXCEPTION, 4096, u"Not found", true};
    fake.failures[0xF04A] = {DISP_E_MEMBERNOTFOUND, 0, u"", false};
    try {
        note.Save();
        ADD_FAILURE() << "Save did not raise";
    } catch (const AutomationException& error) {
        EXPECT_EQ(4097, error.Code());
        EXPECT_EQ("Disk full", error.Description());
        EXPECT_EQ("Number: 4097\nDesc: Disk full", DispatchErrorText(error));
    }
    try {
        note.GetBody();
        ADD_FAILURE() << "GetBody did not raise";
    } catch (const AutomationException& error) {
        EXPECT_EQ(4096, error.Code());
        EXPECT_EQ("Not found", error.Description()) << "filled in when deferred";
        EXPECT_EQ("Fake", error.Source());
    }
    try {
        note.Delete();
        ADD_FAILURE() << "Delete did not raise";
    } catch (const ComError& error) {
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, error.Result());
    }
}

TEST(DispatchErrorReport, TextIsCutTo1024Characters) {
    const AutomationException error(12, E_FAIL, "", std::string(5000, 'd'));
    const std::string text = DispatchErrorText(error);
    EXPECT_EQ(1023u, text.size());
    EXPECT_EQ("Number: 12\nDesc: ddd", text.substr(0, 20));
}

} // namespace
