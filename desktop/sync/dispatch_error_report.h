// The desktop's message box for an Outlook automation error.
#pragma once

#include "desktop/sync/automation_exception.h"

#include <string>

struct IReplNotify;

// Outlook's code for "the item could not be found", which the store's
// operations other than Initialize do not report: a note that has gone is
// an ordinary outcome of their lookups.
constexpr WORD kItemNotFoundCode = 4096;

enum class ReportNotFound { No, Yes };

// "Number: %i\nDesc: %s" with the exception's code and description, cut to
// 1,024 characters.
std::string DispatchErrorText(const AutomationException& error);

// Shows DispatchErrorText in a box with the caption "OleDispatchException"
// and an OK button, owned by the callback's window 0 (no owner without a
// callback). A code 4096 error is shown only with ReportNotFound::Yes.
void ShowDispatchError(const AutomationException& error, IReplNotify* notify,
                       ReportNotFound reportNotFound);
