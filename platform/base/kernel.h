// Kernel services both machines have: system time, local heap, critical
// sections, interlocked counts. One implementation serves the handheld and
// the desktop stand-ins, so a program that touches both machines links it once.
#pragma once

#include "platform/base/windef.h"

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

namespace platform {
// Test hook: pins the system time to `now` (UTC) for every module of this
// process; nullopt restores the real clock. A process started with
// $JOTTERWICK_PINNED_TIME (a decimal FILETIME) starts pinned to it.
void PinSystemTime(std::optional<FILETIME> now);
} // namespace platform

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
