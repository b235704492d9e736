// The machines' folders and stores hold a person's notes: only that person
// reads them. Folders are 0700 and store files 0600 when made; an existing
// one that others could read or write is tightened, with a note on standard
// error saying so.
#pragma once

#include <string>

namespace platform {

// Makes the folder and its missing parents (each 0700), and tightens the
// folder itself when it exists with a looser mode.
void MakePrivateDirectories(const std::string& path);
// Tightens an existing file to 0600 when others could read or write it; a
// file made just now (`made`) is tightened without a note.
void KeepFilePrivate(const std::string& path, bool made);

} // namespace platform
