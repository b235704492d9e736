// The desktop's side of the category rules: Outlook's Categories text is
// built and read with the user's list separator. The conversions themselves
// are the system's shared note rules.
#pragma once

#include "shared/notes/note_rules.h"

#include <string>

// The user's list separator (LOCALE_SLIST), read afresh at every call; ","
// when it can't be read, is empty or does not fit the 10-character buffer.
std::string ListSeparator();
