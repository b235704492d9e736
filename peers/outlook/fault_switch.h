// The fault switch: makes named members raise an automation exception, for
// tests. The text "Member:code[:count]" (several separated by ';') comes from
// $JOTTERWICK_OUTLOOK_FAULT and from HKCU "Software\Jotterwick\Outlook"
// "Fault"; see registration.h. Only a build with JOTTERWICK_TEST_HOOKS reads
// them, or the stand-in's other test hook, the chosen EntryID length.
#pragma once

#include "platform/base/windef.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace outlook {

struct FaultRule {
    std::u16string member; // compared without regard to ASCII case
    WORD code = 0;
    std::optional<unsigned> remaining; // nullopt: every call
};

// Parses a switch text; malformed entries are skipped (and reported in
// `problems` when given).
std::vector<FaultRule> ParseFaultRules(std::string_view text, std::vector<std::string>* problems);

// The error number `member` is to raise now (counting the call against the
// rule), or nullopt. Rules come from the environment (re-read when the
// variable changes) and from the registry value read by LoadRegistryFaults.
std::optional<WORD> TakeFault(std::u16string_view member);
void LoadRegistryFaults();

// The EntryID length (1 to 4096 hex digits) that
// $JOTTERWICK_OUTLOOK_ENTRYID_LENGTH chooses for notes saved for the first
// time, or nullopt. Only a build with JOTTERWICK_TEST_HOOKS reads it.
std::optional<std::size_t> ChosenEntryIdLength();

} // namespace outlook
