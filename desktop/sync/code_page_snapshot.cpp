#include "desktop/sync/code_page_snapshot.h"

#include "platform/win32/codepage.h"

#include <optional>

namespace {
// Per thread: whether a snapshot is open, and its code page once read.
thread_local int t_depth = 0;
thread_local std::optional<UINT> t_codePage;
} // namespace

CodePageSnapshot::CodePageSnapshot() {
    ++t_depth;
}

CodePageSnapshot::~CodePageSnapshot() {
    if (--t_depth == 0)
        t_codePage.reset();
}

UINT CodePageSnapshot::Current() {
    if (t_depth == 0)
        return CP_ACP;
    // Read at the first conversion: a call that converts no text reads nothing.
    if (!t_codePage)
        t_codePage = GetACP();
    return *t_codePage;
}
