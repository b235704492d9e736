// The edge of every COM entry point of the library: the calls behind it may
// raise (AutomationException, ComError, std::bad_alloc ...), nothing may
// leave through it. Each entry point runs its body through one of these;
// the desktop code page is read once for the whole call.
#pragma once

#include "desktop/sync/automation_exception.h"
#include "desktop/sync/code_page_snapshot.h"
#include "desktop/sync/com_error.h"

#include <new>

// For an entry point that answers with a result code: an automation error is
// passed to `report` (the dispatch error report) and gives
// `onAutomationError`; a ComError gives its result, running out of memory
// E_OUTOFMEMORY, anything else E_FAIL.
template <typename Report, typename Body>
HRESULT ResultAtComBoundary(Report&& report, HRESULT onAutomationError, Body&& body) noexcept {
    const CodePageSnapshot codePage;
    try {
        return body();
    } catch (const AutomationException& error) {
        try {
            report(error);
        } catch (...) {
        }
        return onAutomationError;
    } catch (const ComError& error) {
        return error.Result();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// For an entry point that answers with a value (a BOOL, a count): an
// automation error is reported and gives `onAutomationError`, any other
// failure `onFailure`.
template <typename T, typename Report, typename Body>
T ValueAtComBoundary(Report&& report, T onAutomationError, T onFailure, Body&& body) noexcept {
    const CodePageSnapshot codePage;
    try {
        return body();
    } catch (const AutomationException& error) {
        try {
            report(error);
        } catch (...) {
        }
        return onAutomationError;
    } catch (...) {
        return onFailure;
    }
}
