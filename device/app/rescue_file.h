// A file in the handheld's "My Documents" that takes a note's text when the
// note database refuses it, so that a failed save loses nothing. The file
// holds the text as the handheld keeps it: UTF-16 little-endian after a
// byte-order mark, lines ending in CR LF, so every character survives.
#pragma once

#include <string>

// The first name "Unsaved note.txt", "Unsaved note 2.txt", ... that no file
// in "My Documents" has yet, as the handheld shows it ("\My Documents\...").
std::u16string FreeRescueFileName();

// Writes `text` to the file `name` (a name FreeRescueFileName gave); never
// replaces a file that exists. False when the file could not be written whole.
bool WriteRescueFile(const std::u16string& name, const std::u16string& text);
