#include "store_fixture.h"

#include "desktop/sync/automation_exception.h"
#include "desktop/sync/outlook_time.h"
#include "desktop/sync/text_variant.h"
#include "peers/outlook/registration.h"
#include "platform/com/objbase.h"
#include "platform/ui/headless/scripted_user.h"
#include "platform/win32/registry.h"
#include "shared/notes/note_packet.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace storetest {

namespace {

constexpr char kStoreClsid[] = "{6A1F3C52-8E4B-4D7A-9B21-5C0E7D3F9A14}";

// One prompt log for the whole process, named before any box is shown: the
// window system of each library reads the variable once.
const std::string& PromptLogPath() {
    static const std::string path = [] {
        std::string name = "/tmp/jottapc-test-prompts-" + std::to_string(getpid()) + ".log";
        setenv("JOTTERWICK_PROMPT_LOG", name.c_str(), 1);
        return name;
    }();
    return path;
}

struct RemoveLogAtExit {
    ~RemoveLogAtExit() { std::remove(PromptLogPath().c_str()); }
} g_removeLog;

std::size_t FileSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<std::size_t>(in.tellg()) : 0;
}

std::string Unescape(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            text += field[i];
            continue;
        }
        const char c = field[++i];
        text += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    return text;
}

void SetValue(HKEY root, const std::string& path, const char* name, DWORD type, const void* data,
              DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr))
        << path;
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

void SetText(HKEY root, const std::string& path, const char* name, const std::string& text) {
    SetValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

} // namespace

// ---------------------------------------------------------------- TestNotify

HRESULT TestNotify::QueryInterface(REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (!(riid == IID_IUnknown))
        return E_NOINTERFACE;
    *ppv = static_cast<IUnknown*>(this);
    return S_OK;
}

HWND TestNotify::GetWindow(UINT) {
    ++windowRequests;
    return nullptr;
}

HRESULT TestNotify::OnItemNotify(UINT, LPSTR, LPSTR, HREPLITEM, ULONG) {
    ++itemNotifications;
    return S_OK;
}

HRESULT TestNotify::QueryDevice(UINT uCode, void** ppvData) {
    queried.push_back(uCode);
    if (failure != S_OK)
        return failure;
    const char* path = uCode == QDC_SEL_DEVICE_KEY   ? kSelectedKey
                       : uCode == QDC_CON_DEVICE_KEY ? kConnectedKey
                                                     : nullptr;
    if (path == nullptr)
        return E_INVALIDARG;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    *ppvData = key;
    return S_OK;
}

// ---------------------------------------------------------------- PromptLog

PromptLog::PromptLog() : m_start(FileSize(PromptLogPath())) {}

std::vector<std::string> PromptLog::Boxes() const {
    std::ifstream in(PromptLogPath(), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(m_start));
    std::vector<std::string> boxes;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string field; std::getline(split, field, '\t');)
            fields.push_back(field);
        if (fields.size() >= 4 && (fields[0] == "box" || fields[0] == "!box"))
            boxes.push_back(Unescape(fields[1]) + "|" + Unescape(fields[2]) + "|" + fields[3]);
    }
    return boxes;
}

// ---------------------------------------------------------------- OutlookNotes

OutlookNotes::OutlookNotes() {
    EXPECT_TRUE(m_application.Create()) << "Outlook.Application is not registered";
    m_session.Attach(m_application.GetNamespace("MAPI"));
    m_folder.Attach(m_session.GetDefaultFolder(12));
}

std::string OutlookNotes::Add(const std::string& body, const std::string& categories, LONG color) {
    OutlookNoteItem note;
    note.Attach(m_application.CreateItem(5));
    note.SetBody(body);
    note.SetCategories(categories);
    note.SetColor(color);
    note.Save();
    return note.GetEntryID();
}

OutlookNoteItem OutlookNotes::Open(const std::string& entryId) const {
    // Freed also when Outlook raises "could not be found".
    const TextVariant storeId(m_folder.GetStoreID());
    OutlookNoteItem note;
    note.Attach(m_session.GetItemFromID(entryId, storeId.Value()));
    return note;
}

std::string OutlookNotes::Dump() const {
    OutlookItems items;
    items.Attach(m_folder.GetItems());
    std::string dump;
    for (LONG i = 1; i <= items.GetCount(); ++i) {
        OutlookNoteItem note;
        note.Attach(items.Item(i));
        dump += note.GetBody() + " [" + note.GetCategories() + "] " +
                std::to_string(note.GetColor()) + "\n";
    }
    return dump;
}

std::vector<std::string> OutlookNotes::EntryIds() const {
    OutlookItems items;
    items.Attach(m_folder.GetItems());
    std::vector<std::string> ids;
    for (LONG i = 1; i <= items.GetCount(); ++i) {
        OutlookNoteItem note;
        note.Attach(items.Item(i));
        ids.push_back(note.GetEntryID());
    }
    return ids;
}

LONG OutlookNotes::Count() const {
    OutlookItems items;
    items.Attach(m_folder.GetItems());
    return items.GetCount();
}

// ---------------------------------------------------------------- StoreTest

void StoreTest::SetUp() {
    PromptLogPath();
    // The boxes an earlier test left unanswered in this process are not this test's.
    ui::ScriptedUser::Instance().Finish();
    unsetenv("JOTTERWICK_OUTLOOK_FAULT");
    unsetenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH");
    SetText(HKEY_CLASSES_ROOT, "Jotterwick.WinCE.Jotterwick\\CLSID", "", kStoreClsid);
    SetText(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kStoreClsid + "\\InprocServer32", "",
            JOTTAPC_LIBRARY);
    ASSERT_TRUE(outlook::RegisterServer(OUTLOOK_LIBRARY));
}

void StoreTest::TearDown() {
    EXPECT_EQ(0, notify.itemNotifications) << "the store never calls OnItemNotify";
    unsetenv("JOTTERWICK_OUTLOOK_FAULT");
    unsetenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH");
    if (store != nullptr) {
        for (HREPLOBJ handle : handles)
            store->FreeObject(handle);
        EXPECT_EQ(0u, store->Release()) << "the test held the store's only reference";
    }
}

IReplStore* StoreTest::CreateStore() {
    CLSID clsid{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"Jotterwick.WinCE.Jotterwick", &clsid));
    IReplStore* created = nullptr;
    EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IReplStore,
                                     reinterpret_cast<void**>(&created)));
    return created;
}

IReplStore* StoreTest::CreateInitializedStore() {
    store = CreateStore();
    if (store != nullptr) {
        EXPECT_EQ(S_OK, store->Initialize(&notify, ISF_SELECTED_DEVICE));
    }
    return store;
}

void StoreTest::SetDeviceDword(const char* name, DWORD value) {
    SetValue(HKEY_CURRENT_USER, TestNotify::kSelectedKey, name, REG_DWORD, &value, sizeof value);
}

void StoreTest::SetDeviceText(const char* name, const std::string& text) {
    SetText(HKEY_CURRENT_USER, TestNotify::kSelectedKey, name, text);
}

void StoreTest::SetListSeparator(const std::string& separator) {
    SetText(HKEY_CURRENT_USER, "Control Panel\\International", "sList", separator);
}

void StoreTest::SetCodePage(const char* codePage) {
    SetText(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP",
            codePage);
}

HREPLITEM StoreTest::ItemFor(const std::string& entryId, std::optional<FILETIME> modified) {
    if (!modified) {
        modified = FILETIME{};
        try {
            if (const OutlookNoteItem note = OutlookNotes().Open(entryId); note)
                modified = FileTimeFromOutlookDate(note.GetLastModificationTime());
        } catch (const AutomationException&) {
            // Not there: the handle of a note that has gone.
        }
    }
    std::vector<BYTE> bytes(154, 0);
    bytes[0] = 1;
    bytes[1] = 1;
    std::memcpy(bytes.data() + 5, entryId.data(), std::min<std::size_t>(entryId.size(), 140));
    StoreU32(bytes.data() + 146, modified->dwLowDateTime);
    StoreU32(bytes.data() + 150, modified->dwHighDateTime);
    HREPLITEM item = store->BytesToObject(bytes.data(), 154);
    EXPECT_NE(nullptr, item);
    handles.push_back(item);
    return item;
}

std::string KeyOf(IReplStore* store, HREPLITEM item) {
    BYTE bytes[154] = {};
    EXPECT_EQ(154u, store->ObjectToBytes(item, bytes));
    return std::string(reinterpret_cast<const char*>(bytes + 5));
}

std::vector<std::string> StoreTest::EnumeratedKeys() {
    std::vector<std::string> keys;
    HREPLITEM item = nullptr;
    BOOL exists = FALSE;
    EXPECT_EQ(S_OK, store->FindFirstItem(nullptr, &item, &exists));
    while (exists) {
        keys.push_back(KeyOf(store, item));
        store->FreeObject(item);
        EXPECT_EQ(S_OK, store->FindNextItem(nullptr, &item, &exists));
    }
    EXPECT_EQ(S_OK, store->FindItemClose(nullptr));
    return keys;
}

std::vector<BYTE> DevicePacket(DWORD color, const std::u16string& categories,
                               const std::u16string& text) {
    std::vector<BYTE> packet(notepacket::DeviceNotePacketSize(categories.size(), text.size()));
    notepacket::WriteDeviceNotePacket(packet.data(), color, categories, text);
    return packet;
}

} // namespace storetest
