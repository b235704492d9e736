// The store's object handler: Outlook notes to DesktopNotePackets and
// DeviceNotePackets to Outlook notes, with their text conversions.
#include "store_fixture.h"
#include "support/pinned_clock.h"

#include "desktop/sync/outlook_time.h"
#include "shared/notes/note_packet.h"

#include <cstring>
#include <functional>

namespace storetest {
namespace {

class NoteHandlerTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        CreateInitializedStore();
        HREPLFLD folder = nullptr;
        IUnknown* unknown = nullptr;
        ASSERT_EQ(S_OK, store->GetFolderInfo(nullptr, &folder, &unknown));
        handles.push_back(folder);
        // The manager takes the handler as it comes, as an IReplObjHandler.
        handler = static_cast<IReplObjHandler*>(unknown);
        writeSetup.fRead = FALSE;
        readSetup.fRead = TRUE;
        ASSERT_EQ(S_OK, handler->Setup(&writeSetup));
        ASSERT_EQ(S_OK, handler->Setup(&readSetup));
    }

    HRESULT Write(const std::vector<BYTE>& packet) {
        return handler->SetPacket(const_cast<BYTE*>(packet.data()),
                                  static_cast<DWORD>(packet.size()));
    }
    // SetPacket with no handle: a new note, whose handle the store frees later.
    HRESULT Create(const std::vector<BYTE>& packet) {
        writeSetup.hItem = nullptr;
        const HRESULT hr = Write(packet);
        if (writeSetup.hItem != nullptr)
            handles.push_back(writeSetup.hItem);
        return hr;
    }
    notepacket::DesktopNote Read(HREPLITEM item, DWORD* size = nullptr) {
        readSetup.hItem = item;
        LPBYTE data = nullptr;
        DWORD length = 0;
        EXPECT_EQ(RWRN_LAST_PACKET, handler->GetPacket(&data, &length, 100));
        notepacket::DesktopNote note;
        EXPECT_EQ(notepacket::ReadResult::Ok,
                  notepacket::ReadDesktopNotePacket(data, length, &note));
        if (size != nullptr)
            *size = length;
        return note;
    }

    IReplObjHandler* handler = nullptr;
    REPLSETUP writeSetup{};
    REPLSETUP readSetup{};
};

TEST_F(NoteHandlerTest, RoundTripFromHandheldThroughOutlookBack) {
    PinnedClock clock;
    OutlookNotes outlook;
    ASSERT_EQ(S_OK, Create(DevicePacket(2, u"Work\nHome\n", u"Shopping\r\nMilk, eggs")));
    ASSERT_NE(nullptr, writeSetup.hItem);
    const std::vector<std::string> ids = outlook.EntryIds();
    ASSERT_EQ(1u, ids.size());
    EXPECT_EQ(ids[0], KeyOf(store, writeSetup.hItem));
    EXPECT_EQ("Shopping\r\nMilk, eggs [Work, Home] 2\n", outlook.Dump());
    EXPECT_FALSE(store->IsItemChanged(nullptr, writeSetup.hItem, nullptr))
        << "the handle carries the time of the save";

    DWORD size = 0;
    const notepacket::DesktopNote back = Read(writeSetup.hItem, &size);
    EXPECT_EQ(24u + 2 * (10 + 20), size);
    EXPECT_EQ(2u, back.color);
    EXPECT_EQ(u"Work\nHome\n", back.categories);
    EXPECT_EQ(u"Shopping\r\nMilk, eggs", back.text);
    const FILETIME created = FileTimeFromOutlookDate(outlook.Open(ids[0]).GetCreationTime());
    EXPECT_EQ(created.dwLowDateTime, back.created.dwLowDateTime);
    EXPECT_EQ(created.dwHighDateTime, back.created.dwHighDateTime);
    EXPECT_NE(0u, created.dwHighDateTime);

    // Outlook keeps times to the second: a later change must not move ftCreated.
    clock.AdvanceSeconds(2);
    writeSetup.hItem = ItemFor(ids[0]);
    ASSERT_EQ(S_OK, Write(DevicePacket(2, u"", u"changed")));
    const notepacket::DesktopNote changed = Read(writeSetup.hItem);
    EXPECT_EQ(u"changed", changed.text);
    EXPECT_EQ(created.dwLowDateTime, changed.created.dwLowDateTime);
    EXPECT_EQ(created.dwHighDateTime, changed.created.dwHighDateTime);
}

TEST_F(NoteHandlerTest, DesktopPacketLayout) {
    OutlookNotes outlook;
    const std::string id = outlook.Add("Hi", "A, B", 4);
    LPBYTE data = nullptr;
    DWORD size = 0;
    readSetup.hItem = ItemFor(id);
    ASSERT_EQ(RWRN_LAST_PACKET, handler->GetPacket(&data, &size, 0));
    ASSERT_EQ(36u, size);
    EXPECT_EQ(4u, LoadU32(data));
    EXPECT_EQ(4u, LoadU32(data + 12));
    EXPECT_EQ(2u, LoadU32(data + 16));
    const BYTE texts[] = {'A', 0, '\n', 0, 'B', 0, '\n', 0, 0, 0, 'H', 0, 'i', 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(texts, data + 20, sizeof texts));
}

TEST_F(NoteHandlerTest, ExistingNoteIsChangedAndItsHandleTakesTheNewTime) {
    OutlookNotes outlook;
    const std::string id = outlook.Add("old", "X", 1);
    HREPLITEM item = ItemFor(id);
    writeSetup.hItem = item;
    ASSERT_EQ(S_OK, Write(DevicePacket(2, u"", u"new")));
    EXPECT_EQ(item, writeSetup.hItem);
    EXPECT_EQ("new [] 2\n", outlook.Dump()) << "the colour is carried unchanged";
    EXPECT_FALSE(store->IsItemChanged(nullptr, item, nullptr));
    EXPECT_EQ(2u, Read(item).color);
}

TEST_F(NoteHandlerTest, CategoryConversionsFollowTheListSeparator) {
    OutlookNotes outlook;
    SetListSeparator(";,");
    const std::string id = outlook.Add("x", "A;B,C", 1);
    EXPECT_EQ(u"A\nB\nC\n", Read(ItemFor(id)).categories) << "any separator character cuts";
    writeSetup.hItem = ItemFor(id);
    ASSERT_EQ(S_OK, Write(DevicePacket(1, u"A\nB\n", u"x")));
    EXPECT_EQ("x [A; B] 1\n", outlook.Dump()) << "joined with the first one";
    ASSERT_EQ(S_OK, Write(DevicePacket(1, u"A\nB", u"x")));
    EXPECT_EQ("x [A] 1\n", outlook.Dump()) << "text after the last line feed is dropped";
    SetListSeparator(",");
    const std::string doubled = outlook.Add("y", "A,,B", 1);
    EXPECT_EQ(u"A\n\nB\n", Read(ItemFor(doubled)).categories);
    const std::string none = outlook.Add("z", "", 1);
    DWORD size = 0;
    EXPECT_EQ(u"", Read(ItemFor(none), &size).categories);
    EXPECT_EQ(24u + 2, size) << "uLenCat 0";
}

TEST_F(NoteHandlerTest, DoubleByteTextsKeepTheirWholeLength) {
    SetCodePage("932");
    OutlookNotes outlook;
    const std::u16string text = u"\u65e5\u672c\u8a9e\u306e\u30e1\u30e2\r\nabc";
    ASSERT_EQ(S_OK, Create(DevicePacket(3, u"\u4ed5\u4e8b\n", text)));
    // 6 double-byte characters: 12 bytes, where the packet counted 6 units.
    OutlookNoteItem note = outlook.Open(KeyOf(store, writeSetup.hItem));
    EXPECT_EQ(17u, note.GetBody().size()) << "never cut to the unit count";
    EXPECT_EQ(4u, note.GetCategories().size());

    LPBYTE data = nullptr;
    DWORD size = 0;
    readSetup.hItem = writeSetup.hItem;
    ASSERT_EQ(RWRN_LAST_PACKET, handler->GetPacket(&data, &size, 0));
    const DWORD lenCat = LoadU32(data + 12);
    const DWORD lenNote = LoadU32(data + 16);
    EXPECT_EQ(5u, lenCat) << "bytes of the ANSI list";
    EXPECT_EQ(17u, lenNote);
    EXPECT_EQ(24u + 2 * (lenCat + lenNote), size);
    // Region of the categories: 3 units and a NUL, zero up to its end.
    for (DWORD offset = 20 + 2 * 3; offset < 22 + 2 * lenCat; ++offset)
        EXPECT_EQ(0, data[offset]) << "offset " << offset;
    notepacket::DesktopNote back;
    ASSERT_EQ(notepacket::ReadResult::Ok, notepacket::ReadDesktopNotePacket(data, size, &back));
    EXPECT_EQ(u"\u4ed5\u4e8b\n", back.categories);
    EXPECT_EQ(text, back.text);
}

TEST_F(NoteHandlerTest, TextsOfThreeByteCharactersArriveWholeInUtf8) {
    // In UTF-8 a character of the basic plane takes up to three bytes: more
    // than twice its one UTF-16 unit.
    SetCodePage("65001");
    OutlookNotes outlook;
    const std::u16string text = u"\u65e5\u672c\u8a9e\u20ac";
    ASSERT_EQ(S_OK, Create(DevicePacket(1, u"\u4ed5\u4e8b\n", text)));
    OutlookNoteItem note = outlook.Open(KeyOf(store, writeSetup.hItem));
    EXPECT_EQ("\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe2\x82\xac", note.GetBody());
    EXPECT_EQ("\xe4\xbb\x95\xe4\xba\x8b", note.GetCategories());
    const notepacket::DesktopNote back = Read(writeSetup.hItem);
    EXPECT_EQ(text, back.text);
    EXPECT_EQ(u"\u4ed5\u4e8b\n", back.categories);
}

TEST_F(NoteHandlerTest, PacketsThatDoNotFitAreRefusedWithOutlookUnchanged) {
    OutlookNotes outlook;
    const std::string id = outlook.Add("keep", "K", 1);
    const std::string before = outlook.Dump();
    std::vector<BYTE> packet = DevicePacket(1, u"A\n", u"text");
    EXPECT_EQ(E_UNEXPECTED, handler->SetPacket(packet.data(), 0));
    std::vector<BYTE> cut(packet.begin(), packet.end() - 1);
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
    } cases[] = {
        {"one byte short", cut},
        {"shorter than its header", std::vector<BYTE>(packet.begin(), packet.begin() + 11)},
        {"note length past the end",
         [&] {
             auto p = packet;
             StoreU32(p.data() + 8, 1000);
             return p;
         }()},
        {"lengths that wrap 32 bits",
         [&] {
             auto p = packet;
             StoreU32(p.data() + 4, 0xFFFFFFFF);
             StoreU32(p.data() + 8, 0xFFFFFFF8);
             return p;
         }()},
    };
    for (const Case& c : cases) {
        writeSetup.hItem = nullptr;
        EXPECT_EQ(E_UNEXPECTED, Write(c.bytes)) << c.name;
        EXPECT_EQ(nullptr, writeSetup.hItem) << c.name;
        writeSetup.hItem = ItemFor(id);
        EXPECT_EQ(E_UNEXPECTED, Write(c.bytes)) << c.name;
    }
    EXPECT_EQ(before, outlook.Dump());
}

TEST_F(NoteHandlerTest, MissingHandlesAndNotes) {
    OutlookNotes outlook;
    const std::string id = outlook.Add("x");
    LPBYTE data = nullptr;
    DWORD size = 0;
    readSetup.hItem = nullptr;
    EXPECT_EQ(E_UNEXPECTED, handler->GetPacket(&data, &size, 0));
    readSetup.hItem = ItemFor(id);
    ASSERT_EQ(RWRN_LAST_PACKET, handler->GetPacket(&data, &size, 0));
    LPBYTE previous = data;
    readSetup.hItem = ItemFor("00FF");
    EXPECT_EQ(E_UNEXPECTED, handler->GetPacket(&data, &size, 0));
    EXPECT_EQ(previous, data) << "out-parameters untouched";
    EXPECT_EQ(1u, LoadU32(previous + 16)) << "the previous packet stays";
    writeSetup.hItem = ItemFor("00FF");
    EXPECT_EQ(E_UNEXPECTED, Write(DevicePacket(1, u"", u"y")));
    EXPECT_EQ(1, outlook.Count());
}

TEST_F(NoteHandlerTest, DeleteObj) {
    OutlookNotes outlook;
    const std::string id = outlook.Add("x");
    outlook.Add("y");
    REPLSETUP setup{};
    EXPECT_EQ(S_OK, handler->DeleteObj(&setup)) << "no handle: nothing to do";
    setup.hItem = ItemFor(id);
    EXPECT_EQ(S_OK, handler->DeleteObj(&setup));
    EXPECT_EQ("y [] 3\n", outlook.Dump());
    EXPECT_EQ(E_UNEXPECTED, handler->DeleteObj(&setup));
}

// A handle handed out before the note's last save: that save is someone's
// edit, and neither a write nor a deletion through the handle takes it.
TEST_F(NoteHandlerTest, ANoteSavedSinceItsHandleWasHandedOutIsNotWrittenOverOrDeleted) {
    OutlookNotes outlook;
    const std::string id = outlook.Add("x");
    HREPLITEM before = ItemFor(id, FILETIME{1, 0});
    constexpr HRESULT kNoteChanged = static_cast<HRESULT>(0x80040109);
    PromptLog log;
    writeSetup.hItem = before;
    EXPECT_EQ(kNoteChanged, Write(DevicePacket(1, u"", u"over it")));
    REPLSETUP setup{};
    setup.hItem = before;
    EXPECT_EQ(kNoteChanged, handler->DeleteObj(&setup));
    EXPECT_EQ("x [] 3\n", outlook.Dump());
    EXPECT_TRUE(log.Boxes().empty()) << "the service manager decides, not an error to report";
}

TEST_F(NoteHandlerTest, LongEntryIdOfANewNoteIsTakenBack) {
    OutlookNotes outlook;
    setenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH", "141", 1);
    EXPECT_EQ(E_UNEXPECTED, Create(DevicePacket(1, u"", u"new")));
    EXPECT_EQ(nullptr, writeSetup.hItem);
    EXPECT_EQ(0, outlook.Count()) << "no note that every pass would make again";
    setenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH", "140", 1);
    EXPECT_EQ(S_OK, Create(DevicePacket(1, u"", u"new")));
    EXPECT_EQ(140u, KeyOf(store, writeSetup.hItem).size());
}

TEST_F(NoteHandlerTest, AutomationErrorsEndInAFailureAndAReport) {
    OutlookNotes outlook;
    const std::string id = outlook.Add("x");
    HREPLITEM item = ItemFor(id);
    struct Case {
        const char* fault;
        bool reported;
        std::function<HRESULT()> call;
    } cases[] = {
        {"Body:4097", true,
         [&] {
             LPBYTE data = nullptr;
             DWORD size = 0;
             readSetup.hItem = item;
             return handler->GetPacket(&data, &size, 0);
         }},
        {"CreationTime:4096", false,
         [&] {
             LPBYTE data = nullptr;
             DWORD size = 0;
             readSetup.hItem = item;
             return handler->GetPacket(&data, &size, 0);
         }},
        {"Save:4097", true,
         [&] {
             writeSetup.hItem = item;
             return Write(DevicePacket(1, u"", u"changed"));
         }},
        {"LastModificationTime:4097", true,
         [&] {
             writeSetup.hItem = item;
             return Write(DevicePacket(1, u"", u"changed"));
         }},
        {"EntryID:4097", true, [&] { return Create(DevicePacket(1, u"", u"new")); }},
        {"Save:4097", true, [&] { return Create(DevicePacket(1, u"", u"new")); }},
        {"Delete:4097", true,
         [&] {
             REPLSETUP setup{};
             setup.hItem = item;
             return handler->DeleteObj(&setup);
         }},
    };
    for (const Case& c : cases) {
        PromptLog log;
        setenv("JOTTERWICK_OUTLOOK_FAULT", c.fault, 1);
        EXPECT_TRUE(FAILED(c.call())) << c.fault;
        unsetenv("JOTTERWICK_OUTLOOK_FAULT");
        const auto boxes = log.Boxes();
        EXPECT_EQ(c.reported ? 1u : 0u, boxes.size()) << c.fault;
        if (c.reported && !boxes.empty()) {
            EXPECT_EQ(0u, boxes[0].find("OleDispatchException|Number: 4097\nDesc: ")) << boxes[0];
        }
    }
    EXPECT_EQ(1, outlook.Count()) << "a new note that failed half-way was taken back";
}

// Every save failing alike, as on a full disk: one box a pass, not one a note.
TEST_F(NoteHandlerTest, AnErrorOfEveryNoteIsReportedOnceAPass) {
    OutlookNotes outlook;
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        PromptLog log;
        ASSERT_EQ(S_OK, store->ReportStatus(nullptr, nullptr, RSC_BEGIN_SYNC, 0));
        setenv("JOTTERWICK_OUTLOOK_FAULT", "Save:4097", 1);
        for (const char16_t* text : {u"one", u"two", u"three"})
            EXPECT_TRUE(FAILED(Create(DevicePacket(1, u"", text))));
        setenv("JOTTERWICK_OUTLOOK_FAULT", "Save:4098", 1);
        for (const char16_t* text : {u"four", u"five"})
            EXPECT_TRUE(FAILED(Create(DevicePacket(1, u"", text))));
        unsetenv("JOTTERWICK_OUTLOOK_FAULT");
        ASSERT_EQ(S_OK, store->ReportStatus(nullptr, nullptr, RSC_END_SYNC, 0));
        const auto boxes = log.Boxes();
        ASSERT_EQ(2u, boxes.size()) << "one for each error of the pass";
        EXPECT_EQ(0, outlook.Count());
        EXPECT_EQ(0u, boxes[0].find("OleDispatchException|Number: 4097\nDesc: ")) << boxes[0];
        EXPECT_EQ(0u, boxes[1].find("OleDispatchException|Number: 4098\nDesc: ")) << boxes[1];
    }
}

TEST_F(NoteHandlerTest, HandlerIdentity) {
    void* out = reinterpret_cast<void*>(0x5A5A);
    EXPECT_EQ(E_NOINTERFACE, handler->QueryInterface(IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(S_OK, handler->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(static_cast<IUnknown*>(handler), unknown);
    EXPECT_EQ(0u, handler->AddRef());
    EXPECT_EQ(0u, handler->Release());
    EXPECT_EQ(S_OK, handler->Reset(&writeSetup));
}

} // namespace
} // namespace storetest
