// jsync's command line:
//   jsync [--handheld DIR] [--desktop DIR] [--partner 1|2]
//         [--prefer desktop|device] [--dry-run] [--combine] [--allow-mass-delete]
//         [--watch]
//   jsync [--handheld DIR] [--desktop DIR] [--partner 1|2] options
//   jsync [--handheld DIR] [--desktop DIR] status
//   jsync [--handheld DIR] partners
//   jsync [--handheld DIR] forget --partner 1|2
#pragma once

#include "peers/activesync/sync_plan.h"

#include <optional>
#include <string>
#include <vector>

namespace jsync {

enum class Command { Synchronize, Options, Status, Partners, Forget, Help, Version };

struct Options {
    Command command = Command::Synchronize;
    std::optional<std::string> handheld;
    std::optional<std::string> desktop;
    std::optional<UINT> partner; // none: the slot this desktop has, else the first free one
    ConflictPolicy policy = ConflictPolicy::KeepBoth;
    bool dryRun = false;
    bool combine = false; // as a first synchronization: nothing deleted
    bool allowMassDelete = false;
    bool watch = false;
};

extern const char kUsage[];

// The options, or the reason the arguments are refused (nullopt with *error).
std::optional<Options> ParseCommandLine(const std::vector<std::string>& args, std::string* error);

} // namespace jsync
