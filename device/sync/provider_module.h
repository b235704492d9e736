// Module-wide state of the handheld provider, shared by its entry points and
// its object handler: one set per loaded library.
#pragma once

#include "device/sync/note_record.h"

#include <string>
#include <string_view>
#include <vector>

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
    // Why "FilterSync" could not be read at the last set-up, ERROR_SUCCESS
    // when it was (or is absent). While set, no note with a category leaves
    // the handheld: the filter might have kept it private.
    DWORD filterError = ERROR_SUCCESS;
    DWORD traceSwitch = 0;
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

// The error that keeps a note with these categories from being judged by the
// filter: filterError when the note has a category, else ERROR_SUCCESS.
DWORD SyncFilterError(std::u16string_view categories);

// One trace line into the window text of the "TrailMonitor" window, when
// traceSwitch is non-zero; cut to 511 characters.
void TraceLine(DWORD traceSwitch, const char16_t* format, ...);
