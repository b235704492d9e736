// The notes program in its own process, headless, on a handheld it shares
// with this test: the handheld provider (loaded here as the service manager
// loads it) changes notes, and the program shows them once the provider
// reports the end of the synchronization. The program's prompts are
// answered by its scripted user ($JOTTERWICK_SCRIPT) and logged
// ($JOTTERWICK_PROMPT_LOG); its state is read through the state probe.
#include "jotta_fixture.h"

#include "device/app/note_store.h"
#include "device/sync/jottadev.h"
#include "shared/notes/note_packet.h"

#include "platform/base/unicode.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace jottatest;

namespace {

// Every note of the database: text, colour and categories (LF as |), in
// identifier order.
std::string StoredNotes() {
    CEOID db = 0;
    HANDLE cursor = OpenNoteDatabase(&db);
    std::string notes;
    NoteContents note;
    for (CEOID oid = CeSeekDatabase(cursor, CEDB_SEEK_BEGINNING, 0, nullptr); oid != 0;
         oid = CeSeekDatabase(cursor, CEDB_SEEK_CURRENT, 1, nullptr)) {
        ReadNote(cursor, kCurrentNote, &note);
        std::string categories = unicode::ToUtf8(note.categories);
        std::replace(categories.begin(), categories.end(), '\n', '|');
        notes += "'" + unicode::ToUtf8(note.text) + "' " + std::to_string(note.color) + " " +
                 categories + "\n";
    }
    CloseHandle(cursor);
    return notes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetRegNumber(u"BannerCount", 3); // no 7-second banner
        script = machines.handheld() + "/script.txt";
        promptLog = machines.handheld() + "/prompts.txt";
        stateFile = machines.handheld() + "/state.txt";
        setenv("JOTTERWICK_SCRIPT", script.c_str(), 1);
        setenv("JOTTERWICK_PROMPT_LOG", promptLog.c_str(), 1);
        setenv("JOTTERWICK_STATE_FILE", stateFile.c_str(), 1);
        WriteScript("");
    }
    void TearDown() override {
        if (library) {
            if (handler)
                handler->Release();
            initObjType(nullptr, nullptr, 0);
            dlclose(library);
        }
        unsetenv("JOTTERWICK_SCRIPT");
        unsetenv("JOTTERWICK_PROMPT_LOG");
        unsetenv("JOTTERWICK_STATE_FILE");
    }

    void WriteScript(const std::string& lines) { std::ofstream(script) << lines; }

    // Starts the program and then lets it write no file past the size the
    // store's log has now: every write of the store fails from here on, as
    // on a full disk (the signal for trying is ignored).
    std::unique_ptr<testsupport::ChildProcess> StartProgramOnAFullStore() {
        const auto signalWas = std::signal(SIGXFSZ, SIG_IGN); // inherited by the child
        auto child = StartProgram();
        std::signal(SIGXFSZ, signalWas);
        struct stat log {};
        EXPECT_EQ(0, stat((machines.handheld() + "/objectstore.db-wal").c_str(), &log));
        // The shared-memory index (32 KB) is written in place and must stay writable.
        const rlim_t limit = std::max<rlim_t>(static_cast<rlim_t>(log.st_size), 32768);
        rlimit current{};
        EXPECT_EQ(0, prlimit(child->pid(), RLIMIT_FSIZE, nullptr, &current));
        const rlimit capped{std::min(limit, current.rlim_max), current.rlim_max};
        EXPECT_EQ(0, prlimit(child->pid(), RLIMIT_FSIZE, &capped, nullptr));
        return child;
    }
    std::unique_ptr<testsupport::ChildProcess> StartProgram() {
        auto child = std::make_unique<testsupport::ChildProcess>(
            testsupport::BuiltProgram("device/app/jotta"), std::vector<std::string>{});
        EXPECT_TRUE(testsupport::WaitFor([] { return FindWindowW(nullptr, u"Jotterwick"); }));
        return child;
    }
    static HWND Program() { return FindWindowW(nullptr, u"Jotterwick"); }

    // What the running program shows.
    std::string State() {
        std::remove(stateFile.c_str());
        PostMessageW(Program(), WM_JOTTA_STATE_PROBE, kProbeWriteState, 0);
        std::string state;
        testsupport::WaitFor([&] { return !(state = ReadFile(stateFile)).empty(); });
        return state;
    }
    void TypeIntoProgram(const std::u16string& text) {
        for (char16_t c : text)
            PostMessageW(Program(), WM_JOTTA_STATE_PROBE, kProbeTypeChar, c);
    }

    // Loads the provider as the handheld service manager does, for partner 1.
    void LoadProvider() {
        library = dlopen(testsupport::BuiltProgram("device/sync/libjottadev.so").c_str(),
                         RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(nullptr, library) << dlerror();
        initObjType = reinterpret_cast<PFN_InitObjType>(dlsym(library, "InitObjType"));
        reportStatus = reinterpret_cast<PFN_ReportStatus>(dlsym(library, "ReportStatus"));
        ASSERT_TRUE(initObjType && reportStatus);
        ASSERT_TRUE(initObjType(const_cast<LPWSTR>(u"Jotterwick"), &handler, 1));
    }
    // A note arriving from the desktop through the handler; oid 0 creates one.
    void ReceiveNote(CEOID oid, const std::u16string& text, DWORD color = NoteGreen,
                     const std::u16string& categories = u"") {
        std::vector<BYTE> packet(notepacket::DesktopNotePacketSize(categories.size(), text.size()));
        notepacket::WriteDesktopNotePacket(packet.data(), color, FILETIME{5, 5},
                                           static_cast<DWORD>(categories.size()), categories,
                                           static_cast<DWORD>(text.size()), text);
        REPLSETUP setup{};
        setup.oid = oid;
        ASSERT_EQ(S_OK, handler->Setup(&setup));
        ASSERT_EQ(S_OK, handler->SetPacket(packet.data(), static_cast<DWORD>(packet.size())));
    }
    void EndSynchronization() {
        ASSERT_TRUE(reportStatus(const_cast<LPWSTR>(u"Jotterwick"), 2, 0));
    }

    testsupport::TempMachines machines;
    std::string script, promptLog, stateFile;
    void* library = nullptr;
    PFN_InitObjType initObjType = nullptr;
    PFN_ReportStatus reportStatus = nullptr;
    IReplObjHandler* handler = nullptr;
};

} // namespace

TEST_F(ProgramTest, NotesFromTheProviderAppearWhenTheSynchronizationEnds) {
    const CEOID alpha = PutNote(u"Alpha");
    auto program = StartProgram();
    EXPECT_EQ("list: >'Alpha'\neditor: enabled saved color 3 'Alpha'\n", State());

    LoadProvider();
    ReceiveNote(0, u"Aardvark");
    ReceiveNote(alpha, u"Alpha changed");
    EXPECT_EQ("list: >'Alpha'\neditor: enabled saved color 3 'Alpha'\n", State())
        << "nothing shows before the end is reported";
    EndSynchronization();
    EXPECT_EQ("list: >'Aardvark' 'Alpha changed'\neditor: enabled saved color 1 'Aardvark'\n",
              State());
    EXPECT_EQ("", ReadFile(promptLog)) << "an unchanged note asks nothing";

    PostMessageW(Program(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program->Wait());
}

TEST_F(ProgramTest, AModifiedNoteIsOfferedForSavingBeforeTheReload) {
    const CEOID alpha = PutNote(u"Alpha");
    WriteScript("box\tQuillmarks\tSave changes?\tNo\n"
                "box\tQuillmarks\tSave changes?\tYes\n");
    auto program = StartProgram();
    TypeIntoProgram(u"mine ");
    EXPECT_EQ("list: >'Alpha'\neditor: enabled modified color 3 'mine Alpha'\n", State());

    LoadProvider();
    ReceiveNote(alpha, u"Alpha from the desktop");
    EndSynchronization();
    EXPECT_EQ("list: >'Alpha from the desktop'\n"
              "editor: enabled saved color 1 'Alpha from the desktop'\n",
              State());
    EXPECT_EQ("box\tQuillmarks\tSave changes?\tNo\n", ReadFile(promptLog));

    TypeIntoProgram(u"kept ");
    ReceiveNote(0, u"Zebra");
    EndSynchronization();
    EXPECT_EQ("list: >'kept Alpha from the desktop' 'Zebra'\n"
              "editor: enabled saved color 1 'kept Alpha from the desktop'\n",
              State());
    EXPECT_EQ("box\tQuillmarks\tSave changes?\tNo\nbox\tQuillmarks\tSave changes?\tYes\n",
              ReadFile(promptLog));
    PostMessageW(Program(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program->Wait());
}

TEST_F(ProgramTest, ASecondStartEndsAtOnceAndOnlyTheFirstWritesTheSettings) {
    SetRegNumber(u"Sort", 7);
    SetRegNumber(u"Debug", 1);
    SetRegString(u"FilterCat", u"Work\t");
    auto first = StartProgram();
    const std::string whileRunning = DumpCommon();
    EXPECT_EQ("BannerCount=2\nDebug=1\nFilterCat='Work\t'\nSort=7\n", whileRunning);

    testsupport::ChildProcess second(testsupport::BuiltProgram("device/app/jotta"), {});
    EXPECT_EQ(1, second.Wait()) << "a start that does not run is a failure";
    EXPECT_EQ(whileRunning, DumpCommon()) << "the second start changes nothing";
    EXPECT_NE(nullptr, Program()) << "the first keeps running";

    PostMessageW(Program(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, first->Wait());
    EXPECT_EQ("BannerCount=2\nDebug=1\nDefaultColor=3\nFilterCat='Work\t'\nLastFind=''\nSort=2\n"
              "WrapLines=1\n",
              DumpCommon());
}

TEST_F(ProgramTest, ClosingWithUnsavedChangesAsksAndCancelKeepsItRunning) {
    const CEOID alpha = PutNote(u"Alpha");
    WriteScript("box\tQuillmarks\tSave changes?\tCancel\n"
                "box\tQuillmarks\tSave changes?\tYes\n");
    auto program = StartProgram();
    TypeIntoProgram(u"late ");
    PostMessageW(Program(), WM_CLOSE, 0, 0);
    EXPECT_EQ("list: >'Alpha'\neditor: enabled modified color 3 'late Alpha'\n", State())
        << "still running after Cancel";
    PostMessageW(Program(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program->Wait());
    EXPECT_EQ("box\tQuillmarks\tSave changes?\tCancel\nbox\tQuillmarks\tSave changes?\tYes\n",
              ReadFile(promptLog));
    CEOID db = 0;
    HANDLE cursor = OpenNoteDatabase(&db);
    NoteContents stored;
    ASSERT_TRUE(ReadNote(cursor, alpha, &stored));
    CloseHandle(cursor);
    EXPECT_EQ(u"late Alpha", stored.text);
}

TEST_F(ProgramTest, AnUnknownArgumentEndsTheProgramWithUsage) {
    testsupport::ChildProcess bad(testsupport::BuiltProgram("device/app/jotta"), {"--bogus"});
    EXPECT_EQ(2, bad.Wait());
    EXPECT_EQ(nullptr, Program()) << "no window was made";
    testsupport::ChildProcess help(testsupport::BuiltProgram("device/app/jotta"), {"--help"});
    EXPECT_EQ(0, help.Wait());
    EXPECT_EQ(0u, help.Output().find("usage: jotta [--handheld DIR]\n")) << help.Output();
}

// Records another program wrote with properties of other types (a title or
// categories stored as a number, a text as a number): each such property
// reads as missing, and the program starts, lists and shows them.
TEST_F(ProgramTest, PropertiesOfAnotherTypeReadAsMissing) {
    SetRegString(u"FilterCat", u"Work\t");
    const std::u16string work = u"Work\n";
    const std::u16string text = u"Numbers\r\nwhere words belong";
    const std::u16string word = u"yellow";
    CEOID db = 0;
    HANDLE cursor = OpenNoteDatabase(&db);
    ASSERT_NE(INVALID_HANDLE_VALUE, cursor);
    CEPROPVAL titleAsNumber[] = {
        NumberProp(MakePropId(PropNumber(PROPID_NOTE_TITLE), CEVT_UI4), 7),
        StringProp(PROPID_NOTE_TEXT, text),
        StringProp(PROPID_NOTE_CATEGORIES, work),
        StringProp(MakePropId(PropNumber(PROPID_NOTE_COLOR), CEVT_LPWSTR), word),
    };
    CEPROPVAL textAndCategoriesAsNumbers[] = {
        StringProp(PROPID_NOTE_TITLE, word),
        NumberProp(MakePropId(PropNumber(PROPID_NOTE_TEXT), CEVT_UI4), 7),
        NumberProp(MakePropId(PropNumber(PROPID_NOTE_CATEGORIES), CEVT_UI4), 9),
    };
    ASSERT_NE(0u, CeWriteRecordProps(cursor, 0, 4, titleAsNumber));
    ASSERT_NE(0u, CeWriteRecordProps(cursor, 0, 3, textAndCategoriesAsNumbers));
    CloseHandle(cursor);

    auto program = StartProgram();
    EXPECT_EQ("list: >''\neditor: enabled saved color 0 'Numbers\\r\\nwhere words belong'\n",
              State())
        << "the second record has no categories of its own: the filter leaves it out";
    PostMessageW(Program(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program->Wait());
}

// "Save changes?" answered Yes after a synchronization changed the note being
// edited: no version is written over the other.
TEST_F(ProgramTest, YesAfterASynchronizationChangedTheTextKeepsBothTexts) {
    const CEOID alpha = PutNote(u"Alpha");
    WriteScript("box\tQuillmarks\tSave changes?\tYes\n"
                "box\tQuillmarks\tA synchronization changed this note while you edited it. "
                "Your text was saved as a new note beside the changed one.\tOK\n");
    auto program = StartProgram();
    TypeIntoProgram(u"mine ");
    EXPECT_EQ("list: >'Alpha'\neditor: enabled modified color 3 'mine Alpha'\n", State());
    LoadProvider();
    ReceiveNote(alpha, u"Alpha from the desktop");
    EndSynchronization();
    EXPECT_EQ("list: >'Alpha from the desktop' 'mine Alpha'\n"
              "editor: enabled saved color 1 'Alpha from the desktop'\n",
              State());
    EXPECT_EQ("'Alpha from the desktop' 1 \n'mine Alpha' 3 \n", StoredNotes());
    PostMessageW(Program(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program->Wait());
    EXPECT_EQ(ReadFile(script), "") << "every prompt expected was shown";
}

TEST_F(ProgramTest, YesAfterASynchronizationChangedColourAndCategoriesKeepsBothChanges) {
    SetRegString(u"FilterCat", u"Work\t");
    const CEOID alpha = PutNote(u"Alpha", NoteYellow, u"Work\n");
    PutNote(u"Beta", NoteYellow, u"Work\n");
    WriteScript("box\tQuillmarks\tSave changes?\tYes\n");
    auto program = StartProgram();
    TypeIntoProgram(u"mine ");
    LoadProvider();
    // The desktop moved the note out of the display filter's category.
    ReceiveNote(alpha, u"Alpha", NoteRed, u"Home\n");
    EndSynchronization();
    EXPECT_EQ("list: >'Beta'\neditor: enabled saved color 3 'Beta'\n", State());
    EXPECT_EQ("'mine Alpha' 2 Home|\n'Beta' 3 Work|\n", StoredNotes())
        << "one note with the person's text and the arrived colour and categories";
    PostMessageW(Program(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program->Wait());
    EXPECT_EQ(ReadFile(script), "");
}

TEST_F(ProgramTest, AColourChangedInTheProgramJoinsATextThatArrived) {
    const CEOID alpha = PutNote(u"Alpha");
    WriteScript("box\tQuillmarks\tSave changes?\tYes\n");
    auto program = StartProgram();
    PostMessageW(Program(), WM_COMMAND, ID_COLOR_RED, 0);
    LoadProvider();
    ReceiveNote(alpha, u"Alpha from the desktop", NoteYellow);
    EndSynchronization();
    EXPECT_EQ("list: >'Alpha from the desktop'\n"
              "editor: enabled saved color 2 'Alpha from the desktop'\n",
              State());
    EXPECT_EQ("'Alpha from the desktop' 2 \n", StoredNotes());
    PostMessageW(Program(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program->Wait());
}

// A store that refuses writes, as on a full disk. A save says why and offers a file that keeps the
// text; No keeps the text in the editor and the program running.
TEST_F(ProgramTest, AFailedSaveSaysWhyAndKeepsTheText) {
    const CEOID alpha = PutNote(u"Alpha");
    CEOID db = 0;
    HANDLE held = OpenNoteDatabase(&db); // keeps the store's log as it is
    const std::string refused =
        "box\tQuillmarks\tThe note could not be saved: the handheld's storage refused the "
        "write.\\n\\nWrite its text to the file \\\\My Documents\\\\Unsaved note.txt instead? "
        "No keeps the text in the editor.\t";
    WriteScript("box\tQuillmarks\tSave changes?\tYes\n" + refused + "No\n" +
                "box\tQuillmarks\tSave changes?\tYes\n" + refused + "Yes\n");
    auto program = StartProgramOnAFullStore();
    TypeIntoProgram(u"mine \U0001F375 ");

    PostMessageW(Program(), WM_CLOSE, 0, 0);
    EXPECT_EQ("list: >'Alpha'\neditor: enabled modified color 3 'mine \xF0\x9F\x8D\xB5 Alpha'\n",
              State())
        << "No: still running, the text in the editor";
    PostMessageW(Program(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(testsupport::WaitFor([] { return Program() == nullptr; }))
        << "Yes, the text in a file: the program ends";
    EXPECT_EQ(0, program->Wait());
    EXPECT_EQ("", ReadFile(script)) << "every prompt expected was shown";

    const std::u16string kept = u"\uFEFFmine \U0001F375 Alpha";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(kept.data()), kept.size() * 2),
              ReadFile(machines.handheld() + "/My Documents/Unsaved note.txt"));
    NoteContents stored;
    ASSERT_TRUE(ReadNote(held, alpha, &stored));
    EXPECT_EQ(u"Alpha", stored.text);
    CloseHandle(held);
}
