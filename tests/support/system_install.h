// Installs Jotterwick on a pair of machines the way a person does, for every
// test and benchmark that synchronizes: nothing is registered by hand.
//
//  1. Outlook is set up on the desktop (outlook-notes register).
//  2. The handheld meets the desktop once: jsync sets up the service
//     managers (the application manager's App Paths entry) and refuses, as
//     nothing of the system is installed yet.
//  3. The distribution folder's setup runs headless, the scripted user
//     pressing Install and answering its message; the application manager it
//     starts takes the handheld package into its store.
// The next jsync then installs the handheld half and synchronizes.
#pragma once

#include <string>

namespace testsupport {

// Installs from the distribution folder of the build `buildDir` (its dist/)
// onto the desktop `desktop`, whose partner is the handheld `handheld`
// (both must exist). Returns "" when done, else what went wrong.
std::string InstallSystem(const std::string& buildDir, const std::string& handheld,
                          const std::string& desktop);

// The same on the process's machines, from $JOTTERWICK_BUILD_DIR; or on the
// desktop `desktop` (made here when missing) for the process's handheld.
std::string InstallSystem();
std::string InstallSystemOn(const std::string& desktop);

// What jsync does first when the handheld connects, without synchronizing:
// the application manager installs the pending handheld package
// (ceappmgr --handheld). For tests that load the providers themselves.
std::string InstallPendingOnHandheld(const std::string& buildDir, const std::string& handheld,
                                     const std::string& desktop);
std::string InstallPendingOnHandheld();

} // namespace testsupport
