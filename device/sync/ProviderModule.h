// Module-wide state of the handheld provider, shared by its entry points and
// its object handler: one set per loaded library.
#pragma once

#include "device/sync/NoteRecord.h"

#include <string>
#include <string_view>
#include <vector>

class CNoteObjHandler;

struct ProviderModule {
    // The note database, opened without a sort order. Its one current
    // position is moved by every operation of the library.
    HANDLE database = INVALID_HANDLE_VALUE;
    CEOID oidDatabase = 0;
    // Makes each move-then-read, move-then-write and move-then-delete pair on
    // `database` one step.
    CRITICAL_SECTION lock{};
    bool lockCreated = false;
    UINT partnerBit = 0;
    std::vector<std::u16string> SyncFilterList;
    DWORD traceSwitch = 0;
    // The handler handed out last, while it lives: a second set-up hands it
    // out again instead of making another.
    CNoteObjHandler* handler = nullptr;
};

ProviderModule& Module();

// Holds the provider lock for one scope.
class ProviderLock {
public:
    ProviderLock() { EnterCriticalSection(&Module().lock); }
    ~ProviderLock() { LeaveCriticalSection(&Module().lock); }
    ProviderLock(const ProviderLock&) = delete;
    ProviderLock& operator=(const ProviderLock&) = delete;
};

// This partner's synchronization-time property.
CEPROPID PartnerSyncTimeProp();

// Moves the note database to the note; true when it stands on it.
bool SeekToNote(CEOID oid);

// True when one of the note's categories equals an entry of SyncFilterList.
bool MatchesSyncFilter(std::u16string_view categories);

// One trace line into the window text of the "TrailMonitor" window, when
// traceSwitch is non-zero; cut to 511 characters.
void TraceLine(DWORD traceSwitch, const char16_t* format, ...);
