// Which desktop this process works on.
#pragma once

#include "platform/base/window_station.h"

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

// The desktop as the machine a window system runs on: the desktop directory,
// and its window station (windows.db and run/ there). Nothing installs it by
// itself: a desktop program calls platform::InstallMachine(&DesktopMachine())
// before its first window.
platform::StationMachine& DesktopMachine();

} // namespace win32
