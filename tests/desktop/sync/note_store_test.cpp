// The store over Outlook's Notes folder: settings, session, store identity,
// enumeration, change detection, filters, conflicts and duplicates.
#include "store_fixture.h"
#include "support/pinned_clock.h"

#include "desktop/sync/outlook_time.h"
#include "platform/ui/icon.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace storetest {
namespace {

constexpr HRESULT kAccessDenied = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);

STOREINFO EmptyStoreInfo() {
    STOREINFO info;
    std::memset(&info, 0xEE, sizeof info);
    info.cbStruct = sizeof info;
    return info;
}

TEST_F(StoreTest, DefaultsWithoutSettings) {
    CreateInitializedStore();
    STOREINFO info = EmptyStoreInfo();
    info.cbMaxStoreId = 0;
    info.lpbStoreId = nullptr;
    EXPECT_EQ(E_OUTOFMEMORY, store->GetStoreInfo(&info));
    EXPECT_EQ(SCF_SINGLE_THREAD, info.uFlags);
    EXPECT_EQ(0xFFFFFFFFu, info.uTimerRes);
    EXPECT_STREQ("Jotterwick.WinCE.Jotterwick", info.szProgId);
    EXPECT_STREQ("Jotterwick Objects", info.szStoreDesc);
    EXPECT_EQ((std::vector<UINT>{QDC_SEL_DEVICE_KEY}), notify.queried);
}

TEST_F(StoreTest, RealTimeAsksForTheTimer) {
    struct Case {
        DWORD delay;
        UINT timer;
    } cases[] = {// Every period the millisecond timer can hold is kept, whoever wrote it.
                 {60, 60000},
                 {1, 1000},
                 {35999, 35999000},
                 {36000, 36000000},
                 {86400, 86400000},
                 {4294967, 4294967000u},
                 // No period, or one that overflows the timer: the default.
                 {0, 60000},
                 {4294968, 60000},
                 {0xFFFFFFFF, 60000}};
    for (const Case& c : cases) {
        SetDeviceDword("RealTime", 1);
        SetDeviceDword("RefreshDelay", c.delay);
        IReplStore* s = CreateStore();
        ASSERT_EQ(S_OK, s->Initialize(&notify, ISF_SELECTED_DEVICE));
        STOREINFO info = EmptyStoreInfo();
        info.cbMaxStoreId = 0;
        s->GetStoreInfo(&info);
        EXPECT_EQ(SCF_SINGLE_THREAD | SCF_SIMULATE_RTS, info.uFlags) << c.delay;
        EXPECT_EQ(c.timer, info.uTimerRes) << "a delay of " << c.delay;
        s->Release();
    }
}

TEST_F(StoreTest, StoreInfoBeforeInitialize) {
    store = CreateStore();
    STOREINFO info = EmptyStoreInfo();
    EXPECT_EQ(S_OK, store->GetStoreInfo(&info));
    EXPECT_STREQ("Jotterwick.WinCE.Jotterwick", info.szProgId);
    EXPECT_STREQ("Jotterwick Objects", info.szStoreDesc);
    EXPECT_EQ(0xEEEEEEEEu, info.cbStoreId) << "left untouched";
    info.cbStruct = 476;
    EXPECT_EQ(E_INVALIDARG, store->GetStoreInfo(&info));
}

TEST_F(StoreTest, StoreIdentifierIsTheUserName) {
    CreateInitializedStore();
    const std::string user = "Outlook User"; // the stand-in's default user
    BYTE buffer[64];
    std::memset(buffer, 0xEE, sizeof buffer);
    STOREINFO info = EmptyStoreInfo();
    info.lpbStoreId = buffer;
    info.cbMaxStoreId = static_cast<UINT>(user.size());
    EXPECT_EQ(E_OUTOFMEMORY, store->GetStoreInfo(&info));
    EXPECT_EQ(user.size() + 1, info.cbStoreId);
    EXPECT_EQ(0xEE, buffer[0]);
    info.cbMaxStoreId = static_cast<UINT>(user.size() + 1);
    info.lpbStoreId = nullptr;
    EXPECT_EQ(E_POINTER, store->GetStoreInfo(&info));
    info.lpbStoreId = buffer;
    EXPECT_EQ(S_OK, store->GetStoreInfo(&info));
    EXPECT_EQ(user, std::string(reinterpret_cast<char*>(buffer)));
    EXPECT_EQ(0xEE, buffer[user.size() + 1]) << "nothing past the zero";
}

TEST_F(StoreTest, QueryDeviceCodeAndItsFailure) {
    store = CreateStore();
    notify.failure = kAccessDenied;
    EXPECT_EQ(kAccessDenied, store->Initialize(&notify, 0));
    EXPECT_EQ((std::vector<UINT>{QDC_CON_DEVICE_KEY}), notify.queried);
    STOREINFO info = EmptyStoreInfo();
    EXPECT_EQ(S_OK, store->GetStoreInfo(&info));
    EXPECT_EQ(0xEEEEEEEEu, info.cbStoreId) << "the store stays uninitialized";
    notify.failure = S_OK;
    EXPECT_EQ(S_OK, store->Initialize(&notify, 0));
    EXPECT_EQ(QDC_CON_DEVICE_KEY, notify.queried.back());
}

TEST_F(StoreTest, CompareStoreIDs) {
    store = CreateStore();
    BYTE a[] = {1, 2, 3, 4, 5};
    BYTE b[] = {1, 2, 9, 0, 0};
    BYTE high[] = {0x80};
    BYTE low[] = {0x7F};
    EXPECT_EQ(-1, store->CompareStoreIDs(b, 3, a, 5)) << "the shorter first, whatever it holds";
    EXPECT_EQ(1, store->CompareStoreIDs(a, 5, b, 3));
    EXPECT_EQ(0, store->CompareStoreIDs(a, 2, b, 2));
    EXPECT_EQ(-1, store->CompareStoreIDs(a, 3, b, 3));
    EXPECT_EQ(1, store->CompareStoreIDs(high, 1, low, 1)) << "bytes compare unsigned";
}

TEST_F(StoreTest, FolderChangesOutsideASyncPass) {
    CreateInitializedStore();
    BOOL changed = FALSE;
    EXPECT_EQ(S_OK, store->IsFolderChanged(nullptr, &changed));
    EXPECT_TRUE(changed);
    store->ReportStatus(nullptr, nullptr, RSC_BEGIN_SYNC, 0);
    store->IsFolderChanged(nullptr, &changed);
    EXPECT_FALSE(changed);
    store->ReportStatus(nullptr, nullptr, RSC_END_SYNC, 0);
    store->IsFolderChanged(nullptr, &changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(S_OK, store->IsFolderChanged(nullptr, nullptr));
}

TEST_F(StoreTest, FolderInfoHandsOutOneFolderAndTheHandler) {
    CreateInitializedStore();
    HREPLFLD folder = nullptr;
    IUnknown* handler = nullptr;
    EXPECT_EQ(S_OK, store->GetFolderInfo(const_cast<char*>("Jotterwick"), &folder, &handler));
    ASSERT_NE(nullptr, folder);
    handles.push_back(folder);
    EXPECT_NE(nullptr, handler);
    HREPLFLD again = folder;
    EXPECT_EQ(S_OK, store->GetFolderInfo(nullptr, &again, &handler));
    EXPECT_EQ(folder, again) << "a handle already there stays";
    BYTE bytes[5];
    EXPECT_EQ(5u, store->ObjectToBytes(folder, bytes));
    EXPECT_EQ(2, bytes[1]);
}

TEST_F(StoreTest, EnumerationRunsInEntryIdOrder) {
    OutlookNotes outlook;
    for (int i = 0; i < 12; ++i)
        outlook.Add("note " + std::to_string(i));
    CreateInitializedStore();
    std::vector<std::string> expected = outlook.EntryIds();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, EnumeratedKeys());
}

TEST_F(StoreTest, EmptyFolderEnumeratesNothing) {
    CreateInitializedStore();
    HREPLITEM item = reinterpret_cast<HREPLITEM>(0x5A5A);
    BOOL exists = TRUE;
    EXPECT_EQ(S_OK, store->FindFirstItem(nullptr, &item, &exists));
    EXPECT_FALSE(exists);
    EXPECT_EQ(S_OK, store->FindNextItem(nullptr, &item, &exists));
    EXPECT_FALSE(exists);
}

TEST_F(StoreTest, NoteWithALongEntryIdTakesNoPart) {
    OutlookNotes outlook;
    const std::string normal = outlook.Add("normal");
    setenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH", "150", 1);
    const std::string longId = outlook.Add("long");
    unsetenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH");
    ASSERT_EQ(150u, longId.size());
    CreateInitializedStore();
    EXPECT_EQ(std::vector<std::string>{normal}, EnumeratedKeys()) << "never handed out cut";
    EXPECT_FALSE(store->IsItemReplicated(nullptr, ItemFor(longId.substr(0, 140))));
    EXPECT_TRUE(store->IsItemReplicated(nullptr, ItemFor(normal)));
}

TEST_F(StoreTest, PersistedHandleComparesEqualAndUnchanged) {
    OutlookNotes outlook;
    outlook.Add("one");
    CreateInitializedStore();
    HREPLITEM item = nullptr;
    BOOL exists = FALSE;
    ASSERT_EQ(S_OK, store->FindFirstItem(nullptr, &item, &exists));
    ASSERT_TRUE(exists);
    handles.push_back(item);
    EXPECT_EQ(154u, store->ObjectToBytes(item, nullptr));
    BYTE bytes[154];
    ASSERT_EQ(154u, store->ObjectToBytes(item, bytes));
    HREPLITEM copy = store->BytesToObject(bytes, sizeof bytes);
    ASSERT_NE(nullptr, copy);
    handles.push_back(copy);
    EXPECT_EQ(0, store->CompareItem(item, copy));
    EXPECT_FALSE(store->IsItemChanged(nullptr, item, copy));
    EXPECT_FALSE(store->IsItemChanged(nullptr, copy, nullptr)) << "against Outlook";
    EXPECT_EQ(nullptr, store->BytesToObject(bytes, 153));
    EXPECT_EQ(nullptr, store->BytesToObject(bytes, 4));
    BYTE folder[] = {1, 2, 0, 0, 0};
    HREPLOBJ folderHandle = store->BytesToObject(folder, 5);
    ASSERT_NE(nullptr, folderHandle);
    handles.push_back(folderHandle);
    folder[1] = 3;
    EXPECT_EQ(nullptr, store->BytesToObject(folder, 5));
    store->FindItemClose(nullptr);
}

TEST_F(StoreTest, ChangeInOutlookIsSeenAndUpdateItemTakesItsTime) {
    PinnedClock clock;
    OutlookNotes outlook;
    const std::string id = outlook.Add("before");
    CreateInitializedStore();
    const FILETIME saved = FileTimeFromOutlookDate(outlook.Open(id).GetLastModificationTime());
    HREPLITEM item = ItemFor(id, saved);
    EXPECT_FALSE(store->IsItemChanged(nullptr, item, nullptr));
    // Outlook keeps times to the second.
    clock.AdvanceSeconds(2);
    OutlookNoteItem note = outlook.Open(id);
    note.SetBody("after");
    note.Save();
    EXPECT_TRUE(store->IsItemChanged(nullptr, item, nullptr));
    store->UpdateItem(nullptr, item, nullptr);
    EXPECT_FALSE(store->IsItemChanged(nullptr, item, nullptr));

    HREPLITEM older = ItemFor(id, saved);
    EXPECT_TRUE(store->IsItemChanged(nullptr, older, item)) << "either direction counts";
    EXPECT_TRUE(store->IsItemChanged(nullptr, item, older));
    store->UpdateItem(nullptr, older, item);
    EXPECT_FALSE(store->IsItemChanged(nullptr, older, item));

    HREPLITEM gone = ItemFor("00FF", saved);
    EXPECT_FALSE(store->IsItemChanged(nullptr, gone, nullptr)) << "a missing note is unchanged";
    store->UpdateItem(nullptr, gone, nullptr);
    EXPECT_FALSE(store->IsItemChanged(nullptr, gone, ItemFor("00FF", saved)))
        << "its time left alone";
}

TEST_F(StoreTest, FiltersByStopColourAndCategory) {
    OutlookNotes outlook;
    const std::string yellowWork = outlook.Add("a", "Personal", 3);
    const std::string both = outlook.Add("b", "Business, Personal", 1);
    const std::string stuff = outlook.Add("c", "Personal Stuff", 1);
    const std::string none = outlook.Add("d", "", 1);
    SetDeviceDword("StopColor", 3);
    SetDeviceText("FilterCat", "Personal\t");
    CreateInitializedStore();
    EXPECT_TRUE(store->IsItemReplicated(nullptr, nullptr)) << "the folder";
    EXPECT_FALSE(store->IsItemReplicated(nullptr, ItemFor(yellowWork))) << "stop colour wins";
    EXPECT_TRUE(store->IsItemReplicated(nullptr, ItemFor(both)));
    EXPECT_FALSE(store->IsItemReplicated(nullptr, ItemFor(stuff)));
    EXPECT_FALSE(store->IsItemReplicated(nullptr, ItemFor(none)));
    EXPECT_FALSE(store->IsItemReplicated(nullptr, ItemFor("00FF")));
}

TEST_F(StoreTest, WithoutFiltersEveryNoteThatExistsTakesPart) {
    OutlookNotes outlook;
    const std::string a = outlook.Add("a", "", 3);
    const std::string b = outlook.Add("b", "X", 4);
    CreateInitializedStore();
    EXPECT_TRUE(store->IsItemReplicated(nullptr, ItemFor(a)));
    EXPECT_TRUE(store->IsItemReplicated(nullptr, ItemFor(b)));
}

TEST_F(StoreTest, FilterTextIsCutAtTabs) {
    OutlookNotes outlook;
    const std::string work = outlook.Add("w", "Work");
    const std::string priv = outlook.Add("p", "Private");
    const std::string empty = outlook.Add("e", "Other; ");
    SetListSeparator(";");
    SetDeviceText("FilterCat", "Work\tPrivate");
    CreateInitializedStore();
    EXPECT_TRUE(store->IsItemReplicated(nullptr, ItemFor(work)));
    EXPECT_FALSE(store->IsItemReplicated(nullptr, ItemFor(priv))) << "after the last TAB";
    store->Release();
    store = nullptr;
    SetDeviceText("FilterCat", "Work\t\tPrivate\t");
    CreateInitializedStore();
    EXPECT_TRUE(store->IsItemReplicated(nullptr, ItemFor(priv)));
    EXPECT_TRUE(store->IsItemReplicated(nullptr, ItemFor(empty))) << "the empty category";
}

TEST_F(StoreTest, ReleaseStatusLogsOff) {
    OutlookNotes outlook;
    const std::string id = outlook.Add("x");
    CreateInitializedStore();
    HREPLITEM item = ItemFor(id);
    EXPECT_TRUE(store->IsItemReplicated(nullptr, item));
    EXPECT_EQ(S_OK, store->ReportStatus(nullptr, nullptr, RSC_RELEASE, 0));
    EXPECT_FALSE(store->IsItemReplicated(nullptr, item)) << "no session to find notes with";
    EXPECT_EQ(S_OK, store->ReportStatus(nullptr, nullptr, 42, 0));
}

TEST_F(StoreTest, HandleChecks) {
    OutlookNotes outlook;
    const std::string id = outlook.Add("x");
    CreateInitializedStore();
    HREPLFLD folder = nullptr;
    store->GetFolderInfo(nullptr, &folder, nullptr);
    handles.push_back(folder);
    HREPLITEM item = ItemFor(id, FILETIME{5, 6});
    const HRESULT invalidHandle = HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    EXPECT_EQ(S_OK, store->IsValidObject(folder, item, 0));
    EXPECT_EQ(invalidHandle, store->IsValidObject(item, nullptr, 0));
    EXPECT_EQ(invalidHandle, store->IsValidObject(nullptr, folder, 0));
    EXPECT_EQ(RERR_OBJECT_DELETED, store->IsValidObject(folder, ItemFor("00FF"), 0));
    EXPECT_FALSE(store->CopyObject(folder, item));
    HREPLITEM other = ItemFor("other");
    EXPECT_TRUE(store->CopyObject(item, other));
    EXPECT_EQ(0, store->CompareItem(item, other));
    EXPECT_FALSE(store->IsItemChanged(nullptr, item, other));
    store->FreeObject(nullptr);
}

TEST_F(StoreTest, ConflictInfo) {
    OutlookNotes outlook;
    const std::string same1 = outlook.Add("same", "A", 1);
    const std::string same2 = outlook.Add("same", "B", 2);
    const std::string longBody = outlook.Add(std::string(600, 'L'));
    CreateInitializedStore();
    CONFINFO info;
    std::memset(&info, 0xEE, sizeof info);
    info.cbStruct = sizeof info;
    info.hFolder = nullptr;
    info.hLocalItem = ItemFor(same1);
    info.hRemoteItem = ItemFor(same2);
    EXPECT_EQ(RERR_IGNORE, store->GetConflictInfo(&info));
    EXPECT_EQ('\xEE', info.szLocalDesc[0]) << "descriptions left as they were";
    EXPECT_EQ('\xEE', info.szRemoteDesc[0]);
    info.hRemoteItem = ItemFor(longBody);
    EXPECT_EQ(S_OK, store->GetConflictInfo(&info));
    EXPECT_STREQ("same", info.szLocalDesc);
    EXPECT_EQ(std::string(511, 'L'), info.szRemoteDesc);
    EXPECT_EQ('\xEE', info.szLocalName[0]) << "names are the manager's";
    info.hLocalItem = nullptr;
    EXPECT_EQ(S_OK, store->GetConflictInfo(&info));
    info.hLocalItem = ItemFor("00FF");
    EXPECT_EQ(RERR_IGNORE, store->GetConflictInfo(&info)) << "a note that has gone";
    info.cbStruct = 1236;
    EXPECT_EQ(E_INVALIDARG, store->GetConflictInfo(&info));
}

TEST_F(StoreTest, RemoveDuplicatesKeepsTheFirstOfEachGroup) {
    OutlookNotes outlook;
    outlook.Add("same", "A, B", 1);
    outlook.Add("other", "", 1);
    outlook.Add("same", "A, B", 1);
    outlook.Add("same", "A, B", 1);
    outlook.Add("same", "A, B", 2);
    outlook.Add("other", "", 1);
    CreateInitializedStore();
    EXPECT_EQ(E_NOTIMPL, store->RemoveDuplicates(const_cast<char*>("jotterwick"), 0));
    EXPECT_EQ(6, outlook.Count());
    EXPECT_EQ(S_OK, store->RemoveDuplicates(const_cast<char*>("Jotterwick"), 0));
    EXPECT_EQ("same [A, B] 1\nother [] 1\nsame [A, B] 2\n", outlook.Dump());
    EXPECT_EQ(S_OK, store->RemoveDuplicates(nullptr, 0));
    EXPECT_EQ(3, outlook.Count());
}

TEST_F(StoreTest, RemoveDuplicatesLeavesNotesOutsideSynchronizationAlone) {
    OutlookNotes outlook;
    setenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH", "150", 1);
    outlook.Add("same");
    unsetenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH");
    outlook.Add("same");
    outlook.Add("same");
    CreateInitializedStore();
    EXPECT_EQ(S_OK, store->RemoveDuplicates(nullptr, 0));
    EXPECT_EQ("same [] 3\nsame [] 3\n", outlook.Dump());
}

TEST_F(StoreTest, ObjectTypeUserInterfaceData) {
    store = CreateStore();
    OBJUIDATA data;
    std::memset(&data, 0xEE, sizeof data);
    data.cbStruct = 688;
    EXPECT_EQ(E_INVALIDARG, store->GetObjTypeUIData(nullptr, &data));
    data.cbStruct = sizeof data;
    EXPECT_EQ(S_OK, store->GetObjTypeUIData(nullptr, &data));
    EXPECT_STREQ("Jotterwick", data.szName);
    EXPECT_STREQ("Microsoft Outlook", data.szSyncText);
    EXPECT_STREQ("Database", data.szTypeText);
    EXPECT_STREQ("Databases", data.szPlTypeText);

    // Icon 200: a picture in 16 colours at both sizes, with a transparent edge.
    // Copied out: the record is packed, its icons not aligned for a reference.
    const HICON large = data.hIconLarge;
    const HICON small = data.hIconSmall;
    const std::pair<HICON, int> icons[] = {{large, 32}, {small, 16}};
    for (const auto& [icon, size] : icons) {
        ASSERT_NE(nullptr, icon) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[16];
        } dib{};
        dib.header.biSize = sizeof dib.header;
        ASSERT_NE(0, GetDIBits(nullptr, info.hbmColor, 0, size, nullptr,
                               reinterpret_cast<BITMAPINFO*>(&dib), DIB_RGB_COLORS));
        EXPECT_EQ(size, dib.header.biWidth);
        EXPECT_EQ(size, dib.header.biHeight);
        EXPECT_EQ(4, dib.header.biBitCount);
        EXPECT_EQ(16u, dib.header.biClrUsed);
        std::vector<BYTE> rows(dib.header.biSizeImage);
        ASSERT_EQ(size, GetDIBits(nullptr, info.hbmColor, 0, size, rows.data(),
                                  reinterpret_cast<BITMAPINFO*>(&dib), DIB_RGB_COLORS));
        std::set<int> used;
        for (BYTE b : rows)
            used.insert({b >> 4, b & 0x0F});
        EXPECT_GE(used.size(), 5u) << "a drawing, not a blank";
        std::vector<BYTE> mask(((size + 31) / 32) * 4 * size);
        dib.header.biBitCount = 1;
        ASSERT_EQ(size, GetDIBits(nullptr, info.hbmMask, 0, size, mask.data(),
                                  reinterpret_cast<BITMAPINFO*>(&dib), DIB_RGB_COLORS));
        EXPECT_NE(0, mask.front()) << "the corner shows what lies under the icon";
        EXPECT_NE(std::count(mask.begin(), mask.end(), 0xFF), static_cast<long>(mask.size()));
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        EXPECT_TRUE(DestroyIcon(icon));
    }
}

// ---------------------------------------------------------------- dispatch error report

TEST_F(StoreTest, AutomationErrorIsReportedInAMessageBox) {
    OutlookNotes outlook;
    const std::string id = outlook.Add("x");
    CreateInitializedStore();
    HREPLITEM item = ItemFor(id);
    PromptLog log;
    setenv("JOTTERWICK_OUTLOOK_FAULT", "Color:4097", 1);
    EXPECT_FALSE(store->IsItemReplicated(nullptr, item));
    const auto boxes = log.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].find("OleDispatchException|Number: 4097\nDesc: ")) << boxes[0];
    EXPECT_EQ("|OK", boxes[0].substr(boxes[0].size() - 3)) << "a box with an OK button only";
    EXPECT_GE(notify.windowRequests, 1) << "owned by the manager's window";
}

TEST_F(StoreTest, NotFoundIsNotReportedOutsideInitialize) {
    OutlookNotes outlook;
    const std::string id = outlook.Add("x");
    CreateInitializedStore();
    PromptLog log;
    EXPECT_FALSE(store->IsItemReplicated(nullptr, ItemFor("00FF")));
    setenv("JOTTERWICK_OUTLOOK_FAULT", "Color:4096", 1);
    EXPECT_FALSE(store->IsItemReplicated(nullptr, ItemFor(id)));
    EXPECT_TRUE(log.Boxes().empty());
}

TEST_F(StoreTest, InitializeReportsEveryAutomationErrorAndSucceeds) {
    setenv("JOTTERWICK_OUTLOOK_FAULT", "GetDefaultFolder:4096", 1);
    PromptLog log;
    store = CreateStore();
    EXPECT_EQ(S_OK, store->Initialize(&notify, ISF_SELECTED_DEVICE));
    const auto boxes = log.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].find("OleDispatchException|Number: 4096\nDesc: ")) << boxes[0];
    STOREINFO info = EmptyStoreInfo();
    info.cbMaxStoreId = 0;
    EXPECT_EQ(E_OUTOFMEMORY, store->GetStoreInfo(&info));
    EXPECT_EQ(1u, info.cbStoreId) << "initialized, without a user";
}

TEST_F(StoreTest, AutomationErrorEndsEnumerationWithAFailure) {
    OutlookNotes outlook;
    outlook.Add("a");
    outlook.Add("b");
    CreateInitializedStore();
    HREPLITEM item = nullptr;
    BOOL exists = FALSE;
    ASSERT_EQ(S_OK, store->FindFirstItem(nullptr, &item, &exists));
    handles.push_back(item);
    PromptLog log;
    setenv("JOTTERWICK_OUTLOOK_FAULT", "LastModificationTime:4097", 1);
    EXPECT_EQ(E_FAIL, store->FindNextItem(nullptr, &item, &exists))
        << "not 'no more notes', which would read as a deletion";
    EXPECT_FALSE(exists);
    EXPECT_EQ(1u, log.Boxes().size());
    unsetenv("JOTTERWICK_OUTLOOK_FAULT");
    ASSERT_EQ(S_OK, store->FindNextItem(nullptr, &item, &exists)) << "the note is still there";
    EXPECT_TRUE(exists);
    handles.push_back(item);
    setenv("JOTTERWICK_OUTLOOK_FAULT", "EntryID:4097", 1);
    EXPECT_EQ(E_FAIL, store->FindFirstItem(nullptr, &item, &exists));
    EXPECT_FALSE(exists);
}

TEST_F(StoreTest, RemoveDuplicatesStopsAtAnAutomationErrorWithNothingRemoved) {
    OutlookNotes outlook;
    outlook.Add("same");
    outlook.Add("same");
    CreateInitializedStore();
    PromptLog log;
    setenv("JOTTERWICK_OUTLOOK_FAULT", "Categories:4097:1", 1);
    EXPECT_EQ(S_OK, store->RemoveDuplicates(nullptr, 0));
    EXPECT_EQ(1u, log.Boxes().size());
    unsetenv("JOTTERWICK_OUTLOOK_FAULT");
    EXPECT_EQ(2, outlook.Count());
}

} // namespace
} // namespace storetest
