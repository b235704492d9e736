// Resource identifiers of the notes program: command identifiers (the
// numbers of menu 128), strings, dialogs and their controls.
#pragma once

#include "platform/mfc/win_app.h"

// Menu 128, accelerator table 128, tool-bar bitmap 128, icon 128 and the
// document template's string 128.
constexpr WORD IDR_MAINFRAME = 128;

// Dialog templates.
constexpr WORD IDD_ABOUTBOX = 100;
constexpr WORD IDD_SEARCH = 130;
constexpr WORD IDD_NOTEINFO = 134;
constexpr WORD IDD_CATEGORIES = 137;
constexpr WORD IDD_SPONSORS = 138;

// The search dialog's text.
constexpr int IDC_SEARCH_TEXT = 1000;

// The categories pick list.
constexpr int IDC_CATEGORY_LIST = 1004;

// Controls of the Note Infos dialog.
constexpr int IDC_INFO_SUBJECT = 1001;
constexpr int IDC_INFO_CREATED = 1002;
constexpr int IDC_INFO_MODIFIED = 1003;
constexpr int IDC_INFO_COLOR = 1004;
constexpr int IDC_INFO_CATEGORIES = 1005;

// The program's own commands.
constexpr UINT ID_NOTE_NEW = 32771;
constexpr UINT ID_NOTE_DELETE = 32772;
constexpr UINT ID_NOTE_SAVE = 32773;
constexpr UINT ID_EXTRAS_IMPORT = 32774;
constexpr UINT ID_EXTRAS_EXPORT = 32775;
constexpr UINT ID_EXTRAS_FIND = 32776;
constexpr UINT ID_EXTRAS_FINDNEXT = 32777;
constexpr UINT ID_COLOR_BLUE = 32780;
constexpr UINT ID_COLOR_YELLOW = 32781;
constexpr UINT ID_COLOR_GREEN = 32782;
constexpr UINT ID_COLOR_RED = 32783;
constexpr UINT ID_COLOR_WHITE = 32784;
constexpr UINT ID_SORT_SUBJECT = 32786;
constexpr UINT ID_SORT_MODIFIED = 32787;
constexpr UINT ID_SORT_CREATED = 32788;
constexpr UINT ID_NOTE_INFO = 32789;
constexpr UINT ID_EDIT_WRAPLINES = 32790;
constexpr UINT ID_EDIT_CATEGORIES = 32791;
constexpr UINT ID_EXTRAS_SYNCFILTER = 32792;
constexpr UINT ID_NOTE_PRINT = 32793;
constexpr UINT ID_VIEW_ALLNOTES = 32794;
constexpr UINT ID_VIEW_FILTERNOTES = 32795;
constexpr UINT ID_EXTRAS_DELETEDB = 32796;
constexpr UINT ID_HELP_SPONSORS = 32797;

// Strings.
constexpr UINT IDS_NEW_NOTE = 61204;
constexpr UINT IDS_SURE_TO_DELETE = 61205;
constexpr UINT IDS_NOT_FOUND = 61206;
constexpr UINT IDS_DELETE_DATABASE = 61207;
constexpr UINT IDS_SAVE_CHANGES = 61208;
constexpr UINT IDS_COLOR_BLUE = 61209;
constexpr UINT IDS_COLOR_GREEN = 61210;
constexpr UINT IDS_COLOR_RED = 61211;
constexpr UINT IDS_COLOR_WHITE = 61212;
constexpr UINT IDS_COLOR_YELLOW = 61213;
constexpr UINT IDS_COLOR_UNKNOWN = 61214;
constexpr UINT IDS_TEXT_FILTER = 61215;
constexpr UINT IDS_TEXT_EXTENSION = 61216;
constexpr UINT IDS_PRINT_COLOR = 61218;
constexpr UINT IDS_PRINT_TITLE = 61219;
constexpr UINT IDS_PRINT_CREATED = 61220;
constexpr UINT IDS_PRINT_MODIFIED = 61221;
constexpr UINT IDS_PRINT_CATEGORIES = 61222;
constexpr UINT IDS_KEPT_BESIDE = 61223;
constexpr UINT IDS_KEPT_DELETED = 61224;
constexpr UINT IDS_SAVE_FAILED = 61225;
constexpr UINT IDS_RESCUE_FAILED = 61226;
constexpr UINT IDS_REASON_FULL = 61227;
constexpr UINT IDS_REASON_DENIED = 61228;
constexpr UINT IDS_REASON_OTHER = 61229;
constexpr UINT IDS_REASON_WRITE = 61230;
constexpr UINT IDS_EXPORT_FAILED = 61231;
constexpr UINT IDS_IMPORT_FAILED = 61232;
constexpr UINT IDS_PRINT_FAILED = 61233;
constexpr UINT IDS_PRINT_REASON_FULL = 61234;
constexpr UINT IDS_PRINT_REASON_DENIED = 61235;
constexpr UINT IDS_PRINT_REASON_OTHER = 61236;
constexpr UINT IDS_NO_NOTES = 61237;
constexpr UINT IDS_EXPORT_REPLACED = 61238;

// The framework's commands (ID_FILE_NEW, ID_EDIT_COPY, ID_EDIT_CUT,
// ID_EDIT_PASTE, ID_EDIT_UNDO, ID_APP_ABOUT, ID_APP_EXIT and ID_HELP, the
// "Help Topics" item) are platform/mfc/win_app.h's.
