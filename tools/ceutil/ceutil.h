// ceutil: looks into and changes a handheld's object store from the command
// line, for people and for tests.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ceutil {

// Exit statuses.
constexpr int kOk = 0;
constexpr int kFailed = 1;   // a missing database or record, or a store failure
constexpr int kBadUsage = 2; // the arguments do not fit; one line says why on `err`

// Runs one command line (without the program name).
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace ceutil
