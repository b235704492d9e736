// How the stored facts of a note are shown: local date and time of a stored
// time, colour names, the editor's tint, and categories one per line. Shared
// by the editor, the Note Infos dialog and the printed header.
#pragma once

#include "device/sync/note_record.h"

#include <string>
#include <string_view>

using COLORREF = DWORD;

// The locale whose default formats show dates and times (LOCALE_SYSTEM_DEFAULT).
inline constexpr DWORD kSystemDefaultLocale = 0x0800;

// A stored UTC time in local time: the locale's date, `separator`, its time.
// Each part is formatted into a buffer of 50 characters; a part that cannot
// be formatted is empty.
std::u16string FormatNoteTime(const FILETIME& utc, std::u16string_view separator);

// The string resource naming a NoteColor ("blue" ...; "unknown" outside 0..4).
UINT ColorNameId(DWORD color);
// That string, loaded from the resources.
std::u16string ColorName(DWORD color);

// The editor's text background for a NoteColor. A value outside 0..4 (a
// record written elsewhere) is shown white rather than read past the table.
COLORREF NoteTint(DWORD color);

// Categories in the category format, one per line (CR LF between, none after
// the last); empty for no category.
std::u16string CategoryLines(std::u16string_view categories);
