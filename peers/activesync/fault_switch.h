// The fault switch of the resume tests: $JOTTERWICK_JSYNC_CRASH_AFTER=N ends
// jsync at once (_exit, nothing flushed or closed) right after its N-th
// durable write: every provider call that writes a note, every commit of the
// partnership state, and the moments right before and after each sync of a
// store count. $JOTTERWICK_JSYNC_HOLD=FILE holds each pass
// between its survey and its work (FILE.held is made, the pass goes on once
// FILE is gone, or after ten seconds), so that a test can change notes then;
// $JOTTERWICK_JSYNC_HOLD_WRITE=FILE holds the same way right before each
// write of a note on the handheld, after the check that the note is as read;
// $JOTTERWICK_JSYNC_HOLD_DESKTOP_WRITE=FILE likewise before each write or
// deletion of a note on the desktop; $JOTTERWICK_JSYNC_HOLD_SURVEY=FILE
// right after the handheld provider looked at a note for the survey. All
// are read only in a build with JOTTERWICK_TEST_HOOKS.
#pragma once

#include <cstdint>

namespace jsync {

// The exit status of a run the fault switch ended.
constexpr int kCrashExitStatus = 86;

void DurableWriteDone();
std::uint64_t DurableWriteCount();
void HoldAfterSurvey();
void HoldBeforeHandheldWrite();
void HoldBeforeDesktopWrite();
void HoldInSurvey();

} // namespace jsync
