// File queues: CopyFiles and DelFiles into the desktop's standard folders,
// the commit's notifications and its Retry / Skip / Cancel answers, and the
// hostile INFs refused with nothing copied.
#include "inf_fixture.h"

#include <algorithm>
#include <functional>
#include <sys/stat.h>

namespace {

// A callback that records the notifications and answers copy errors from a
// list (then FILEOP_ABORT).
struct Recorder {
    std::vector<std::string> seen;
    std::vector<UINT> errorAnswers;
    std::function<void()> onError;

    static UINT Callback(void* context, UINT notification, UINT_PTR param1, UINT_PTR param2) {
        auto* self = static_cast<Recorder*>(context);
        const auto* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
        switch (notification) {
        case SPFILENOTIFY_STARTQUEUE:
            self->seen.push_back("start queue");
            return TRUE;
        case SPFILENOTIFY_STARTSUBQUEUE:
            self->seen.push_back("start " + std::to_string(param1) + " x" + std::to_string(param2));
            return TRUE;
        case SPFILENOTIFY_STARTCOPY:
        case SPFILENOTIFY_STARTDELETE:
            self->seen.push_back((notification == SPFILENOTIFY_STARTCOPY ? "copy " : "delete ") +
                                 std::filesystem::path(paths->Target).filename().string());
            return FILEOP_DOIT;
        case SPFILENOTIFY_COPYERROR: {
            self->seen.push_back("error " + std::to_string(paths->Win32Error));
            if (self->onError)
                self->onError();
            if (self->errorAnswers.empty())
                return FILEOP_ABORT;
            const UINT answer = self->errorAnswers.front();
            self->errorAnswers.erase(self->errorAnswers.begin());
            return answer;
        }
        case SPFILENOTIFY_ENDQUEUE:
            self->seen.push_back(param1 ? "end queue ok" : "end queue cancelled");
            return 0;
        default:
            return FILEOP_DOIT;
        }
    }
};

class FileQueue : public inftest::InfTest {
protected:
    HSPFILEQ queue = SetupOpenFileQueue();
    void TearDown() override {
        SetupCloseFileQueue(queue);
        InfTest::TearDown();
    }
    BOOL Queue(HINF inf, const char* section, UINT flags = 0) {
        return SetupInstallFilesFromInfSectionA(inf, nullptr, queue, section, source.c_str(),
                                                flags);
    }
    BOOL Commit(Recorder& recorder) {
        return SetupCommitFileQueueA(nullptr, queue, Recorder::Callback, &recorder);
    }
    // Nothing in the desktop folder but what the machine made itself.
    std::vector<std::string> DesktopFiles() const {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(machines.desktop()))
            if (entry.is_regular_file() && entry.path().filename() != "registry.db" &&
                entry.path().filename().string().rfind("registry.db", 0) != 0)
                files.push_back(std::filesystem::relative(entry.path(), machines.desktop()));
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_F(FileQueue, CopiesToTheDestinationDirsFromTheSourceDisks) {
    WriteSource("lib.so", "library");
    WriteSource("disk2/docs/manual.txt", "manual");
    WriteSource("helper", "helper");
    ::chmod((source / "lib.so").c_str(), 0775);
    HINF inf = Open("[Go]\nCopyFiles = Libraries, Documents\nCopyFiles = @helper\n"
                    "[DestinationDirs]\n"
                    "Libraries = 16422, Maker\\App\n"
                    "Documents = 18\n"
                    "DefaultDestDir = 11\n"
                    "[SourceDisksNames]\n1 = \"Disk 1\"\n2 = \"Disk 2\",,, disk2\n"
                    "[SourceDisksFiles]\nlib.so = 1\nmanual.txt = 2, docs\nhelper = 1\n"
                    "[Libraries]\nlibrary.so, lib.so\n"
                    "[Documents]\nmanual.txt\n");
    ASSERT_TRUE(Queue(inf, "Go")) << platform::LastErrorMessage();
    Recorder recorder;
    ASSERT_TRUE(Commit(recorder)) << platform::LastErrorMessage();
    EXPECT_EQ((std::vector<std::string>{"start queue", "start 0 x3", "copy library.so",
                                        "copy manual.txt", "copy helper", "end queue ok"}),
              recorder.seen);
    EXPECT_EQ("library", Contents(Desktop("Program Files/Maker/App/library.so")));
    EXPECT_EQ("manual", Contents(Desktop("Windows/Help/manual.txt")));
    EXPECT_EQ("helper", Contents(Desktop("Windows/System/helper")));
    struct stat state;
    ASSERT_EQ(0, ::stat(Desktop("Program Files/Maker/App/library.so").c_str(), &state));
    EXPECT_EQ(0700u, state.st_mode & 0777) << "nobody else reads or changes an installed library";
    // No temporary file is left beside a target.
    EXPECT_EQ((std::vector<std::string>{"Program Files/Maker/App/library.so",
                                        "Windows/Help/manual.txt", "Windows/System/helper"}),
              DesktopFiles());
}

TEST_F(FileQueue, AnAbsoluteSourcePathIgnoresTheSourceDisksAndTheOldFileIsReplaced) {
    WriteSource("lib.so", "new");
    std::filesystem::create_directories(Desktop("Program Files"));
    std::ofstream(Desktop("Program Files/lib.so")) << "old";
    HINF inf = Open("[Go]\nCopyFiles = Files\n[DestinationDirs]\nFiles = 16422\n"
                    "[SourceDisksNames]\n1 = \"Disk\",,, elsewhere\n"
                    "[SourceDisksFiles]\nlib.so = 1\n[Files]\nlib.so\n");
    ASSERT_TRUE(Queue(inf, "Go", SP_COPY_SOURCEPATH_ABSOLUTE)) << platform::LastErrorMessage();
    Recorder recorder;
    ASSERT_TRUE(Commit(recorder));
    EXPECT_EQ("new", Contents(Desktop("Program Files/lib.so")));
}

TEST_F(FileQueue, ACopyErrorIsAnsweredRetrySkipOrCancel) {
    const std::string text = "[Go]\nCopyFiles = Files\n[DestinationDirs]\nFiles = 16422\n"
                             "[Files]\nlate.so\nthere.so\n";
    WriteSource("there.so", "there");
    {
        // Retry once the file has come: it is copied.
        HINF inf = Open(text);
        ASSERT_TRUE(Queue(inf, "Go", SP_COPY_SOURCEPATH_ABSOLUTE));
        Recorder recorder;
        recorder.errorAnswers = {FILEOP_RETRY};
        recorder.onError = [&] { WriteSource("late.so", "late"); };
        EXPECT_TRUE(Commit(recorder)) << platform::LastErrorMessage();
        EXPECT_EQ("late", Contents(Desktop("Program Files/late.so")));
        EXPECT_EQ("there", Contents(Desktop("Program Files/there.so")));
        std::filesystem::remove_all(Desktop("Program Files"));
        std::filesystem::remove(source / "late.so");
    }
    {
        // Skip: the others are still copied and the commit succeeds.
        HINF inf = Open(text);
        ASSERT_TRUE(Queue(inf, "Go", SP_COPY_SOURCEPATH_ABSOLUTE));
        Recorder recorder;
        recorder.errorAnswers = {FILEOP_SKIP};
        EXPECT_TRUE(Commit(recorder));
        EXPECT_EQ(std::vector<std::string>{"Program Files/there.so"}, DesktopFiles());
        EXPECT_EQ("error 2", recorder.seen[3]);
        std::filesystem::remove_all(Desktop("Program Files"));
    }
    {
        // Cancel: the commit stops there and says so.
        HINF inf = Open(text);
        ASSERT_TRUE(Queue(inf, "Go", SP_COPY_SOURCEPATH_ABSOLUTE));
        Recorder recorder;
        EXPECT_FALSE(Commit(recorder));
        EXPECT_EQ(ERROR_CANCELLED, GetLastError());
        EXPECT_EQ("end queue cancelled", recorder.seen.back());
        EXPECT_EQ(std::vector<std::string>{}, DesktopFiles());
    }
}

TEST_F(FileQueue, TheDefaultCallbackAsksThePersonAboutACopyError) {
    HINF inf = Open("[Go]\nCopyFiles = Files\n[DestinationDirs]\nFiles = 16422\n"
                    "[Files]\nmissing.so\n");
    const std::string target = machines.desktop() + "/Program Files/missing.so";
    const std::string question = "Cannot copy " + source.string() + "/missing.so to " + target +
                                 ": the file was not found.\n\nRetry to try again, Ignore to "
                                 "skip the file, Abort to cancel the installation.";
    user().ExpectMessageBox(u"Copy Error", unicode::ToUtf16(question), IDRETRY);
    user().ExpectMessageBox(u"Copy Error", unicode::ToUtf16(question), IDIGNORE);
    ASSERT_TRUE(Queue(inf, "Go", SP_COPY_SOURCEPATH_ABSOLUTE));
    void* context = SetupInitDefaultQueueCallback(nullptr);
    ASSERT_NE(nullptr, context);
    EXPECT_TRUE(SetupCommitFileQueueA(nullptr, queue, SetupDefaultQueueCallbackA, context));

    user().ExpectMessageBox(u"Copy Error", unicode::ToUtf16(question), IDABORT);
    ASSERT_TRUE(Queue(inf, "Go", SP_COPY_SOURCEPATH_ABSOLUTE));
    EXPECT_FALSE(SetupCommitFileQueueA(nullptr, queue, SetupDefaultQueueCallbackA, context));
    EXPECT_EQ(ERROR_CANCELLED, GetLastError());
    SetupTermDefaultQueueCallback(context);
}

TEST_F(FileQueue, TheDefaultCallbackWithoutAContextCommitsNothing) {
    WriteSource("lib.so", "library");
    HINF inf = Open("[Go]\nCopyFiles = Files\n[DestinationDirs]\nFiles = 16422\n[Files]\nlib.so\n");
    ASSERT_TRUE(Queue(inf, "Go", SP_COPY_SOURCEPATH_ABSOLUTE));
    EXPECT_FALSE(SetupCommitFileQueueA(nullptr, queue, SetupDefaultQueueCallbackA, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_FALSE(SetupCommitFileQueueA(nullptr, queue, nullptr, nullptr));
    EXPECT_EQ(std::vector<std::string>{}, DesktopFiles());
}

TEST_F(FileQueue, DelFilesRemovesWhatCopyFilesPutThere) {
    WriteSource("lib.so", "library");
    HINF inf = Open("[Go]\nCopyFiles = Files\n[Remove]\nDelFiles = Files\n"
                    "[DestinationDirs]\nFiles = 16422, App\n[Files]\nlib.so\nnever.so\n");
    WriteSource("never.so", "x");
    ASSERT_TRUE(Queue(inf, "Go", SP_COPY_SOURCEPATH_ABSOLUTE));
    Recorder recorder;
    ASSERT_TRUE(Commit(recorder));
    std::filesystem::remove(Desktop("Program Files/App/never.so"));
    ASSERT_TRUE(Queue(inf, "Remove"));
    Recorder remover;
    ASSERT_TRUE(Commit(remover)) << platform::LastErrorMessage();
    EXPECT_EQ((std::vector<std::string>{"start queue", "start 2 x2", "delete lib.so",
                                        "delete never.so", "end queue ok"}),
              remover.seen);
    EXPECT_EQ(std::vector<std::string>{}, DesktopFiles());
}

TEST_F(FileQueue, RefusesHostileEntriesAndQueuesNothing) {
    WriteSource("lib.so", "library");
    WriteSource("sub/lib.so", "library");
    const std::string outside = std::filesystem::path(machines.desktop()).parent_path() / "outside";
    std::filesystem::create_directories(outside);
    const char* hostile[] = {
        "[DestinationDirs]\nFiles = 16422, ..\\..\\outside\n[Files]\nlib.so\n",
        "[DestinationDirs]\nFiles = 16422, /tmp\n[Files]\nlib.so\n",
        "[DestinationDirs]\nFiles = 16422, C:\\Windows\n[Files]\nlib.so\n",
        "[DestinationDirs]\nFiles = 1\n[Files]\nlib.so\n",
        "[DestinationDirs]\nFiles = 12345\n[Files]\nlib.so\n",
        "[DestinationDirs]\nFiles = 16422\n[Files]\n..\\escape.so, lib.so\n",
        "[DestinationDirs]\nFiles = 16422\n[Files]\nok.so, ..\\..\\etc\\passwd\n",
        "[DestinationDirs]\nFiles = 16422\n[Files]\nok.so, /etc/passwd\n",
        "[Files]\nlib.so\n",
    };
    for (const char* text : hostile) {
        HINF inf = Open(std::string("[Go]\nCopyFiles = Good, Files\n"
                                    "[Good]\nlib.so\n"
                                    "[DestinationDirs]\nGood = 16422\n") +
                        text);
        EXPECT_FALSE(Queue(inf, "Go", SP_COPY_SOURCEPATH_ABSOLUTE)) << text;
        EXPECT_FALSE(platform::LastErrorMessage().empty()) << text;
    }
    HINF disks = Open("[Go]\nCopyFiles = Files\n[DestinationDirs]\nFiles = 16422\n"
                      "[SourceDisksNames]\n1 = \"Disk\",,, ..\\..\n"
                      "[SourceDisksFiles]\nlib.so = 1\n[Files]\nlib.so\n");
    EXPECT_FALSE(Queue(disks, "Go"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    // None of the refused sections queued its good entries either.
    Recorder recorder;
    ASSERT_TRUE(Commit(recorder));
    EXPECT_EQ((std::vector<std::string>{"start queue", "end queue ok"}), recorder.seen);
    EXPECT_EQ(std::vector<std::string>{}, DesktopFiles());
    EXPECT_TRUE(std::filesystem::is_empty(outside));
}

TEST_F(FileQueue, ALinkOutOfTheInstallerFolderIsNotFollowed) {
    const auto secret = std::filesystem::path(machines.desktop()).parent_path() / "secret.txt";
    std::ofstream(secret) << "secret";
    std::filesystem::create_symlink(secret, source / "lib.so");
    // A link inside the desktop's folder that leads out of it.
    std::filesystem::create_directories(Desktop("Program Files"));
    const auto elsewhere = std::filesystem::path(machines.desktop()).parent_path() / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    std::filesystem::create_directory_symlink(elsewhere, Desktop("Program Files/Linked"));
    WriteSource("good.so", "good");
    HINF inf = Open("[Go]\nCopyFiles = Files, Linked\n"
                    "[DestinationDirs]\nFiles = 16422\nLinked = 16422, Linked\n"
                    "[Files]\nlib.so\n[Linked]\ngood.so\n");
    ASSERT_TRUE(Queue(inf, "Go", SP_COPY_SOURCEPATH_ABSOLUTE));
    Recorder recorder;
    recorder.errorAnswers = {FILEOP_SKIP, FILEOP_SKIP};
    EXPECT_TRUE(Commit(recorder));
    EXPECT_EQ((std::vector<std::string>{"start queue", "start 0 x2", "copy lib.so", "error 5",
                                        "copy good.so", "error 5", "end queue ok"}),
              recorder.seen);
    EXPECT_FALSE(std::filesystem::exists(Desktop("Program Files/lib.so")));
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
}

TEST_F(FileQueue, APipeInPlaceOfASourceIsRefusedNotWaitedOn) {
    ASSERT_EQ(0, ::mkfifo((source / "lib.so").c_str(), 0600));
    HINF inf = Open("[Go]\nCopyFiles = Files\n[DestinationDirs]\nFiles = 16422\n[Files]\nlib.so\n");
    ASSERT_TRUE(Queue(inf, "Go", SP_COPY_SOURCEPATH_ABSOLUTE));
    Recorder recorder;
    recorder.errorAnswers = {FILEOP_SKIP};
    EXPECT_TRUE(Commit(recorder));
    EXPECT_EQ("error 5", recorder.seen.at(3));
    EXPECT_EQ(std::vector<std::string>{}, DesktopFiles());
}

} // namespace
