// The desktop's ANSI code page, read once for a whole store call instead of
// at every text conversion (reading it is a registry query). While a
// snapshot lives on a thread, the conversions of ansi_text.h use the code
// page read at the first of them; nested snapshots share the outermost one's.
#pragma once

#include "platform/base/windef.h"

class CodePageSnapshot {
public:
    CodePageSnapshot();
    ~CodePageSnapshot();
    CodePageSnapshot(const CodePageSnapshot&) = delete;
    CodePageSnapshot& operator=(const CodePageSnapshot&) = delete;

    // The snapshot's code page on this thread, else CP_ACP (the system's,
    // read by the conversion itself).
    static UINT Current();
};
