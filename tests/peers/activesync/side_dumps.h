// Both sides' notes as text, for comparing the handheld with the desktop:
// one sorted line per note, "colour [category, category] text" (line feeds
// and carriage returns written as \n and \r). Read from the machines this
// process works on.
#pragma once

#include <string>

namespace jsynctest {

std::string DumpHandheldNotes();
std::string DumpDesktopNotes();

} // namespace jsynctest
