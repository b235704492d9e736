// `outlook-notes`: lets a person play the Outlook user on a desktop. Every
// note operation goes through the automation server "Outlook.Application".
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace outlook {

// Runs one command line (without the program name). Returns the exit status:
// 0 done, 1 failed (unknown EntryID, automation error), 2 bad arguments
// (one line on `err`). `serverPath` is the library registered on first use when
// "Outlook.Application" is not registered yet. `in` gives the body of
// --body-file -.
int RunNotesCommand(const std::vector<std::string>& arguments, const std::string& serverPath,
                    std::istream& in, std::ostream& out, std::ostream& err);

} // namespace outlook
