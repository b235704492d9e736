// The Outlook stand-in built without the test hooks: its fault switch is set
// in the environment and in the registry, and no member fails; a chosen
// EntryID length is set, and EntryIDs keep their own.
#include "peers/outlook/fault_switch.h"

#include "platform/win32/registry.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(FaultSwitchOfAShippedOutlook, IsIgnored) {
    testsupport::TempMachines machines;
    setenv("JOTTERWICK_OUTLOOK_FAULT", "Save:4096", 1);
    ASSERT_EQ(ERROR_SUCCESS,
              win32::WriteRegistryText(HKEY_CURRENT_USER, "Software\\Jotterwick\\Outlook", "Fault",
                                       "Delete:4096"));
    outlook::LoadRegistryFaults();
    EXPECT_EQ(std::nullopt, outlook::TakeFault(u"Save"));
    EXPECT_EQ(std::nullopt, outlook::TakeFault(u"Delete"));
    unsetenv("JOTTERWICK_OUTLOOK_FAULT");
}

TEST(EntryIdLengthOfAShippedOutlook, IsIgnored) {
    setenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH", "150", 1);
    EXPECT_EQ(std::nullopt, outlook::ChosenEntryIdLength());
    unsetenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH");
}

} // namespace
