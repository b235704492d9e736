// Kernel services of the handheld: system time, local heap, critical
// sections, interlocked counts, wide formatting.
#pragma once

#include "platform/base/windef.h"

#include <cstdarg>
#include <optional>

// System time (UTC) on the real clock, unless a test has pinned "now".
void GetSystemTime(LPSYSTEMTIME lpSystemTime);
void GetLocalTime(LPSYSTEMTIME lpSystemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime);
BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);
// Through the process's time zone.
BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime);
// -1, 0 or 1.
LONG CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2);
DWORD GetTickCount();

namespace ce {
// Test hook: pins the system time to `now` (UTC); nullopt restores the real clock.
// Also read from $JOTTERWICK_PINNED_TIME (a decimal FILETIME) at first use.
void PinSystemTime(std::optional<FILETIME> now);
} // namespace ce

// Local heap.
constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_MOVEABLE = 0x0002;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;
HLOCAL LocalAlloc(UINT uFlags, std::size_t uBytes);
HLOCAL LocalReAlloc(HLOCAL hMem, std::size_t uBytes, UINT uFlags);
// Returns null on success, the block on failure.
HLOCAL LocalFree(HLOCAL hMem);
std::size_t LocalSize(HLOCAL hMem);

// Critical sections: recursive for the owning thread, as on the platform.
struct CRITICAL_SECTION {
    void* impl;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;
void InitializeCriticalSection(LPCRITICAL_SECTION cs);
void DeleteCriticalSection(LPCRITICAL_SECTION cs);
void EnterCriticalSection(LPCRITICAL_SECTION cs);
void LeaveCriticalSection(LPCRITICAL_SECTION cs);

LONG InterlockedIncrement(LONG volatile* addend);
LONG InterlockedDecrement(LONG volatile* addend);
LONG InterlockedExchange(LONG volatile* target, LONG value);

// wvsprintfW: %s (wide string), %u, %lu, %d, %i, %x, %c and %% into a buffer
// of 1024 characters at most, as the platform; never writes past `cchBuffer`
// (our bound, which callers pass), cutting the text and always terminating it.
// Returns the number of characters written, without the terminator.
int wvsprintfW(LPWSTR buffer, std::size_t cchBuffer, LPCWSTR format, va_list args);
int wsprintfW(LPWSTR buffer, std::size_t cchBuffer, LPCWSTR format, ...);
