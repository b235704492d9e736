// A stop for tests at a chosen point of a program: with $VARIABLE=FILE set
// (in a build with the test hooks only), the program makes FILE.held there
// and goes on once FILE is gone, or after ten seconds. A test changes what
// it needs meanwhile, at exactly that moment.
#pragma once

namespace platform {

void TestHold(const char* variable);

} // namespace platform
