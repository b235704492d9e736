// Test support for the handheld provider: a fresh handheld with the note
// database, notes written straight into it, a live "TrailMonitor" window in
// a second process that collects the trace, and registry settings.
#pragma once

#include "device/sync/note_record.h"
#include "platform/ce/registry.h"
#include "platform/ce/window_station.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace providertest {

inline constexpr FILETIME kNow{0xFFB14000, 0x01DB1233}; // a whole second

inline bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

inline FILETIME Later(FILETIME t, DWORD ticks) {
    ULONGLONG v = (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) + ticks;
    return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

struct NoteSpec {
    std::u16string text = u"Title\r\nbody";
    DWORD color = NoteYellow;
    std::optional<std::u16string> categories = std::u16string();
    FILETIME modified{100, 1};
    FILETIME created{50, 1};
    FILETIME sync1{};
    FILETIME sync2{};
};

class ProviderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // Pinned for this process and every library it loads.
        platform::PinSystemTime(kNow);
        const CEOID oid = CeCreateDatabase(kNoteDatabaseName, NOTE_DB_TYPE, 0, nullptr);
        ASSERT_NE(0u, oid);
        oidDb = oid;
        CEOID opened = 0;
        db = CeOpenDatabase(&opened, kNoteDatabaseName, 0, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, db);
    }
    void TearDown() override {
        CloseHandle(db);
        platform::PinSystemTime(std::nullopt);
    }

    CEOID AddNote(const NoteSpec& spec) {
        const std::u16string title = NoteTitleOf(spec.text);
        std::vector<CEPROPVAL> props = {
            TimeProp(PROPID_NOTE_MODIFIED, spec.modified),
            TimeProp(PROPID_NOTE_CREATED, spec.created),
            StringProp(PROPID_NOTE_TITLE, title),
            StringProp(PROPID_NOTE_TEXT, spec.text),
            TimeProp(PROPID_NOTE_SYNCTIME1, spec.sync1),
            TimeProp(PROPID_NOTE_SYNCTIME2, spec.sync2),
            NumberProp(PROPID_NOTE_COLOR, spec.color),
        };
        if (spec.categories)
            props.push_back(StringProp(PROPID_NOTE_CATEGORIES, *spec.categories));
        return CeWriteRecordProps(db, 0, static_cast<WORD>(props.size()), props.data());
    }

    // Reads a note through the test's own handle; fails the test when absent.
    std::unique_ptr<NoteRecordProps> Read(CEOID oid) {
        auto record = std::make_unique<NoteRecordProps>();
        EXPECT_EQ(oid, CeSeekDatabase(db, CEDB_SEEK_CEOID, oid, nullptr));
        EXPECT_EQ(oid, record->ReadCurrent(db));
        return record;
    }

    WORD RecordCount() {
        CEOIDINFO info{};
        EXPECT_TRUE(CeOidGetInfo(oidDb, &info));
        return info.infDatabase.wNumRecords;
    }

    static void SetSetting(const char16_t* name, DWORD value) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Jotterwick\\Quillmarks\\Common", 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
        RegCloseKey(key);
    }
    static void SetSetting(const char16_t* name, const std::u16string& text) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Jotterwick\\Quillmarks\\Common", 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
        RegCloseKey(key);
    }

    // Starts the trace viewer in its own process and waits for its window.
    void StartTrailMonitor() {
        monitor = std::make_unique<testsupport::ChildProcess>(
            testsupport::BuiltProgram("peers/trailmonitor/trailmonitor"),
            std::vector<std::string>{});
        ASSERT_TRUE(
            testsupport::WaitFor([] { return ce::FindStationWindow(u"TrailMonitor", nullptr); }));
    }

    // The trace once it holds `lines` line ends (the viewer prints one per line).
    std::string Trace(size_t lines) {
        testsupport::WaitFor([&] {
            const std::string out = monitor->Output();
            return static_cast<size_t>(std::count(out.begin(), out.end(), '\n')) >= lines;
        });
        return monitor->Output();
    }

    testsupport::TempMachines machines;
    HANDLE db = INVALID_HANDLE_VALUE;
    CEOID oidDb = 0;
    std::unique_ptr<testsupport::ChildProcess> monitor;
};

} // namespace providertest
