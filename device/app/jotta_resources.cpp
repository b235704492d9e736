#include "device/app/jotta_resources.h"

#include "device/app/resource.h"

namespace {

using ui::MenuItemTemplate;

MenuItemTemplate Item(const char16_t* text, UINT id) {
    return MenuItemTemplate(text, static_cast<WORD>(id));
}
MenuItemTemplate Separator() {
    return MenuItemTemplate{};
}
MenuItemTemplate Popup(const char16_t* text, std::vector<MenuItemTemplate> items) {
    return MenuItemTemplate(text, std::move(items));
}

void AddStrings() {
    const std::pair<UINT, const char16_t*> strings[] = {
        {IDR_MAINFRAME, u"jotta\n\nJotta\n\n\nJotta.Document\nJotta Document"},
        {IDS_NEW_NOTE, u"<New Note>"},
        {IDS_SURE_TO_DELETE, u"Sure to delete?"},
        {IDS_NOT_FOUND, u"Not Found"},
        {IDS_DELETE_DATABASE, u"Do you want to delete the Jotterwick database?"},
        {IDS_SAVE_CHANGES, u"Save changes?"},
        {IDS_COLOR_BLUE, u"blue"},
        {IDS_COLOR_GREEN, u"green"},
        {IDS_COLOR_RED, u"red"},
        {IDS_COLOR_WHITE, u"white"},
        {IDS_COLOR_YELLOW, u"yellow"},
        {IDS_COLOR_UNKNOWN, u"unknown"},
        {IDS_TEXT_FILTER, u"Text Files (*.txt)|*.txt|All Files (*.*)|*.*||"},
        {IDS_TEXT_EXTENSION, u"txt"},
        {IDS_PRINT_COLOR, u"Color: "},
        {IDS_PRINT_TITLE, u"Title: "},
        {IDS_PRINT_CREATED, u"Created: "},
        {IDS_PRINT_MODIFIED, u"Last Modified: "},
        {IDS_PRINT_CATEGORIES, u"Categories: "},
        // Saving after a synchronization changed the note, and a save that failed;
        // %1 and %2 are filled in.
        {IDS_KEPT_BESIDE, u"A synchronization changed this note while you edited it. Your text "
                          u"was saved as a new note beside the changed one."},
        {IDS_KEPT_DELETED, u"A synchronization deleted this note while you edited it. Your "
                           u"text was saved as a new note."},
        {IDS_SAVE_FAILED, u"The note could not be saved: %1.\n\nWrite its text to the file "
                          u"%2 instead? No keeps the text in the editor."},
        {IDS_RESCUE_FAILED, u"The text could not be written to %1 either. It stays in the "
                            u"editor; make room on the handheld and save again."},
        {IDS_EXPORT_FAILED, u"The note could not be written to %1: %2."},
        {IDS_IMPORT_FAILED, u"%1 could not be imported: %2."},
        {IDS_EXPORT_REPLACED, u"%1 is written, but %2 characters of the note have no form in the "
                              u"handheld's code page: each was written as \"?\"."},
        {IDS_PRINT_FAILED, u"The note could not be printed: %1. Nothing was printed."},
        {IDS_PRINT_REASON_FULL, u"the disk is full"},
        {IDS_PRINT_REASON_DENIED, u"the file cannot be written in that folder"},
        {IDS_PRINT_REASON_OTHER, u"the printer reported error %1"},
        {IDS_NO_NOTES, u"No notes yet: Ctrl+N (Note > New) makes one."},
        {IDS_REASON_FULL, u"the handheld's storage is full"},
        {IDS_REASON_DENIED, u"the note database is read-only or in use by another program"},
        {IDS_REASON_WRITE, u"the handheld's storage refused the write"},
        {IDS_REASON_OTHER, u"the note database reported error %1"},
        // Command prompts: the status text, then the short name after a line feed.
        {ID_NOTE_NEW, u"Create a new note."},
        {ID_NOTE_SAVE, u"Save the current note."},
        {ID_NOTE_DELETE, u"Delete the current note."},
        {ID_APP_EXIT, u"Quit the application; prompts to save documents\nExit"},
        {ID_EDIT_UNDO, u"Undo the last action\nUndo"},
        {ID_EDIT_CUT, u"Cut the selection and put it on the Clipboard\nCut"},
        {ID_EDIT_COPY, u"Copy the selection and put it on the Clipboard\nCopy"},
        {ID_EDIT_PASTE, u"Insert Clipboard contents\nPaste"},
        {ID_EDIT_CATEGORIES, u"Select the categories for the current note."},
        {ID_EXTRAS_FIND, u"Look for next note containing the search string."},
        {ID_EXTRAS_FINDNEXT, u"Repeat the last find operation."},
        {ID_EXTRAS_IMPORT, u"Import text file as current note."},
        {ID_EXTRAS_EXPORT, u"Export current note to text file."},
        {ID_EXTRAS_DELETEDB, u"CAUTION: Deletes the entire Jotterwick database."},
        {ID_HELP, u"Display help for current task or command\nHelp"},
        {ID_APP_ABOUT, u"Display program information, version number and copyright\nAbout"},
    };
    for (const auto& [id, text] : strings)
        ui::AddStringResource(id, text);
}

void AddMenu() {
    ui::AddMenuResource(
        IDR_MAINFRAME,
        {
            Popup(u"&Note",
                  {Item(u"&New\tCtrl+N", ID_NOTE_NEW), Item(u"&Save\tCtrl+S", ID_NOTE_SAVE),
                   Item(u"&Delete\tCtrl+D", ID_NOTE_DELETE), Separator(),
                   Item(u"&Info...", ID_NOTE_INFO), Item(u"&Print...", ID_NOTE_PRINT), Separator(),
                   Item(u"E&xit", ID_APP_EXIT)}),
            Popup(u"&Edit",
                  {Item(u"&Undo\tCtrl+Z", ID_EDIT_UNDO), Separator(),
                   Item(u"Cu&t\tCtrl+X", ID_EDIT_CUT), Item(u"&Copy\tCtrl+C", ID_EDIT_COPY),
                   Item(u"&Paste\tCtrl+V", ID_EDIT_PASTE), Separator(),
                   Popup(u"C&olor", {Item(u"&Blue", ID_COLOR_BLUE), Item(u"&Green", ID_COLOR_GREEN),
                                     Item(u"&Red", ID_COLOR_RED), Item(u"&Yellow", ID_COLOR_YELLOW),
                                     Item(u"&White", ID_COLOR_WHITE)}),
                   Item(u"Categories...", ID_EDIT_CATEGORIES), Separator(),
                   Item(u"&Wrap Lines", ID_EDIT_WRAPLINES)}),
            Popup(u"&View", {Item(u"&All Notes", ID_VIEW_ALLNOTES),
                             Item(u"&Filter Notes...", ID_VIEW_FILTERNOTES), Separator(),
                             Popup(u"&Sort", {Item(u"&Subject", ID_SORT_SUBJECT),
                                              Item(u"&Modification Date", ID_SORT_MODIFIED),
                                              Item(u"&Creation Date", ID_SORT_CREATED)})}),
            Popup(u"E&xtras",
                  {Item(u"&Find...\tCtrl+F", ID_EXTRAS_FIND),
                   Item(u"Find &Next\tCtrl+G", ID_EXTRAS_FINDNEXT), Separator(),
                   Item(u"&Import...", ID_EXTRAS_IMPORT), Item(u"&Export...", ID_EXTRAS_EXPORT),
                   Separator(), Item(u"Synchronization Filter...", ID_EXTRAS_SYNCFILTER),
                   Item(u"&Delete Database", ID_EXTRAS_DELETEDB)}),
            Popup(u"&Help", {Item(u"&Help Topics\tF1", ID_HELP), Separator(),
                             Item(u"Sponsors...", ID_HELP_SPONSORS),
                             Item(u"&About Jotterwick...", ID_APP_ABOUT)}),
        });
}

void AddAccelerators() {
    auto key = [](BYTE modifiers, WORD vk, UINT cmd) {
        return ACCEL{static_cast<BYTE>(FVIRTKEY | modifiers), vk, static_cast<WORD>(cmd)};
    };
    ui::AddAcceleratorResource(IDR_MAINFRAME, {
                                                  key(FCONTROL, 'N', ID_NOTE_NEW),
                                                  key(FCONTROL, 'S', ID_NOTE_SAVE),
                                                  key(FCONTROL, 'D', ID_NOTE_DELETE),
                                                  key(FCONTROL, 'Z', ID_EDIT_UNDO),
                                                  key(FALT, VK_BACK, ID_EDIT_UNDO),
                                                  key(FCONTROL, 'X', ID_EDIT_CUT),
                                                  key(FSHIFT, VK_DELETE, ID_EDIT_CUT),
                                                  key(FCONTROL, 'C', ID_EDIT_COPY),
                                                  key(FCONTROL, VK_INSERT, ID_EDIT_COPY),
                                                  key(FCONTROL, 'V', ID_EDIT_PASTE),
                                                  key(FSHIFT, VK_INSERT, ID_EDIT_PASTE),
                                                  key(FCONTROL, 'F', ID_EXTRAS_FIND),
                                                  key(FCONTROL, 'G', ID_EXTRAS_FINDNEXT),
                                                  key(0, VK_F1, ID_HELP),
                                              });
}

void AddDialogs() {
    DialogTemplate about;
    about.caption = u"About Jotterwick";
    about.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT;
    about.exStyle = WS_EX_CAPTIONOKBTN; // closed only by the caption's OK button
    about.cx = 135;
    about.cy = 87;
    about.fontName = u"Tahoma";
    about.pointSize = 8;
    about.items = {
        ui::DialogControl(u"static", u"#128", IDC_STATIC, SS_ICON, 7, 7, 20, 20),
        ui::DialogControl(u"static", u"Jotterwick V1.02", IDC_STATIC, SS_NOPREFIX, 34, 7, 94, 8),
        ui::DialogControl(u"static", u"Notes for the handheld,", IDC_STATIC, SS_NOPREFIX, 34, 25,
                          94, 8),
        ui::DialogControl(u"static", u"kept in step with Outlook.", IDC_STATIC, SS_NOPREFIX, 34, 35,
                          94, 8),
    };
    ui::AddDialogResource(IDD_ABOUTBOX, std::move(about));

    DialogTemplate sponsors;
    sponsors.caption = u"Jotterwick Sponsors";
    sponsors.style = 0x90C008C0; // popup, visible, caption, modal frame, centred, font
    sponsors.cx = 155;
    sponsors.cy = 114;
    sponsors.fontName = u"MS Sans Serif";
    sponsors.pointSize = 8;
    sponsors.items = {
        ui::DialogControl(
            u"static",
            u"Please remember:\nThe more feedback information you\u00B4ll give me, the better "
            u"the product will be!",
            IDC_STATIC, SS_LEFT, 7, 7, 141, 38),
        ui::DialogControl(
            u"static",
            (std::u16string(u"Your company logo could be here!\nIf you are interested in "
                            u"becoming a sponsor visit ") +
             kSponsorAddress)
                .c_str(),
            IDC_STATIC, SS_CENTER, 7, 78, 141, 29),
    };
    ui::AddDialogResource(IDD_SPONSORS, std::move(sponsors));

    DialogTemplate search;
    search.caption = u"Search for Notes";
    search.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT;
    search.cx = 140;
    search.cy = 46;
    search.fontName = u"MS Sans Serif";
    search.pointSize = 8;
    search.items = {
        ui::DialogControl(u"edit", u"", IDC_SEARCH_TEXT, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 7,
                          7, 126, 12),
        ui::DialogControl(u"button", u"Search", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 7, 25, 50, 14),
        ui::DialogControl(u"button", u"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 83, 25, 50,
                          14),
    };
    ui::AddDialogResource(IDD_SEARCH, std::move(search));

    DialogTemplate categories;
    categories.caption = u"Categories";
    categories.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT;
    categories.cx = 120;
    categories.cy = 110;
    categories.fontName = u"MS Sans Serif";
    categories.pointSize = 8;
    categories.items = {
        ui::DialogControl(u"listbox", u"", IDC_CATEGORY_LIST,
                          LBS_SORT | LBS_MULTIPLESEL | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT |
                              WS_VSCROLL | WS_BORDER | WS_TABSTOP,
                          7, 7, 106, 76),
        ui::DialogControl(u"button", u"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 7, 89, 50, 14),
        ui::DialogControl(u"button", u"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 63, 89, 50,
                          14),
    };
    ui::AddDialogResource(IDD_CATEGORIES, std::move(categories));

    DialogTemplate info;
    info.caption = u"Note Infos";
    info.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT;
    info.cx = 146;
    info.cy = 103;
    info.fontName = u"MS Sans Serif";
    info.pointSize = 8;
    const DWORD field = ES_READONLY | WS_BORDER | ES_AUTOHSCROLL;
    info.items = {
        ui::DialogControl(u"button", u"&Close", IDCANCEL, BS_DEFPUSHBUTTON | WS_TABSTOP, 7, 82, 38,
                          14),
        ui::DialogControl(u"static", u"Subject", IDC_STATIC, SS_LEFT, 7, 7, 42, 11),
        ui::DialogControl(u"static", u"Created", IDC_STATIC, SS_LEFT, 7, 19, 42, 11),
        ui::DialogControl(u"static", u"Last modified", IDC_STATIC, SS_LEFT, 7, 31, 48, 11),
        ui::DialogControl(u"static", u"Color", IDC_STATIC, SS_LEFT, 7, 43, 42, 11),
        ui::DialogControl(u"static", u"Categories", IDC_STATIC, SS_LEFT, 7, 57, 42, 11),
        ui::DialogControl(u"edit", u"", IDC_INFO_SUBJECT, field, 55, 7, 83, 12),
        ui::DialogControl(u"edit", u"", IDC_INFO_CREATED, field, 55, 19, 83, 12),
        ui::DialogControl(u"edit", u"", IDC_INFO_MODIFIED, field, 55, 31, 83, 12),
        ui::DialogControl(u"edit", u"", IDC_INFO_COLOR, field, 55, 43, 83, 12),
        ui::DialogControl(u"edit", u"", IDC_INFO_CATEGORIES, field | ES_MULTILINE | WS_VSCROLL, 55,
                          56, 83, 40),
    };
    ui::AddDialogResource(IDD_NOTEINFO, std::move(info));
}

} // namespace

std::u16string ResourceMessage(UINT id, const std::u16string& first, const std::u16string& second) {
    std::u16string text = ui::FindStringResource(id).value_or(u"");
    for (const auto& [mark, value] : {std::pair{u"%1", &first}, std::pair{u"%2", &second}})
        if (const auto at = text.find(mark); at != std::u16string::npos)
            text.replace(at, 2, *value);
    return text;
}

void LoadJottaResources() {
    AddStrings();
    AddMenu();
    AddAccelerators();
    // Bitmap 128: nine 16x16 images, shown as labels; the ninth is not used.
    ui::AddToolBarResource(IDR_MAINFRAME, {u"New", u"Save", u"Delete", u"Cut", u"Copy", u"Paste",
                                           u"Find", u"Info", u"-"});
    AddDialogs();
}
