// jsync status: the handheld's partner slots, and for the partnership with
// this desktop its object type, slot, last synchronization and the notes
// waiting on each side, found by a dry run on copies of both machines.
#pragma once

#include "peers/activesync/command_line.h"
#include "peers/activesync/session.h"

#include <cstdio>

namespace jsync {

// Prints what a dry run's session tells of its partnership.
void PrintStanding(std::FILE* out, const Session::Standing& standing, bool partnered);

// The whole command: nothing is synchronized, nothing changed on disk.
platform::Status ReportStatus(const Options& options, std::FILE* out);

} // namespace jsync
