// Pins the process's system time (every module of the process shares it) for
// the life of the object, so that a test moves time on instead of sleeping.
#pragma once

#include "platform/base/kernel.h"

#include <cstdint>

class PinnedClock {
public:
    PinnedClock() {
        SYSTEMTIME utc;
        GetSystemTime(&utc);
        FILETIME now{};
        SystemTimeToFileTime(&utc, &now);
        m_ticks = (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
        Pin();
    }
    ~PinnedClock() { platform::PinSystemTime(std::nullopt); }
    PinnedClock(const PinnedClock&) = delete;
    PinnedClock& operator=(const PinnedClock&) = delete;

    void AdvanceSeconds(unsigned seconds) {
        m_ticks += std::uint64_t{seconds} * 10'000'000;
        Pin();
    }

private:
    void Pin() {
        platform::PinSystemTime(
            FILETIME{static_cast<DWORD>(m_ticks), static_cast<DWORD>(m_ticks >> 32)});
    }

    std::uint64_t m_ticks = 0;
};
