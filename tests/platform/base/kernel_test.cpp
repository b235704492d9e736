// Time conversions, the time pin, the local heap, critical sections and
// interlocked counts.
#include "platform/base/kernel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

std::uint64_t Ticks(const FILETIME& ft) {
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
FILETIME FromTicks(std::uint64_t t) {
    return {static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
}

TEST(TimeTest, SystemTimesAndFileTimesConvertBothWays) {
    struct Case {
        const char* what;
        SYSTEMTIME st;
        std::uint64_t ticks;
    } cases[] = {
        {"the epoch", {1601, 1, 1, 1, 0, 0, 0, 0}, 0},
        {"Unix epoch", {1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000ull},
        {"leap day", {2000, 2, 2, 29, 12, 34, 56, 789}, 125963012967890000ull},
        {"end of a year", {2024, 12, 2, 31, 23, 59, 59, 999}, 133801631999990000ull},
        {"before 1900 leap rule", {1900, 3, 4, 1, 0, 0, 0, 0}, 94405824000000000ull},
    };
    for (const auto& c : cases) {
        FILETIME ft{};
        ASSERT_TRUE(SystemTimeToFileTime(&c.st, &ft)) << c.what;
        EXPECT_EQ(c.ticks, Ticks(ft)) << c.what;
        SYSTEMTIME back{};
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &back)) << c.what;
        EXPECT_EQ(0, std::memcmp(&c.st, &back, sizeof back))
            << c.what << ": day of week " << back.wDayOfWeek;
    }
}

TEST(TimeTest, InvalidSystemTimesAreRefusedAndLeaveTheOutputAlone) {
    const SYSTEMTIME bad[] = {
        {1900, 2, 0, 29, 0, 0, 0, 0}, // not a leap year
        {2023, 13, 0, 1, 0, 0, 0, 0}, {2023, 4, 0, 31, 0, 0, 0, 0},   {1600, 12, 0, 31, 0, 0, 0, 0},
        {2023, 1, 0, 1, 24, 0, 0, 0}, {2023, 1, 0, 1, 0, 0, 0, 1000},
    };
    for (const auto& st : bad) {
        FILETIME ft{1, 2};
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&st, &ft))
            << st.wYear << "-" << st.wMonth << "-" << st.wDay;
        EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
        EXPECT_EQ(1u, ft.dwLowDateTime);
    }
    FILETIME negative{0, 0x80000000u};
    SYSTEMTIME st{};
    EXPECT_FALSE(FileTimeToSystemTime(&negative, &st));
}

TEST(TimeTest, PinnedTimeHoldsUntilReleased) {
    const std::uint64_t pinned = 133000000000000000ull;
    platform::PinSystemTime(FromTicks(pinned));
    SYSTEMTIME st{};
    GetSystemTime(&st);
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    EXPECT_EQ(pinned, Ticks(ft));
    EXPECT_EQ(nullptr, std::getenv("JOTTERWICK_PINNED_TIME"))
        << "the pin is the process's own, not handed on to the programs it starts";
    platform::PinSystemTime(std::nullopt);
    GetSystemTime(&st);
    EXPECT_GE(st.wYear, 2024);
}

TEST(TimeTest, LocalTimeFollowsTheProcessTimeZone) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
    struct Case {
        std::uint64_t utc;
        std::int64_t offsetHours;
    } cases[] = {{133500000000000000ull, -5},  // 2024-01-17, winter
                 {133650000000000000ull, -4}}; // 2024-07-09, summer
    for (const auto& c : cases) {
        FILETIME utc = FromTicks(c.utc), local{}, back{};
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
        EXPECT_EQ(static_cast<std::int64_t>(Ticks(local)) - static_cast<std::int64_t>(c.utc),
                  c.offsetHours * 36000000000ll);
        ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
        EXPECT_EQ(c.utc, Ticks(back));
    }
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(TimeTest, CompareFileTimeOrdersBothHalves) {
    const FILETIME a{5, 1}, b{1, 2}, c{5, 1};
    EXPECT_EQ(-1, CompareFileTime(&a, &b));
    EXPECT_EQ(1, CompareFileTime(&b, &a));
    EXPECT_EQ(0, CompareFileTime(&a, &c));
}

TEST(HeapTest, BlocksKnowTheirSizeAndGrowWithTheirContents) {
    auto* block = static_cast<BYTE*>(LocalAlloc(LPTR, 16));
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(16u, LocalSize(block));
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(0, block[i]);
    std::memset(block, 0x5A, 16);
    block = static_cast<BYTE*>(LocalReAlloc(block, 4096, LMEM_MOVEABLE | LMEM_ZEROINIT));
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(4096u, LocalSize(block));
    EXPECT_EQ(0x5A, block[15]);
    EXPECT_EQ(0, block[16]);
    EXPECT_EQ(0, block[4095]);
    block = static_cast<BYTE*>(LocalReAlloc(block, 8, LMEM_MOVEABLE));
    EXPECT_EQ(8u, LocalSize(block));
    EXPECT_EQ(nullptr, LocalFree(block));
    EXPECT_EQ(nullptr, LocalFree(nullptr));
}

TEST(HeapTest, WhatIsNotABlockIsRefused) {
    alignas(16) BYTE notABlock[64] = {};
    SetLastError(0);
    EXPECT_EQ(notABlock + 32, LocalFree(notABlock + 32));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_EQ(0u, LocalSize(notABlock + 32));
    EXPECT_EQ(nullptr, LocalReAlloc(notABlock + 32, 10, LMEM_MOVEABLE));
    EXPECT_EQ(nullptr, LocalAlloc(LMEM_FIXED, SIZE_MAX - 4));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, GetLastError());
}

TEST(SyncTest, CriticalSectionsAreRecursiveAndExclusive) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs); // the owner may enter again
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    long plain = 0;
    LONG volatile counted = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                EnterCriticalSection(&cs);
                ++plain;
                LeaveCriticalSection(&cs);
                InterlockedIncrement(&counted);
                InterlockedIncrement(&counted);
                InterlockedDecrement(&counted);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(40000, plain);
    EXPECT_EQ(40000, counted);
    EXPECT_EQ(40000, InterlockedExchange(&counted, 7));
    EXPECT_EQ(7, counted);
    DeleteCriticalSection(&cs);
}

} // namespace
