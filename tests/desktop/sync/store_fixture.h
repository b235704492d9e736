// What the store tests share: a fresh desktop with JOTTAPC and the Outlook
// stand-in registered, a store made the way the desktop service manager
// makes it (CoCreateInstance of the registered class, the library loaded
// with dlopen), a test IReplNotify that hands out a per-device registry key,
// Outlook's notes reached through automation, and the log of the message
// boxes shown.
#pragma once

#include "desktop/sync/jottapc.h"
#include "desktop/sync/outlook_application.h"
#include "desktop/sync/outlook_folder.h"
#include "desktop/sync/outlook_items.h"
#include "desktop/sync/outlook_name_space.h"
#include "desktop/sync/outlook_note_item.h"
#include "platform/activesync/replstore.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace storetest {

// The service manager's callback: QueryDevice 3 and 4 hand out the keys of
// two devices, each under its own path.
class TestNotify final : public IReplNotify {
public:
    static constexpr const char* kSelectedKey = "Software\\JotterwickTest\\Devices\\Selected";
    static constexpr const char* kConnectedKey = "Software\\JotterwickTest\\Devices\\Connected";

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT SetStatusText(LPSTR) override { return S_OK; }
    HWND GetWindow(UINT uFlags) override;
    HRESULT OnItemNotify(UINT, LPSTR, LPSTR, HREPLITEM, ULONG) override;
    HRESULT QueryDevice(UINT uCode, void** ppvData) override;

    std::vector<UINT> queried; // the codes QueryDevice was asked for
    HRESULT failure = S_OK;    // QueryDevice fails with this when set
    int windowRequests = 0;
    int itemNotifications = 0;
};

// The prompt log of every message box shown in this process (by any copy of
// the window system: JOTTAPC carries its own).
class PromptLog {
public:
    PromptLog();
    // The message boxes shown since construction: "CAPTION|TEXT|BUTTON" each,
    // BUTTON the one that answered it.
    std::vector<std::string> Boxes() const;

private:
    std::size_t m_start;
};

// Outlook's Notes folder, reached through automation from the test.
class OutlookNotes {
public:
    OutlookNotes();
    // Saves a new note; returns its EntryID.
    std::string Add(const std::string& body, const std::string& categories = "", LONG color = 3);
    OutlookNoteItem Open(const std::string& entryId) const;
    // The folder in item order: "body [categories] colour" per line.
    std::string Dump() const;
    std::vector<std::string> EntryIds() const;
    LONG Count() const;

private:
    OutlookApplication m_application;
    OutlookNameSpace m_session;
    OutlookFolder m_folder;
};

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A store from CoCreateInstance, one reference held by the test.
    IReplStore* CreateStore();
    // CreateStore and Initialize with the selected device's key.
    IReplStore* CreateInitializedStore();
    void SetDeviceDword(const char* name, DWORD value);
    void SetDeviceText(const char* name, const std::string& text);
    static void SetListSeparator(const std::string& separator);
    static void SetCodePage(const char* codePage);

    // An item handle for `entryId` (through the persisted form); the store
    // frees it. It carries `modified`, by default the note's own time, as
    // an enumeration hands it out (zero for a note that is not there).
    HREPLITEM ItemFor(const std::string& entryId, std::optional<FILETIME> modified = std::nullopt);
    // Every handle of an enumeration, in order; their keys.
    std::vector<std::string> EnumeratedKeys();

    testsupport::TempMachines machines;
    TestNotify notify;
    IReplStore* store = nullptr;
    std::vector<HREPLOBJ> handles; // freed through the store at the end
};

// The key of an item handle, read from its persisted form.
std::string KeyOf(IReplStore* store, HREPLITEM item);

// A DeviceNotePacket as the handheld writes it.
std::vector<BYTE> DevicePacket(DWORD color, const std::u16string& categories,
                               const std::u16string& text);

} // namespace storetest
