// The soak of "nothing lost": for a while, one process edits handheld notes
// and another edits desktop notes (often several edits within one second,
// now and then a new note), the notes program runs headless on the
// handheld, and jsync synchronizes back to back. Then the writers stop, two
// more passes run, and both sides must hold the same notes, with every edit
// ever made still there.
//
// Every edit appends a token of its own ("h17", "d42") to the note's text,
// read just before. An edit that a synchronization overwrote without having
// seen it loses its token; a conflict keeps both versions, so their tokens
// survive. A lost update is a token missing from either side at the end.
//
//   nothing_lost_soak [--seconds N] [--seed N] [--keep]
//
// Prints the figures and exits 1 when a token was lost or the sides differ.
#include "device/app/note_store.h"
#include "peers/outlook/message_store.h"
#include "platform/base/unicode.h"
#include "platform/ce/machine.h"
#include "platform/win32/machine.h"
#include "support/system_install.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
    int seconds = 600;
    unsigned seed = 1;
    bool keep = false;
};

volatile sig_atomic_t g_stop = 0;

void OnStop(int) {
    g_stop = 1;
}

pid_t Spawn(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
            const std::string& output) {
    const pid_t pid = fork();
    if (pid == 0) {
        for (const auto& [name, value] : env)
            setenv(name.c_str(), value.c_str(), 1);
        std::freopen(output.c_str(), "a", stdout);
        std::freopen(output.c_str(), "a", stderr);
        std::freopen("/dev/null", "r", stdin);
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The writers: each runs in a child process of its own until SIGTERM and
// appends every token it wrote to its log.
class Writer {
public:
    Writer(char side, unsigned seed, const std::string& log)
        : m_side(side), m_random(seed), m_log(log, std::ios::app) {}
    virtual ~Writer() = default;

    void Run() {
        signal(SIGTERM, OnStop);
        while (!g_stop) {
            // A burst of edits within one second, then a pause.
            const int burst = 1 + static_cast<int>(m_random() % 3);
            for (int i = 0; i < burst && !g_stop; ++i) {
                if (m_random() % 20 == 0)
                    AddNote(NextToken());
                else
                    EditOne();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(m_random() % 400));
        }
    }

protected:
    std::string NextToken() { return std::string(1, m_side) + std::to_string(++m_count); }
    // Logs a token once the write that carries it has succeeded.
    void Written(const std::string& token) { m_log << token << '\n' << std::flush; }
    std::size_t Pick(std::size_t count) { return count ? m_random() % count : 0; }
    virtual void AddNote(const std::string& token) = 0;
    virtual void EditOne() = 0;

private:
    char m_side;
    std::mt19937 m_random;
    std::ofstream m_log;
    unsigned m_count = 0;
};

class HandheldWriter final : public Writer {
public:
    using Writer::Writer;

private:
    HANDLE Cursor() {
        if (m_cursor == INVALID_HANDLE_VALUE)
            m_cursor = OpenNoteDatabase(&m_database);
        return m_cursor;
    }
    std::vector<CEOID> Notes() {
        std::vector<CEOID> oids;
        for (CEOID oid = CeSeekDatabase(Cursor(), CEDB_SEEK_BEGINNING, 0, nullptr); oid != 0;
             oid = CeSeekDatabase(Cursor(), CEDB_SEEK_CURRENT, 1, nullptr))
            oids.push_back(oid);
        return oids;
    }
    void AddNote(const std::string& token) override {
        const CEOID oid = AddNewNote(Cursor(), 3, u"");
        if (oid != 0 && WriteNote(Cursor(), oid, unicode::ToUtf16("note " + token), 3, u""))
            Written(token);
    }
    void EditOne() override {
        const std::vector<CEOID> oids = Notes();
        if (oids.empty())
            return;
        const CEOID oid = oids[Pick(oids.size())];
        NoteContents before;
        if (!ReadNote(Cursor(), oid, &before) || before.text == u"<New Note>")
            return;
        const std::string token = NextToken();
        NoteContents mine = before;
        mine.text += u" " + unicode::ToUtf16(token);
        // Saved as the notes program saves: joined with a change that arrived
        // since the read, the store held from its last read to the write. A
        // change of the text meanwhile is a clash, and nothing is written.
        NoteContents saved;
        if (SaveNoteChanges(Cursor(), oid, before, mine, &saved) == SaveOutcome::Written)
            Written(token);
    }

    HANDLE m_cursor = INVALID_HANDLE_VALUE;
    CEOID m_database = 0;
};

class DesktopWriter final : public Writer {
public:
    using Writer::Writer;

private:
    outlook::MessageStore& Store() {
        if (!m_store)
            m_store = outlook::MessageStore::ForCurrentDesktop().value();
        return *m_store;
    }
    void AddNote(const std::string& token) override {
        outlook::Note note;
        note.body = unicode::ToUtf16("note " + token);
        if (Store().Insert(note, 48, outlook::NowAsDate()).ok())
            Written(token);
    }
    void EditOne() override {
        auto count = Store().Count();
        if (!count.ok() || count.value() == 0)
            return;
        auto picked = Store().CachedAt(Pick(count.value()));
        if (!picked.ok() || !picked.value())
            return;
        auto current = Store().FindByEntryId(picked.value()->entryId);
        if (!current.ok() || !current.value())
            return;
        outlook::Note note = *current.value();
        const std::string token = NextToken();
        note.body += u" " + unicode::ToUtf16(token);
        // Refused when the note was saved since it was read.
        if (Store().Update(note, outlook::NowAsDate()).ok())
            Written(token);
    }

    std::shared_ptr<outlook::MessageStore> m_store;
};

std::set<std::string> ReadTokens(const std::string& log) {
    std::set<std::string> tokens;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            tokens.insert(line);
    return tokens;
}

// Every note of a side as "colour [categories] text" lines, sorted.
std::multiset<std::string> HandheldNotes() {
    CEOID database = 0;
    HANDLE cursor = OpenNoteDatabase(&database);
    std::multiset<std::string> notes;
    for (CEOID oid = CeSeekDatabase(cursor, CEDB_SEEK_BEGINNING, 0, nullptr); oid != 0;
         oid = CeSeekDatabase(cursor, CEDB_SEEK_CURRENT, 1, nullptr)) {
        NoteContents note;
        if (ReadNote(cursor, kCurrentNote, &note) && note.text != u"<New Note>")
            notes.insert(std::to_string(note.color) + " " + unicode::ToUtf8(note.text));
    }
    CloseHandle(cursor);
    return notes;
}

std::multiset<std::string> DesktopNotes() {
    auto store = outlook::MessageStore::ForCurrentDesktop().value();
    std::multiset<std::string> notes;
    auto counted = store->Count();
    const std::size_t count = counted.ok() ? counted.value() : 0;
    for (std::size_t i = 0; i < count; ++i)
        if (auto note = store->CachedAt(i); note.ok() && note.value())
            notes.insert(std::to_string(note.value()->color) + " " +
                         unicode::ToUtf8(note.value()->body));
    return notes;
}

std::size_t Missing(const std::set<std::string>& tokens, const std::multiset<std::string>& notes) {
    std::set<std::string> present;
    for (const std::string& note : notes) {
        std::istringstream words(note);
        for (std::string word; words >> word;)
            present.insert(word);
    }
    std::size_t missing = 0;
    for (const std::string& token : tokens)
        if (!present.count(token)) {
            if (missing < 10)
                std::printf("  lost: %s\n", token.c_str());
            ++missing;
        }
    return missing;
}

Settings Parse(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc)
            settings.seconds = std::atoi(argv[++i]);
        else if (arg == "--seed" && i + 1 < argc)
            settings.seed = static_cast<unsigned>(std::atoi(argv[++i]));
        else if (arg == "--keep")
            settings.keep = true;
        else {
            std::fprintf(stderr, "usage: nothing_lost_soak [--seconds N] [--seed N] [--keep]\n");
            std::exit(2);
        }
    }
    return settings;
}

} // namespace

int main(int argc, char** argv) {
    const Settings settings = Parse(argc, argv);
    char pattern[] = "/tmp/jotterwick-soak-XXXXXX";
    const std::string root = mkdtemp(pattern);
    const std::string handheld = root + "/handheld", desktop = root + "/desktop";
    ce::SetHandheldDirectory(handheld);
    win32::SetDesktopDirectory(desktop);
    const std::map<std::string, std::string> env{{"JOTTERWICK_HANDHELD", handheld},
                                                 {"JOTTERWICK_DESKTOP", desktop},
                                                 {"JOTTERWICK_HEADLESS", "1"}};
    const std::vector<std::string> jsync{JSYNC_PROGRAM, "--handheld", handheld, "--desktop",
                                         desktop};

    // A few notes on each side, and a first synchronization.
    {
        CEOID database = 0;
        HANDLE cursor = OpenNoteDatabase(&database);
        auto store = outlook::MessageStore::ForCurrentDesktop().value();
        for (int i = 0; i < 10; ++i) {
            const CEOID oid = AddNewNote(cursor, 3, u"");
            WriteNote(cursor, oid, unicode::ToUtf16("handheld note " + std::to_string(i)), 3, u"");
            outlook::Note note;
            note.body = unicode::ToUtf16("desktop note " + std::to_string(i));
            (void)store->Insert(note, 48, outlook::NowAsDate());
        }
        CloseHandle(cursor);
    }
    if (const std::string problem = testsupport::InstallSystem(JOTTERWICK_BUILD, handheld, desktop);
        !problem.empty()) {
        std::fprintf(stderr, "nothing_lost_soak: %s\n", problem.c_str());
        return 1;
    }
    const std::string log = root + "/jsync.log";
    Wait(Spawn(jsync, env, log));

    const pid_t jotta = Spawn({JOTTA_PROGRAM}, env, root + "/jotta.log");
    std::vector<pid_t> writers;
    for (char side : {'h', 'd'}) {
        const pid_t pid = fork();
        if (pid == 0) {
            const std::string tokens = root + "/" + side + ".tokens";
            if (side == 'h')
                HandheldWriter(side, settings.seed, tokens).Run();
            else
                DesktopWriter(side, settings.seed + 1, tokens).Run();
            _exit(0);
        }
        writers.push_back(pid);
    }

    int passes = 0, failedPasses = 0;
    const auto end = Clock::now() + std::chrono::seconds(settings.seconds);
    while (Clock::now() < end) {
        ++passes;
        if (Wait(Spawn(jsync, env, log)) != 0)
            ++failedPasses;
    }
    for (pid_t pid : writers) {
        kill(pid, SIGTERM);
        Wait(pid);
    }
    int finalStatus = 0;
    for (int i = 0; i < 2; ++i)
        finalStatus |= Wait(Spawn(jsync, env, log));
    kill(jotta, SIGTERM);
    const int jottaStatus = Wait(jotta);

    std::set<std::string> tokens = ReadTokens(root + "/h.tokens");
    for (const std::string& token : ReadTokens(root + "/d.tokens"))
        tokens.insert(token);
    const auto onHandheld = HandheldNotes();
    const auto onDesktop = DesktopNotes();
    std::printf("seconds %d, seed %u: %d passes (%d with exit status other than 0), %zu edits\n",
                settings.seconds, settings.seed, passes, failedPasses, tokens.size());
    std::printf("notes at the end: %zu on the handheld, %zu on the desktop\n", onHandheld.size(),
                onDesktop.size());
    const std::size_t lostHandheld = Missing(tokens, onHandheld);
    const std::size_t lostDesktop = Missing(tokens, onDesktop);
    const bool equal = onHandheld == onDesktop;
    std::printf("lost updates: %zu on the handheld, %zu on the desktop; sides %s; final passes "
                "%s; jotta ended with %d\n",
                lostHandheld, lostDesktop, equal ? "equal" : "DIFFERENT",
                finalStatus == 0 ? "clean" : "FAILED", jottaStatus);
    if (settings.keep)
        std::printf("machines kept in %s\n", root.c_str());
    else
        std::filesystem::remove_all(root);
    return lostHandheld == 0 && lostDesktop == 0 && equal && finalStatus == 0 ? 0 : 1;
}
