// Which handheld this process works on.
#pragma once

#include <string>

namespace ce {

// The handheld directory: set by SetHandheldDirectory, else $JOTTERWICK_HANDHELD,
// else $XDG_DATA_HOME/jotterwick/handheld (~/.local/share/... when unset).
// Created with its run/ and "My Documents/" folders on first use.
std::string HandheldDirectory();
// The same directory, named only: nothing is created.
std::string ChosenHandheldDirectory();

// Chooses the handheld for every module of this process (not for processes
// it starts). Closes nothing already open.
void SetHandheldDirectory(const std::string& directory);

} // namespace ce
