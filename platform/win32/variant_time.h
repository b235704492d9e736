// Automation dates: days since 30 December 1899 00:00 as a double, the
// fraction being the time of day. Before that day the integer part counts
// backwards while the fraction still runs forwards (-1.25 is 29 December 1899
// 06:00), as on the platform.
#pragma once

#include "platform/base/windef.h"

using DATE = double;

// Rounds to the nearest second, as the platform does; wMilliseconds is 0.
// Valid from 1 January 100 to 31 December 9999; FALSE outside that range.
INT VariantTimeToSystemTime(DATE vtime, LPSYSTEMTIME lpSystemTime);
// wMilliseconds is ignored, as on the platform. FALSE for fields out of range
// (month 1-12, day within the month, hour < 24, minute and second < 60,
// year 100-9999).
INT SystemTimeToVariantTime(const SYSTEMTIME* lpSystemTime, DATE* pvtime);
