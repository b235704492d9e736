// Fuzzes the registry value reader of both machines on values of any type and
// bytes, as a registry file from elsewhere may hold them (the input: a 4-byte
// type, then the value's bytes). Every read with every buffer size must stay
// inside its buffer, leave the sentinel past it alone, and never report more
// bytes copied than the buffer holds.
#include "platform/base/registry_store.h"
#include "platform/ce/machine.h"
#include "platform/ce/registry.h"
#include "platform/win32/machine.h"
#include "platform/win32/registry.h"

#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Files {
    std::string handheld;
    std::string desktop;
};

const Files& Machines() {
    static Files files = [] {
        char directory[] = "/tmp/registry_value_fuzz.XXXXXX";
        if (!mkdtemp(directory))
            std::abort();
        ce::SetHandheldDirectory(std::string(directory) + "/handheld");
        win32::SetDesktopDirectory(std::string(directory) + "/desktop");
        // Each machine gets its key and value once, through its own functions.
        HKEY key = nullptr;
        DWORD one = 1;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Fuzz", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr) != ERROR_SUCCESS ||
            RegSetValueExW(key, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4) !=
                ERROR_SUCCESS)
            std::abort();
        RegCloseKey(key);
        if (win32::WriteRegistryText(HKEY_CURRENT_USER, "Fuzz", "v", "x") != ERROR_SUCCESS)
            std::abort();
        return Files{ce::HandheldDirectory() + "/objectstore.db",
                     win32::DesktopDirectory() + "/registry.db"};
    }();
    return files;
}

void Plant(const std::string& file, std::int64_t type, const std::uint8_t* data, std::size_t size) {
    sqlite3* db = nullptr;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "UPDATE reg_values SET type=?1, data=?2", -1, &s, nullptr) !=
            SQLITE_OK)
        std::abort();
    sqlite3_bind_int64(s, 1, type);
    sqlite3_bind_blob(s, 2, size ? data : reinterpret_cast<const std::uint8_t*>(""),
                      static_cast<int>(size), SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_DONE)
        std::abort();
    sqlite3_finalize(s);
    sqlite3_close(db);
}

// One read into a buffer of `room` bytes followed by sentinels.
template <class Read> void ReadInto(DWORD room, Read read) {
    constexpr std::size_t kSlack = 16;
    std::vector<BYTE> buffer(room + kSlack, 0xAB);
    DWORD size = room;
    DWORD type = 0;
    const LONG result = read(&type, room ? buffer.data() : nullptr, &size);
    for (std::size_t i = room; i < buffer.size(); ++i)
        if (buffer[i] != 0xAB)
            std::abort();
    if (result == ERROR_SUCCESS && room && size > room)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4 || size > 4 + platform::registry::kMaxValueBytes + 8)
        return 0;
    std::int32_t type = 0;
    std::memcpy(&type, data, 4);
    const Files& files = Machines();
    Plant(files.handheld, type, data + 4, size - 4);
    Plant(files.desktop, type, data + 4, size - 4);
    for (DWORD room : {0u, 1u, 2u, 4u, 7u, static_cast<DWORD>(size)}) {
        ReadInto(room, [](DWORD* t, BYTE* b, DWORD* n) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Fuzz", 0, KEY_READ, &key) != ERROR_SUCCESS)
                std::abort();
            const LONG result = RegQueryValueExW(key, u"v", nullptr, t, b, n);
            RegCloseKey(key);
            return result;
        });
        ReadInto(room, [](DWORD* t, BYTE* b, DWORD* n) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, "Fuzz", 0, KEY_READ, &key) != ERROR_SUCCESS)
                std::abort();
            const LONG result = RegQueryValueExA(key, "v", nullptr, t, b, n);
            RegCloseKey(key);
            return result;
        });
    }
    (void)win32::ReadRegistryText(HKEY_CURRENT_USER, "Fuzz", "v");
    return 0;
}
