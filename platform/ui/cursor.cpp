// Cursors, the counted wait cursor and the status text shown beside it.
#include "platform/ui/backend.h"
#include "platform/ui/window_impl.h"

namespace {

struct CursorState {
    HCURSOR current = nullptr;
    int waitDepth = 0;
    int waitShown = 0;
    std::u16string statusText;
};

CursorState& State() {
    static CursorState state;
    return state;
}

} // namespace

HCURSOR LoadCursorW(HINSTANCE, LPCWSTR lpCursorName) {
    // The system cursors are their own handles; there are no others.
    if (lpCursorName != IDC_ARROW && lpCursorName != IDC_WAIT) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HCURSOR>(const_cast<WCHAR*>(lpCursorName));
}

HCURSOR SetCursor(HCURSOR hCursor) {
    HCURSOR previous = State().current;
    State().current = hCursor;
    return previous;
}

HCURSOR GetCursor() {
    return State().current;
}

namespace ui {

void BeginWaitCursor() {
    auto& state = State();
    if (state.waitDepth++ == 0) {
        ++state.waitShown;
        CurrentBackend().WaitCursorChanged(state.waitDepth);
    }
}

void EndWaitCursor() {
    auto& state = State();
    if (state.waitDepth == 0)
        return;
    if (--state.waitDepth == 0)
        CurrentBackend().WaitCursorChanged(0);
}

int WaitCursorDepth() {
    return State().waitDepth;
}

int WaitCursorShownCount() {
    return State().waitShown;
}

void SetStatusText(const std::u16string& text) {
    if (State().statusText == text)
        return;
    State().statusText = text;
    CurrentBackend().StatusTextChanged();
}

const std::u16string& StatusText() {
    return State().statusText;
}

} // namespace ui
