#include "jsync_fixture.h"

#include "side_dumps.h"
#include "support/system_install.h"

#include "platform/base/kernel.h"
#include "platform/base/unicode.h"
#include "platform/ce/registry.h"
#include "platform/win32/registry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace jsynctest {

namespace {

// 2026-12-01 00:00:00 UTC as a FILETIME.
constexpr std::uint64_t kStart = 134090208000000000ull;
constexpr std::uint64_t kTenSeconds = 100000000ull;

std::string Quote(const std::string& arg) {
    std::string out = "'";
    for (char c : arg)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

void JsyncFixture::SetUp() {
    machines = std::make_unique<testsupport::TempMachines>();
    clock = kStart;
    Tick();
    cursor = OpenNoteDatabase(&oidDatabase);
    ASSERT_NE(INVALID_HANDLE_VALUE, cursor);
    auto store = outlook::MessageStore::ForCurrentDesktop();
    ASSERT_TRUE(store.ok()) << store.status().message();
    outlookStore = store.value();
    if (installSystem) {
        ASSERT_EQ("", testsupport::InstallSystem());
    }
}

void JsyncFixture::TearDown() {
    if (cursor != INVALID_HANDLE_VALUE)
        CloseHandle(cursor);
    outlookStore.reset();
    platform::PinSystemTime(std::nullopt);
    unsetenv("JOTTERWICK_PINNED_TIME");
    machines.reset();
}

void JsyncFixture::Tick() {
    clock += kTenSeconds;
    platform::PinSystemTime(Now());
    // The programs the test starts run on the same clock.
    setenv("JOTTERWICK_PINNED_TIME", std::to_string(clock).c_str(), 1);
}

FILETIME JsyncFixture::Now() const {
    return FILETIME{static_cast<DWORD>(clock), static_cast<DWORD>(clock >> 32)};
}

CEOID JsyncFixture::AddDeviceNote(const std::string& text, DWORD color,
                                  const std::string& categories) {
    const CEOID oid = AddUnsavedDeviceNote();
    EditDeviceNote(oid, text, color, categories);
    return oid;
}

CEOID JsyncFixture::AddUnsavedDeviceNote() {
    const CEOID oid = AddNewNote(cursor, NoteYellow, u"");
    EXPECT_NE(0u, oid);
    return oid;
}

void JsyncFixture::EditDeviceNote(CEOID oid, const std::string& text, DWORD color,
                                  const std::string& categories) {
    EXPECT_TRUE(
        WriteNote(cursor, oid, unicode::ToUtf16(text), color, unicode::ToUtf16(categories)));
}

void JsyncFixture::DeleteDeviceNote(CEOID oid) {
    EXPECT_TRUE(DeleteNote(cursor, oid));
}

bool JsyncFixture::ReadDeviceNote(CEOID oid, NoteContents* contents) {
    return ReadNote(cursor, oid, contents);
}

std::u16string JsyncFixture::DeviceTitle(CEOID oid) {
    if (CeSeekDatabase(cursor, CEDB_SEEK_CEOID, oid, nullptr) != oid)
        return u"?";
    NoteRecordProps record;
    record.ReadCurrent(cursor);
    return record.Text(PROPID_NOTE_TITLE);
}

std::vector<CEOID> JsyncFixture::DeviceNoteIds() {
    std::vector<CEOID> ids;
    for (CEOID oid = CeSeekDatabase(cursor, CEDB_SEEK_BEGINNING, 0, nullptr); oid != 0;
         oid = CeSeekDatabase(cursor, CEDB_SEEK_CURRENT, 1, nullptr))
        ids.push_back(oid);
    return ids;
}

CEOID JsyncFixture::DeviceNoteOf(const std::string& text, NoteContents* contents) {
    for (CEOID oid : DeviceNoteIds()) {
        NoteContents note;
        if (ReadDeviceNote(oid, &note) && unicode::ToUtf8(note.text) == text) {
            if (contents)
                *contents = note;
            return oid;
        }
    }
    ADD_FAILURE() << "no handheld note reads " << text;
    return 0;
}

std::string JsyncFixture::AddDesktopNote(const std::string& text, DWORD color,
                                         const std::string& categories) {
    outlook::Note note;
    note.body = unicode::ToUtf16(text);
    note.color = static_cast<LONG>(color);
    note.categories = unicode::ToUtf16(categories);
    auto saved = outlookStore->Insert(note, 48, outlook::NowAsDate());
    EXPECT_TRUE(saved.ok()) << saved.status().message();
    return saved.ok() ? saved->entryId : std::string();
}

void JsyncFixture::EditDesktopNote(const std::string& entryId, const std::string& text, DWORD color,
                                   const std::string& categories) {
    auto found = outlookStore->FindByEntryId(entryId);
    ASSERT_TRUE(found.ok() && found.value()) << entryId;
    outlook::Note note = *found.value();
    note.body = unicode::ToUtf16(text);
    note.color = static_cast<LONG>(color);
    note.categories = unicode::ToUtf16(categories);
    ASSERT_TRUE(outlookStore->Update(note, outlook::NowAsDate()).ok());
}

void JsyncFixture::DeleteDesktopNote(const std::string& entryId) {
    auto found = outlookStore->FindByEntryId(entryId);
    ASSERT_TRUE(found.ok() && found.value()) << entryId;
    ASSERT_TRUE(outlookStore->Delete(found.value()->sequence).ok());
}

std::vector<outlook::Note> JsyncFixture::DesktopNotes() {
    std::vector<outlook::Note> notes;
    auto count = outlookStore->Count();
    EXPECT_TRUE(count.ok());
    for (std::size_t i = 0; count.ok() && i < count.value(); ++i) {
        auto note = outlookStore->CachedAt(i);
        if (note.ok() && note.value())
            notes.push_back(*note.value());
    }
    return notes;
}

outlook::Note JsyncFixture::DesktopNoteOf(const std::string& body) {
    for (const outlook::Note& note : DesktopNotes())
        if (unicode::ToUtf8(note.body) == body)
            return note;
    ADD_FAILURE() << "no desktop note reads " << body;
    return outlook::Note();
}

std::string JsyncFixture::DesktopEntryOf(const std::string& body) {
    return DesktopNoteOf(body).entryId;
}

std::string JsyncFixture::DeviceDump() {
    return DumpHandheldNotes();
}

std::string JsyncFixture::DesktopDump() {
    return DumpDesktopNotes();
}

void JsyncFixture::ExpectInStep(const std::string& expected) {
    EXPECT_EQ(expected, DeviceDump()) << "handheld";
    EXPECT_EQ(expected, DesktopDump()) << "desktop";
}

RunResult JsyncFixture::Jsync(const std::vector<std::string>& args) {
    return RunProgram("peers/activesync/jsync", args);
}

void JsyncFixture::CopyStore(const std::string& from, const std::string& to) {
    const RunResult run = RunProgram("tests/peers/activesync/store_copy", {from, to});
    ASSERT_EQ(0, run.status) << run.output;
}

void JsyncFixture::ReopenNoteDatabase() {
    CloseHandle(cursor);
    cursor = OpenNoteDatabase(&oidDatabase);
    ASSERT_NE(INVALID_HANDLE_VALUE, cursor);
}

RunResult JsyncFixture::RunProgram(const std::string& program,
                                   const std::vector<std::string>& args) {
    std::string command = Quote(testsupport::BuiltProgram(program));
    for (const auto& arg : args)
        command += " " + Quote(arg);
    testsupport::ChildProcess child("/bin/sh", {"-c", command + " 2>&1"});
    RunResult result;
    result.status = child.Wait();
    result.output = child.Output();
    return result;
}

RunResult JsyncFixture::ExpectRefused(const std::vector<std::string>& args,
                                      const std::string& says) {
    RunResult run = Jsync(args);
    EXPECT_EQ(1, run.status) << "refused, saying " << says << "\n" << run.output;
    EXPECT_NE(std::string::npos, run.output.find(says)) << says << "\n" << run.output;
    return run;
}

void JsyncFixture::ExpectNothingToDo(const std::vector<std::string>& args) {
    const RunResult run = Jsync(args);
    EXPECT_EQ(0, run.status) << run.output;
    for (const char* label :
         {"Sent to the desktop", "Received from the desktop", "Deleted on the desktop",
          "Deleted on the handheld", "Conflicts", "Equal notes paired"})
        EXPECT_EQ(0, SummaryCount(run.output, label)) << label << "\n" << run.output;
}

void JsyncFixture::SetFilterSync(const std::u16string& categories) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Jotterwick\\Quillmarks\\Common", 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key, u"FilterSync", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(categories.c_str()),
                             static_cast<DWORD>((categories.size() + 1) * sizeof(char16_t))));
    RegCloseKey(key);
}

namespace {

HKEY OpenPartnerKey() {
    HKEY partners = nullptr;
    EXPECT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows CE Services\\Partners",
                            0, KEY_ALL_ACCESS, &partners));
    char name[64] = {};
    DWORD size = sizeof name;
    EXPECT_EQ(ERROR_SUCCESS,
              RegEnumKeyExA(partners, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
    size = sizeof name;
    char second[64] = {};
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              RegEnumKeyExA(partners, 1, second, &size, nullptr, nullptr, nullptr, nullptr))
        << "one partnership expected";
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(partners, name, 0, KEY_ALL_ACCESS, &key));
    RegCloseKey(partners);
    return key;
}

} // namespace

void JsyncFixture::SetPartnerValue(const char* name, DWORD value) {
    HKEY key = OpenPartnerKey();
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&value), sizeof value));
    RegCloseKey(key);
}

void JsyncFixture::SetPartnerText(const char* name, const std::string& text) {
    HKEY key = OpenPartnerKey();
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)));
    RegCloseKey(key);
}

std::optional<DWORD> JsyncFixture::PartnerValue(const char* name) {
    HKEY key = OpenPartnerKey();
    DWORD value = 0, size = sizeof value, type = 0;
    const LONG rc =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

std::optional<std::string> JsyncFixture::PartnerText(const char* name) {
    HKEY key = OpenPartnerKey();
    char text[1024] = {};
    DWORD size = sizeof text - 1, type = 0;
    const LONG rc =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    return std::string(text);
}

void JsyncFixture::SetDesktopCodePage(const char* codePage) {
    SetDesktopText(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP",
                   codePage);
}

void JsyncFixture::SetDesktopText(HKEY root, const char* key, const char* name,
                                  const std::string& text) {
    HKEY opened = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)));
    RegCloseKey(opened);
}

void CopyMachine(const std::string& from, const std::string& to,
                 bool (*keep)(const std::string& name)) {
    namespace fs = std::filesystem;
    fs::create_directories(to);
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        const fs::path relative = fs::relative(entry.path(), from);
        if (*relative.begin() == "run")
            continue;
        if (entry.is_directory())
            fs::create_directories(fs::path(to) / relative);
        else if (entry.is_regular_file() && (!keep || keep(entry.path().filename().string())))
            fs::copy_file(entry.path(), fs::path(to) / relative,
                          fs::copy_options::overwrite_existing);
    }
}

std::string DumpMachines(const std::string& handheld, const std::string& desktop) {
    testsupport::ChildProcess dump(
        "/usr/bin/env", {"JOTTERWICK_HANDHELD=" + handheld, "JOTTERWICK_DESKTOP=" + desktop,
                         testsupport::BuiltProgram("tests/peers/activesync/note_dump")});
    EXPECT_EQ(0, dump.Wait());
    return dump.Output();
}

std::string HandheldPart(const std::string& dump) {
    const std::size_t start = std::string("handheld:\n").size();
    return dump.substr(start, dump.find("desktop:\n") - start);
}

std::string DesktopPart(const std::string& dump) {
    const std::size_t at = dump.find("desktop:\n");
    return at == std::string::npos ? std::string() : dump.substr(at + 9);
}

int SummaryCount(const std::string& output, const std::string& label) {
    const auto at = output.find("  " + label + ":");
    if (at == std::string::npos)
        return -1;
    return std::atoi(output.c_str() + at + label.size() + 3);
}

} // namespace jsynctest
