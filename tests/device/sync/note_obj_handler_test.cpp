// The object handler, driven in the order the service manager calls it, with
// its trace read from a real "TrailMonitor" window in another process.
#include "device/sync/jottadev.h"
#include "shared/notes/note_packet.h"

#include "provider_fixture.h"

using namespace providertest;

namespace {

class HandlerTest : public ProviderFixture {
protected:
    void Init(UINT partner, const std::u16string& filter = u"", DWORD debug = 1) {
        SetSetting(u"FilterSync", filter);
        SetSetting(u"Debug", debug);
        ASSERT_TRUE(InitObjType(const_cast<LPWSTR>(u"Jotterwick"), &handler, partner));
        ASSERT_NE(nullptr, handler);
    }
    void TearDown() override {
        if (handler)
            handler->Release();
        handler = nullptr;
        // The trace switch outlives a clean-up: leave it off for the next test.
        Init(1, u"", 0);
        handler->Release();
        InitObjType(nullptr, nullptr, 0);
        ProviderFixture::TearDown();
    }

    HRESULT Get(CEOID oid, LPBYTE* data, DWORD* size) {
        readSetup = REPLSETUP{};
        readSetup.fRead = TRUE;
        readSetup.oid = oid;
        EXPECT_EQ(S_OK, handler->Setup(&readSetup));
        return handler->GetPacket(data, size, 4096);
    }

    HRESULT Set(CEOID oid, const std::vector<BYTE>& packet) {
        writeSetup = REPLSETUP{};
        writeSetup.oid = oid;
        EXPECT_EQ(S_OK, handler->Setup(&writeSetup));
        return handler->SetPacket(const_cast<LPBYTE>(packet.data()),
                                  static_cast<DWORD>(packet.size()));
    }

    static std::vector<BYTE> DesktopPacket(DWORD color, FILETIME created, std::u16string cat,
                                           std::u16string text) {
        std::vector<BYTE> block(notepacket::DesktopNotePacketSize(cat.size(), text.size()));
        notepacket::WriteDesktopNotePacket(block.data(), color, created,
                                           static_cast<DWORD>(cat.size()), cat,
                                           static_cast<DWORD>(text.size()), text);
        return block;
    }

    IReplObjHandler* handler = nullptr;
    REPLSETUP readSetup{};
    REPLSETUP writeSetup{};
};

} // namespace

TEST_F(HandlerTest, GetPacketBuildsTheDevicePacketAndTracesEachStep) {
    NoteSpec spec;
    spec.text = u"Shopping\r\nmilk";
    spec.categories = u"Home\n";
    spec.color = NoteYellow;
    const CEOID oid = AddNote(spec);
    StartTrailMonitor();
    Init(1);

    LPBYTE data = nullptr;
    DWORD size = 0;
    ASSERT_EQ(RWRN_LAST_PACKET, Get(oid, &data, &size));
    ASSERT_EQ(54u, size);
    notepacket::DeviceNote note;
    ASSERT_EQ(notepacket::ReadResult::Ok, notepacket::ReadDeviceNotePacket(data, size, &note));
    EXPECT_EQ(u"Home\n", note.categories);
    EXPECT_EQ(u"Shopping\r\nmilk", note.text);
    EXPECT_EQ(3u, note.color);

    const std::string id = std::to_string(oid);
    const std::string expected = "InitObjType (after registry): Jotterwick\n"
                                 "Setup: Read = 1, CEOID = " +
                                 id +
                                 "\n"
                                 "GetPacket (Begin): CEOID " +
                                 id +
                                 "\n"
                                 "GetPacket: sCat Home\n\n"
                                 "GetPacket: uLenCat 5\n"
                                 "GetPacket: uLenNote 14\n"
                                 "GetPacket: Size 54\n"
                                 "GetPacket (End): CEOID " +
                                 id + "\n";
    EXPECT_EQ(expected, Trace(9));
}

TEST_F(HandlerTest, FilterKeepsNotesOfListedCategoriesOut) {
    NoteSpec sent;
    sent.categories = u"A\nB"; // B is not a category: no line feed after it
    NoteSpec discarded;
    discarded.categories = u"A\nB\n";
    NoteSpec otherCase;
    otherCase.categories = u"b\n";
    NoteSpec none;
    none.categories.reset();
    const CEOID sentOid = AddNote(sent), discardedOid = AddNote(discarded),
                caseOid = AddNote(otherCase), noneOid = AddNote(none);
    Init(1, u"B\n");

    LPBYTE first = nullptr, data = nullptr;
    DWORD size = 0;
    ASSERT_EQ(RWRN_LAST_PACKET, Get(sentOid, &first, &size));
    data = first;
    EXPECT_EQ(RERR_DISCARD, Get(discardedOid, &data, &size));
    EXPECT_EQ(first, data) << "a discarded note leaves the previous packet";
    EXPECT_EQ(RWRN_LAST_PACKET, Get(caseOid, &data, &size));
    ASSERT_EQ(RWRN_LAST_PACKET, Get(noneOid, &data, &size));
    notepacket::DeviceNote note;
    ASSERT_EQ(notepacket::ReadResult::Ok, notepacket::ReadDeviceNotePacket(data, size, &note));
    EXPECT_EQ(u"", note.categories);
}

TEST_F(HandlerTest, MissingNotesAnswerNotFoundWithOnlyTheBeginLine) {
    const CEOID oid = AddNote(NoteSpec{});
    ASSERT_TRUE(CeDeleteRecord(db, oid));
    StartTrailMonitor();
    Init(1);
    LPBYTE data = nullptr;
    DWORD size = 0;
    EXPECT_EQ(HResult(0x80070002), Get(oid, &data, &size));
    EXPECT_EQ(nullptr, data);

    REPLSETUP del{};
    del.oid = oid;
    EXPECT_EQ(HResult(0x80070002), handler->DeleteObj(&del));
    const std::string id = std::to_string(oid);
    EXPECT_EQ("InitObjType (after registry): Jotterwick\n"
              "Setup: Read = 1, CEOID = " +
                  id +
                  "\n"
                  "GetPacket (Begin): CEOID " +
                  id +
                  "\n"
                  "DeleteObj (Begin): CEOID " +
                  id +
                  "\n"
                  "DeleteObj (End): CEOID " +
                  id + "\n",
              Trace(5));
}

TEST_F(HandlerTest, DeleteObjRemovesTheNoteAndTracesOnlyItsBegin) {
    const CEOID keep = AddNote(NoteSpec{});
    const CEOID oid = AddNote(NoteSpec{});
    StartTrailMonitor();
    Init(2);
    REPLSETUP del{};
    del.oid = oid;
    EXPECT_EQ(S_OK, handler->DeleteObj(&del));
    EXPECT_EQ(1, RecordCount());
    EXPECT_EQ(keep, CeSeekDatabase(db, CEDB_SEEK_CEOID, keep, nullptr));
    REPLSETUP probe{}; // a Setup after it proves the delete wrote no end line
    handler->Setup(&probe);
    EXPECT_EQ("InitObjType (after registry): Jotterwick\n"
              "DeleteObj (Begin): CEOID " +
                  std::to_string(oid) +
                  "\n"
                  "Setup: Read = 0, CEOID = 0\n",
              Trace(3));
}

TEST_F(HandlerTest, SetPacketCreatesANoteForPartnerOne) {
    StartTrailMonitor();
    Init(1, u"Private\n");
    const FILETIME created{777, 888};
    ASSERT_EQ(S_OK, Set(0, DesktopPacket(7, created, u"Private\n", u"No line feed")));
    const CEOID oid = writeSetup.oidNew;
    ASSERT_NE(0u, oid);
    EXPECT_EQ(0u, writeSetup.oid) << "the object identifier stays as it was";

    auto record = Read(oid);
    EXPECT_EQ(u"No line feed", record->Text(PROPID_NOTE_TEXT));
    EXPECT_EQ(u"No line feed", record->Text(PROPID_NOTE_TITLE));
    EXPECT_EQ(u"Private\n", record->Text(PROPID_NOTE_CATEGORIES))
        << "the filter is for notes going out";
    EXPECT_EQ(7u, record->Number(PROPID_NOTE_COLOR));
    EXPECT_TRUE(SameTime(created, record->Time(PROPID_NOTE_CREATED)));
    EXPECT_TRUE(SameTime(kNow, record->Time(PROPID_NOTE_MODIFIED)));
    EXPECT_TRUE(SameTime(kNow, record->Time(PROPID_NOTE_SYNCTIME1)));
    EXPECT_TRUE(IsZeroFileTime(record->Time(PROPID_NOTE_SYNCTIME2)));

    const std::string id = std::to_string(oid);
    EXPECT_EQ("InitObjType (after registry): Jotterwick\n"
              "Setup: Read = 0, CEOID = 0\n"
              "SetPacket (Begin): CEOID 0\n"
              "SetPacket: Create new record\n"
              "Record with CEOID " +
                  id +
                  " created!\n"
                  "SetPacket (End): CEOID " +
                  id + "\n",
              Trace(6));
}

TEST_F(HandlerTest, SetPacketChangesANoteForPartnerTwo) {
    NoteSpec spec;
    spec.categories.reset();
    spec.sync1 = FILETIME{11, 1};
    spec.sync2 = FILETIME{12, 1};
    const CEOID oid = AddNote(spec);
    StartTrailMonitor();
    Init(2);
    const FILETIME created{5, 6};
    ASSERT_EQ(S_OK, Set(oid, DesktopPacket(1, created, u"Work\n", u"\r\nstarts empty")));
    EXPECT_EQ(0u, writeSetup.oidNew);
    EXPECT_EQ(1, RecordCount());

    auto record = Read(oid);
    EXPECT_EQ(u"\r\nstarts empty", record->Text(PROPID_NOTE_TEXT));
    EXPECT_EQ(u"", record->Text(PROPID_NOTE_TITLE));
    EXPECT_EQ(u"Work\n", record->Text(PROPID_NOTE_CATEGORIES)) << "the property is added";
    // The note keeps its own creation time, not the desktop copy's.
    EXPECT_TRUE(SameTime(spec.created, record->Time(PROPID_NOTE_CREATED)));
    EXPECT_TRUE(SameTime(kNow, record->Time(PROPID_NOTE_MODIFIED)));
    EXPECT_TRUE(SameTime(kNow, record->Time(PROPID_NOTE_SYNCTIME2)));
    EXPECT_TRUE(SameTime(spec.sync1, record->Time(PROPID_NOTE_SYNCTIME1)));

    const std::string id = std::to_string(oid);
    EXPECT_EQ("InitObjType (after registry): Jotterwick\n"
              "Setup: Read = 0, CEOID = " +
                  id +
                  "\n"
                  "SetPacket (Begin): CEOID " +
                  id +
                  "\n"
                  "SetPacket (Change record): CEOID " +
                  id +
                  "\n"
                  "SetPacket: Properties read\n"
                  "SetPacket: Begin record modification\n"
                  "SetPacket: Finished record modification\n"
                  "SetPacket (End): CEOID " +
                  id + "\n",
              Trace(8));
}

TEST_F(HandlerTest, SetPacketForAGoneNoteCreatesANewOne) {
    const CEOID gone = AddNote(NoteSpec{});
    ASSERT_TRUE(CeDeleteRecord(db, gone));
    Init(1);
    ASSERT_EQ(S_OK, Set(gone, DesktopPacket(0, FILETIME{}, u"", u"back")));
    EXPECT_NE(0u, writeSetup.oidNew);
    EXPECT_NE(gone, writeSetup.oidNew);
    EXPECT_EQ(1, RecordCount());
}

TEST_F(HandlerTest, SetPacketRefusesLengthsThatDoNotFit) {
    const CEOID oid = AddNote(NoteSpec{});
    Init(1);
    auto packet = DesktopPacket(0, FILETIME{}, u"A\n", u"changed");
    StoreU32(packet.data() + 16, 1000);
    EXPECT_EQ(E_INVALIDARG, Set(oid, packet));
    EXPECT_EQ(E_INVALIDARG, Set(0, packet));
    EXPECT_EQ(1, RecordCount());
    EXPECT_EQ(u"Title\r\nbody", Read(oid)->Text(PROPID_NOTE_TEXT));
}

TEST_F(HandlerTest, FailedCreateIsNotReportedAsSuccess) {
    Init(1);
    InitObjType(nullptr, nullptr, 0); // the note database is closed now
    ASSERT_TRUE(FAILED(Set(0, DesktopPacket(0, FILETIME{}, u"", u"lost?"))));
    EXPECT_EQ(0u, writeSetup.oidNew);
    EXPECT_EQ(0, RecordCount());
}

TEST_F(HandlerTest, QueryInterfaceAnswersNoInterfaceEvenForIUnknown) {
    Init(1);
    void* out = this;
    EXPECT_EQ(E_NOINTERFACE, handler->QueryInterface(IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(2u, handler->AddRef());
    EXPECT_EQ(1u, handler->Release());
}

TEST_F(HandlerTest, NoTraceWithTheSwitchOff) {
    const CEOID oid = AddNote(NoteSpec{});
    StartTrailMonitor();
    Init(1, u"", 0);
    LPBYTE data = nullptr;
    DWORD size = 0;
    ASSERT_EQ(RWRN_LAST_PACKET, Get(oid, &data, &size));
    // Turning the switch on shows that the viewer was listening all along.
    handler->Release();
    handler = nullptr;
    Init(1, u"", 1);
    // "InitObjType: %s" goes out under the switch of before the call: off.
    EXPECT_EQ("InitObjType (after registry): Jotterwick\n", Trace(1));
}

TEST_F(HandlerTest, LongTraceLinesAreCut) {
    NoteSpec spec;
    spec.categories = std::u16string(600, u'x') + u"\n";
    const CEOID oid = AddNote(spec);
    StartTrailMonitor();
    Init(1);
    LPBYTE data = nullptr;
    DWORD size = 0;
    ASSERT_EQ(RWRN_LAST_PACKET, Get(oid, &data, &size));
    const std::string trace = Trace(4);
    const auto begin = trace.find("GetPacket: sCat ");
    ASSERT_NE(std::string::npos, begin);
    const auto end = trace.find('\n', begin);
    EXPECT_EQ(511u, end - begin);
}
