// The installer's dialogs and string table.
#include "desktop/setup/resource.h"

#include "platform/ui/resources.h"

namespace {

constexpr DWORD SS_NOPREFIX = 0x0080;

DialogTemplate SetupDialog() {
    DialogTemplate dialog;
    dialog.caption = u"Jotterwick V1.02 Setup";
    dialog.style = 0x90C800C0;   // popup, visible, caption, system menu, modal frame, font
    dialog.exStyle = 0x00040000; // WS_EX_APPWINDOW
    dialog.cx = 203;
    dialog.cy = 122;
    dialog.fontName = u"MS Sans Serif";
    dialog.pointSize = 8;
    const DWORD tab = WS_VISIBLE | WS_TABSTOP;
    dialog.items = {
        {u"button", u"Install", IDOK, tab | BS_DEFPUSHBUTTON, 0, 138, 7, 58, 14},
        {u"button", u"Cancel", IDCANCEL, tab | BS_PUSHBUTTON, 0, 138, 23, 58, 14},
        {u"static", u"", IDC_STATIC, WS_VISIBLE | SS_ICON, 0, 7, 7, 20, 20},
        {u"static", u"", IDC_STATIC, WS_VISIBLE | SS_ICON, 0, 43, 14, 20, 20},
        {u"static", u"", IDC_STATIC, WS_VISIBLE | SS_ICON, 0, 19, 34, 20, 20},
        {u"static", u"", IDC_STATIC, WS_VISIBLE | SS_ICON, 0, 77, 25, 20, 20},
        {u"button", u"View Readme", IDC_VIEW_README, tab | BS_PUSHBUTTON, 0, 138, 101, 58, 14},
        {u"static", u"Jotterwick: your handheld's notes\nin step with Outlook.", IDC_STATIC,
         WS_VISIBLE, 0, 7, 59, 87, 23},
        {u"static",
         u"If you are interested in becoming a sponsor visit "
         u"jotterwick.example.org",
         IDC_STATIC, WS_VISIBLE | SS_CENTER, 0, 7, 88, 122, 27},
    };
    return dialog;
}

DialogTemplate AboutDialog() {
    DialogTemplate dialog;
    dialog.caption = u"Info über setup";
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    dialog.cx = 217;
    dialog.cy = 55;
    dialog.fontName = u"MS Sans Serif";
    dialog.pointSize = 8;
    dialog.items = {
        {u"static", u"", IDC_STATIC, WS_VISIBLE | SS_ICON, 0, 11, 17, 20, 20},
        {u"static", u"setup, Version 1.0", IDC_STATIC, WS_VISIBLE | SS_NOPREFIX, 0, 40, 10, 119, 8},
        {u"static", u"Made by the Jotterwick developers", IDC_STATIC, WS_VISIBLE, 0, 40, 25, 119,
         8},
        {u"button", u"OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 178, 7, 32, 14},
    };
    return dialog;
}

} // namespace

void AddSetupResources() {
    ui::AddDialogResource(IDD_SETUP_DIALOG, SetupDialog());
    ui::AddDialogResource(IDD_ABOUTBOX, AboutDialog());
    ui::AddStringResource(IDS_ABOUTBOX, u"Inf&o über setup...");
    ui::AddStringResource(IDS_ERROR_OPEN_INF, u"Error opening INF file!");
    ui::AddStringResource(IDS_ERROR_OPEN_QUEUE, u"Error opening file queue!");
    ui::AddStringResource(IDS_ERROR_PREPARE_COPY, u"Error preparing copy!");
    ui::AddStringResource(IDS_ERROR_CALLBACK, u"Error initilizing the default callback routine!");
    ui::AddStringResource(IDS_ERROR_REGISTRY, u"Error updating the registry!");
    ui::AddStringResource(IDS_ERROR_COMMIT, u"Error while queue commit!");
    ui::AddStringResource(
        IDS_INSTALL_DEVICE,
        u"Jotterwick will now be installed on your CE device.\nAfter this step you must "
        u"disconnect your device and close all ActiveSync desktop windows!\nOn your next "
        u"reconnect you can synchronize your Outlook notes with Jotterwick.");
    ui::AddStringResource(IDS_ERROR_SPAWN_APPMGR, u"Error spanwning CEAppMgr!");
    ui::AddStringResource(IDS_ERROR_SPAWN_NOTEPAD, u"Error spanwning Notepad!");
    ui::AddStringResource(IDS_DESKTOP_INCOMPLETE,
                          u"The desktop part of Jotterwick was not installed completely: "
                          u"synchronization will not work. Run setup again once the errors "
                          u"above are mended.");
}
