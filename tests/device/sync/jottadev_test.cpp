// JOTTADEV loaded the way the service manager loads it: dlopen and dlsym.
#include "provider_fixture.h"
#include "platform/activesync/replication.h"
#include "shared/notes/note_packet.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <set>

using namespace providertest;

namespace {

const std::string kLibrary = testsupport::BuiltProgram("device/sync/libjottadev.so");

class JottadevTest : public ProviderFixture {
protected:
    void SetUp() override {
        ProviderFixture::SetUp();
        library = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(nullptr, library) << dlerror();
        initObjType = reinterpret_cast<PFN_InitObjType>(dlsym(library, "InitObjType"));
        objectNotify = reinterpret_cast<PFN_ObjectNotify>(dlsym(library, "ObjectNotify"));
        getObjTypeInfo = reinterpret_cast<PFN_GetObjTypeInfo>(dlsym(library, "GetObjTypeInfo"));
        reportStatus = reinterpret_cast<PFN_ReportStatus>(dlsym(library, "ReportStatus"));
        ASSERT_TRUE(initObjType && objectNotify && getObjTypeInfo && reportStatus);
    }
    void TearDown() override {
        if (library) {
            // The library stays loaded, and its trace switch outlives a
            // clean-up: leave it off for the next test.
            SetSetting(u"Debug", 0u);
            Init(1);
            handler->Release();
            handler = nullptr;
            initObjType(nullptr, nullptr, 0);
            dlclose(library);
        }
        ProviderFixture::TearDown();
    }

    void Init(UINT partner) {
        if (handler)
            handler->Release();
        handler = nullptr;
        ASSERT_TRUE(initObjType(const_cast<LPWSTR>(u"Jotterwick"), &handler, partner));
    }

    // A notification as the manager sends it for a record of `parent`.
    static OBJNOTIFY Notification(CEOID oid, UINT flags, CEOID parent) {
        OBJNOTIFY n{};
        n.cbStruct = sizeof n;
        n.uFlags = flags;
        n.oidObject = oid;
        n.oidInfo.wObjType = OBJTYPE_RECORD;
        n.oidInfo.infRecord.oidParent = parent;
        n.cOidChg = 99; // sentinels: which counts the call sets
        n.cOidDel = 99;
        return n;
    }

    BOOL Notify(OBJNOTIFY& n) { return objectNotify(&n); }

    void* library = nullptr;
    PFN_InitObjType initObjType = nullptr;
    PFN_ObjectNotify objectNotify = nullptr;
    PFN_GetObjTypeInfo getObjTypeInfo = nullptr;
    PFN_ReportStatus reportStatus = nullptr;
    IReplObjHandler* handler = nullptr;
};

} // namespace

TEST(JottadevLibrary, ExportsExactlyTheFourEntryPoints) {
    const std::string command = "nm -D --defined-only " + kLibrary;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(nullptr, pipe);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        char type = 0;
        char name[400] = {};
        if (std::sscanf(line, "%*s %c %399s", &type, name) == 2 &&
            (type == 'T' || type == 'D' || type == 'B' || type == 'W'))
            exported.insert(name);
    }
    ASSERT_EQ(0, pclose(pipe));
    // Linker-defined section markers are not exports of ours.
    for (const char* marker : {"_edata", "_end", "__bss_start", "_init", "_fini"})
        exported.erase(marker);
    EXPECT_EQ(
        (std::set<std::string>{"GetObjTypeInfo", "InitObjType", "ObjectNotify", "ReportStatus"}),
        exported);
}

TEST_F(JottadevTest, ChangedNotesArePerPartner) {
    const CEOID oid = AddNote(NoteSpec{}); // saved once, never synchronized
    Init(1);
    OBJNOTIFY n = Notification(oid, ONF_RECORD | ONF_CHANGED, oidDb);
    ASSERT_TRUE(Notify(n));
    EXPECT_EQ(1u, n.cOidChg);
    EXPECT_EQ(0u, n.cOidDel);
    ASSERT_NE(nullptr, n.poid);
    EXPECT_EQ(oid, n.poid[0]);

    OBJNOTIFY clear = Notification(oid, ONF_RECORD | ONF_CLEAR_CHANGE, oidDb);
    EXPECT_FALSE(Notify(clear)) << "a clear-change notification answers FALSE";
    EXPECT_EQ(99u, clear.cOidChg);
    EXPECT_TRUE(SameTime(kNow, Read(oid)->Time(PROPID_NOTE_SYNCTIME1)));
    EXPECT_TRUE(IsZeroFileTime(Read(oid)->Time(PROPID_NOTE_SYNCTIME2)));

    n = Notification(oid, ONF_RECORD | ONF_CHANGED, oidDb);
    ASSERT_TRUE(Notify(n));
    EXPECT_EQ(99u, n.cOidChg) << "no longer changed for partner 1: counts untouched";
    EXPECT_EQ(99u, n.cOidDel);

    Init(2);
    n = Notification(oid, ONF_RECORD | ONF_CHANGED, oidDb);
    ASSERT_TRUE(Notify(n));
    EXPECT_EQ(1u, n.cOidChg) << "still changed for partner 2";
}

TEST_F(JottadevTest, NotesWrittenByTheNotesProgramInAnotherProcess) {
    Init(1);
    testsupport::ChildProcess writer(testsupport::BuiltProgram("tests/device/sync/note_writer"),
                                     {"Written elsewhere\r\nbody"});
    ASSERT_EQ(0, writer.Wait());
    const CEOID oid = static_cast<CEOID>(std::stoul(writer.Output()));
    for (UINT partner : {1u, 2u}) {
        Init(partner);
        OBJNOTIFY n = Notification(oid, ONF_RECORD | ONF_CHANGED, oidDb);
        ASSERT_TRUE(Notify(n)) << "partner " << partner;
        EXPECT_EQ(1u, n.cOidChg) << "partner " << partner;
        OBJNOTIFY clear = Notification(oid, ONF_RECORD | ONF_CLEAR_CHANGE, oidDb);
        Notify(clear);
    }
    // Each partner's stamp was its own.
    auto record = Read(oid);
    EXPECT_TRUE(SameTime(kNow, record->Time(PROPID_NOTE_SYNCTIME1)));
    EXPECT_TRUE(SameTime(kNow, record->Time(PROPID_NOTE_SYNCTIME2)));
}

TEST_F(JottadevTest, NotificationsThatAreNotOfInterest) {
    NoteSpec never;
    never.modified = FILETIME{};
    const CEOID neverSaved = AddNote(never);
    const CEOID note = AddNote(NoteSpec{});
    Init(1);

    OBJNOTIFY n = Notification(note, ONF_RECORD | ONF_CHANGED, oidDb);
    n.cbStruct = 779;
    const OBJNOTIFY before = n;
    EXPECT_FALSE(Notify(n));
    EXPECT_EQ(0, std::memcmp(&before, &n, sizeof n)) << "a wrong size changes nothing";

    n = Notification(note, ONF_CHANGED, oidDb);
    EXPECT_FALSE(Notify(n)) << "neither a record nor a clear-change";
    n = Notification(note, ONF_RECORD | ONF_CHANGED, oidDb + 1);
    EXPECT_FALSE(Notify(n)) << "a record of another database";
    n = Notification(neverSaved, ONF_RECORD | ONF_CHANGED, oidDb);
    EXPECT_FALSE(Notify(n)) << "a note never saved";
    n = Notification(note + 1000, ONF_RECORD | ONF_CHANGED, oidDb);
    EXPECT_FALSE(Notify(n)) << "a record not in the database";
}

TEST_F(JottadevTest, DeletedAndUnchangedNotesCountAsDeleted) {
    NoteSpec synced;
    synced.sync1 = Later(synced.modified, 10);
    const CEOID oid = AddNote(synced);
    Init(1);
    OBJNOTIFY n = Notification(oid, ONF_RECORD, oidDb);
    ASSERT_TRUE(Notify(n));
    EXPECT_EQ(0u, n.cOidChg);
    EXPECT_EQ(1u, n.cOidDel);

    ASSERT_TRUE(CeDeleteRecord(db, oid));
    n = Notification(oid, ONF_RECORD | ONF_DELETED, oidDb);
    ASSERT_TRUE(Notify(n));
    EXPECT_EQ(0u, n.cOidChg);
    EXPECT_EQ(1u, n.cOidDel);
}

TEST_F(JottadevTest, FilterListIsReadAtEachSetUpAndTraced) {
    SetSetting(u"FilterSync", std::u16string(u"Private\nSecret\n"));
    SetSetting(u"Debug", 1);
    NoteSpec secret;
    secret.categories = u"Work\nSecret\n";
    const CEOID oid = AddNote(secret);
    Init(1); // switch still off: the filter lines go unseen
    StartTrailMonitor();
    Init(1); // now under the switch read last time
    OBJNOTIFY n = Notification(oid, ONF_RECORD | ONF_CHANGED, oidDb);
    EXPECT_FALSE(Notify(n)) << "a note in a filtered category";
    EXPECT_EQ("InitObjType: Jotterwick\n"
              "Filter-Category: Private\nSecret\n\n"
              "Filter-Category: Secret\n\n"
              "InitObjType (after registry): Jotterwick\n"
              "ObjectNotify: Record of Jotterwick\n"
              "   ONF_DELETED      : 0\n"
              "   ONF_CHANGED      : 16\n"
              "   ONF_CLEAR_CHANGE : 0\n"
              "ObjectNotify: OID #" +
                  std::to_string(oid) + "\n",
              Trace(12));

    SetSetting(u"FilterSync", std::u16string(u"Private\n"));
    Init(1);
    n = Notification(oid, ONF_RECORD | ONF_CHANGED, oidDb);
    EXPECT_TRUE(Notify(n)) << "a category taken out of the filter takes part again";

    SetSetting(u"FilterSync", std::u16string(u"Secret"));
    Init(1);
    n = Notification(oid, ONF_RECORD | ONF_CHANGED, oidDb);
    EXPECT_TRUE(Notify(n)) << "a value without a line feed is no filter";
}

TEST_F(JottadevTest, AFilterOfAnyLengthIsReadWhole) {
    NoteSpec secret;
    secret.categories = u"Work\nSecret\n";
    const CEOID oid = AddNote(secret);
    const CEOID work = AddNote(NoteSpec{.categories = u"Work\n"});
    // 999 characters fill the platform's buffer of 1,000 with its zero.
    for (std::size_t length : {998u, 999u, 1000u, 5000u}) {
        std::u16string filter(length - 8, u'x');
        filter[10] = u'\n';
        filter += u"\nSecret\n";
        ASSERT_EQ(length, filter.size());
        SetSetting(u"FilterSync", filter);
        Init(1);
        OBJNOTIFY n = Notification(oid, ONF_RECORD | ONF_CHANGED, oidDb);
        EXPECT_FALSE(Notify(n)) << length << " characters";
        EXPECT_EQ(0u, n.uError) << length << " characters";
        n = Notification(work, ONF_RECORD | ONF_CHANGED, oidDb);
        EXPECT_TRUE(Notify(n)) << length << " characters";
    }
}

TEST_F(JottadevTest, AFilterThatCannotBeReadKeepsEveryNoteWithACategory) {
    NoteSpec secret;
    secret.categories = u"Secret\n";
    const CEOID filed = AddNote(secret);
    const CEOID plain = AddNote(NoteSpec{});
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Jotterwick\\Quillmarks\\Common", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const BYTE bytes[] = {'S', 0, '\n', 0};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"FilterSync", 0, REG_BINARY, bytes, 4));
    RegCloseKey(key);
    Init(1);

    OBJNOTIFY n = Notification(filed, ONF_RECORD | ONF_CHANGED, oidDb);
    EXPECT_FALSE(Notify(n));
    EXPECT_EQ(ERROR_INVALID_DATA, n.uError) << "a failure, not a note left out";
    REPLSETUP setup{};
    setup.cbStruct = sizeof setup;
    setup.fRead = TRUE;
    setup.oid = filed;
    ASSERT_EQ(S_OK, handler->Setup(&setup));
    LPBYTE packet = nullptr;
    DWORD size = 0;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), handler->GetPacket(&packet, &size, 0));
    EXPECT_EQ(nullptr, packet);

    n = Notification(plain, ONF_RECORD | ONF_CHANGED, oidDb);
    EXPECT_TRUE(Notify(n)) << "a note without a category cannot be filtered";
    EXPECT_EQ(1u, n.cOidChg);
}

TEST_F(JottadevTest, ASetUpAfterACleanUpHandsOutANewHandler) {
    const CEOID oid = AddNote(NoteSpec{});
    Init(1);
    IReplObjHandler* previous = handler;
    previous->AddRef(); // the manager still holds the previous pass's handler
    {
        REPLSETUP lastPass{};
        lastPass.cbStruct = sizeof lastPass;
        lastPass.fRead = TRUE;
        lastPass.oid = oid;
        ASSERT_EQ(S_OK, previous->Setup(&lastPass));
    }
    initObjType(nullptr, nullptr, 0);

    Init(2);
    EXPECT_NE(previous, handler);
    // The new handler knows nothing of the last pass's setup records.
    LPBYTE packet = nullptr;
    DWORD size = 0;
    EXPECT_EQ(RERR_OBJECT_DELETED, handler->GetPacket(&packet, &size, 0));
    EXPECT_EQ(nullptr, packet);
    EXPECT_EQ(0u, previous->Release()) << "the previous handler is freed with its last reference";

    IReplObjHandler* second = nullptr;
    ASSERT_TRUE(initObjType(const_cast<LPWSTR>(u"Jotterwick"), &second, 2));
    EXPECT_NE(handler, second) << "a second set-up without a clean-up gets its own handler too";
    EXPECT_EQ(0u, second->Release());
}

TEST_F(JottadevTest, GetObjTypeInfoDescribesTheNoteDatabase) {
    AddNote(NoteSpec{});
    AddNote(NoteSpec{});
    Init(1);
    OBJTYPEINFO info{};
    info.cbStruct = 383;
    const OBJTYPEINFO before = info;
    EXPECT_FALSE(getObjTypeInfo(&info));
    EXPECT_EQ(0, std::memcmp(&before, &info, sizeof info));

    info.cbStruct = sizeof info;
    info.uFlags = 0x1234;
    ASSERT_TRUE(getObjTypeInfo(&info));
    EXPECT_EQ(std::u16string(u"Jotterwick Database"), std::u16string(info.szName));
    EXPECT_EQ(2u, info.cObjects);
    EXPECT_GT(info.cbAllObj, 0u);
    EXPECT_FALSE(IsZeroFileTime(info.ftLastModified));
    EXPECT_EQ(0x1234u, info.uFlags);
}

TEST_F(JottadevTest, ReportStatusPostsSyncFinishedOnlyForTheEnd) {
    testsupport::ChildProcess program(testsupport::BuiltProgram("tests/support/window_probe"),
                                      {"JottaFrame", "Jotterwick"});
    ASSERT_TRUE(testsupport::WaitFor([] { return ce::FindStationWindow(nullptr, u"Jotterwick"); }));
    for (UINT code : {1u, 3u, 6u, 2u, 7u})
        EXPECT_TRUE(reportStatus(const_cast<LPWSTR>(u"Jotterwick"), code, 0));
    // A marker posted after them proves nothing else is still on its way.
    ce::PostStationMessage(ce::FindStationWindow(nullptr, u"Jotterwick"), WM_USER, 1, 1);
    ASSERT_TRUE(testsupport::WaitFor(
        [&] { return program.Output().find("1024 1 1") != std::string::npos; }));
    EXPECT_EQ("1135 0 0 \n1024 1 1 \n", program.Output());
}

TEST(JottadevSetUp, CreatesAMissingNoteDatabaseBare) {
    testsupport::TempMachines machines;
    void* library = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, library) << dlerror();
    auto init = reinterpret_cast<PFN_InitObjType>(dlsym(library, "InitObjType"));
    IReplObjHandler* handler = nullptr;
    EXPECT_TRUE(init(const_cast<LPWSTR>(u"Jotterwick"), &handler, 1));
    ASSERT_NE(nullptr, handler);
    handler->Release();
    init(nullptr, nullptr, 0);
    dlclose(library);

    CEOID oid = 0;
    HANDLE db = CeOpenDatabase(&oid, kNoteDatabaseName, 0, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, db);
    CloseHandle(db);
    CEOIDINFO info{};
    ASSERT_TRUE(CeOidGetInfo(oid, &info));
    EXPECT_EQ(0u, info.infDatabase.dwDbaseType);
    EXPECT_EQ(0, info.infDatabase.wNumSortOrder);
}

// A record that another program wrote with properties of other types than
// the note record's: each reads as missing, and the pass goes on.
TEST_F(JottadevTest, PropertiesOfAnotherTypeReadAsMissing) {
    SetSetting(u"FilterSync", std::u16string(u"Secret\n"));
    const std::u16string word = u"red";
    CEPROPVAL props[] = {
        TimeProp(PROPID_NOTE_MODIFIED, FILETIME{100, 1}),
        NumberProp(MakePropId(PropNumber(PROPID_NOTE_TEXT), CEVT_UI4), 7),
        NumberProp(MakePropId(PropNumber(PROPID_NOTE_TITLE), CEVT_UI4), 7),
        NumberProp(MakePropId(PropNumber(PROPID_NOTE_CATEGORIES), CEVT_UI4), 9),
        StringProp(MakePropId(PropNumber(PROPID_NOTE_COLOR), CEVT_LPWSTR), word),
        StringProp(MakePropId(PropNumber(PROPID_NOTE_SYNCTIME1), CEVT_LPWSTR), word),
        NumberProp(MakePropId(PropNumber(PROPID_NOTE_CREATED), CEVT_UI4), 3),
    };
    const CEOID oid = CeWriteRecordProps(db, 0, static_cast<WORD>(std::size(props)), props);
    ASSERT_NE(0u, oid);
    Init(1);

    OBJNOTIFY n = Notification(oid, ONF_RECORD | ONF_CHANGED, oidDb);
    ASSERT_TRUE(Notify(n));
    EXPECT_EQ(1u, n.cOidChg) << "never synchronized: the stamp of the wrong type is none";

    REPLSETUP read{};
    read.fRead = TRUE;
    read.oid = oid;
    ASSERT_EQ(S_OK, handler->Setup(&read));
    BYTE* data = nullptr;
    DWORD size = 0;
    ASSERT_EQ(RWRN_LAST_PACKET, handler->GetPacket(&data, &size, 4096));
    notepacket::DeviceNote sent;
    ASSERT_EQ(notepacket::ReadResult::Ok, notepacket::ReadDeviceNotePacket(data, size, &sent));
    EXPECT_EQ(0u, sent.color);
    EXPECT_EQ(u"", sent.categories);
    EXPECT_EQ(u"", sent.text);

    // A change from the desktop puts properties of the right types in their place.
    const std::u16string text = u"Fixed\r\nbody";
    std::vector<BYTE> packet(notepacket::DesktopNotePacketSize(0, text.size()));
    notepacket::WriteDesktopNotePacket(packet.data(), NoteRed, FILETIME{5, 5}, 0, u"",
                                       static_cast<DWORD>(text.size()), text);
    REPLSETUP write{};
    write.oid = oid;
    ASSERT_EQ(S_OK, handler->Setup(&write));
    ASSERT_EQ(S_OK, handler->SetPacket(packet.data(), static_cast<DWORD>(packet.size())));
    auto record = Read(oid);
    EXPECT_EQ(text, record->Text(PROPID_NOTE_TEXT));
    EXPECT_EQ(u"Fixed", record->Text(PROPID_NOTE_TITLE));
    EXPECT_EQ(static_cast<DWORD>(NoteRed), record->Number(PROPID_NOTE_COLOR));
    EXPECT_EQ(u"", record->Text(PROPID_NOTE_CATEGORIES));
    EXPECT_TRUE(SameTime(kNow, record->Time(PROPID_NOTE_SYNCTIME1)));
}
