// The store's options dialog (dialog 101, "Jotterwick Options"): its
// template, its procedure and what it reads of Outlook's categories.
#pragma once

#include "platform/ui/dialog.h"

#include <string>
#include <vector>

class CNoteStore;

constexpr WORD IDD_OPTIONS = 101;
constexpr int IDC_NO_COLOR = 1000;
constexpr int IDC_BLUE = 1001;
constexpr int IDC_YELLOW = 1002;
constexpr int IDC_GREEN = 1003;
constexpr int IDC_WHITE = 1004;
constexpr int IDC_RED = 1005;
constexpr int IDC_COLOR_GROUP = 1006;
constexpr int IDC_ACTIVE = 1007;
constexpr int IDC_CATEGORIES = 1011;
constexpr int IDC_REFRESH_DELAY = 1012;
constexpr int IDC_INDIVIDUAL_SESSION = 1014;

// Dialog 101 as its resource lays it out, controls in tab order.
const DialogTemplate& OptionsDialogTemplate();

// Runs the dialog modally over `store`, owned by `parent`: what EndDialog
// was given (1 OK, 2 Cancel), -1 when it could not be shown.
INT_PTR RunOptionsDialog(CNoteStore* store, HWND parent);

// The name of Outlook's version key under HKLM "Software\Microsoft\Office":
// the longest subkey name, the greatest byte-wise among equal lengths; empty
// when there is none.
std::string OfficeVersion();
// Outlook's master category list (the default value of the version's
// "Outlook\Categories" key, HKCU before HKLM) cut at every character of the
// user's list separator, each entry trimmed; empty entries are left out.
std::vector<std::string> OutlookCategories();
