// Which desktop this process works on.
#pragma once

#include <string>

namespace win32 {

// The desktop directory: set by SetDesktopDirectory, else $JOTTERWICK_DESKTOP,
// else $XDG_DATA_HOME/jotterwick/desktop (~/.local/share/... when unset).
// Created on first use.
std::string DesktopDirectory();
// The same directory, named only: nothing is created.
std::string ChosenDesktopDirectory();

// Chooses the desktop for every module of this process (not for processes it
// starts). Closes nothing already open.
void SetDesktopDirectory(const std::string& directory);

} // namespace win32
