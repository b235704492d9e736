// Resource identifiers of the installer.
#pragma once

constexpr int IDD_SETUP_DIALOG = 102;
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDR_MAINFRAME = 128; // the installer's icon
constexpr int IDC_VIEW_README = 1000;
constexpr unsigned IDM_ABOUTBOX = 0x0010;

constexpr unsigned IDS_ABOUTBOX = 101;
constexpr unsigned IDS_ERROR_OPEN_INF = 102;
constexpr unsigned IDS_ERROR_OPEN_QUEUE = 103;
constexpr unsigned IDS_ERROR_PREPARE_COPY = 104;
constexpr unsigned IDS_ERROR_CALLBACK = 105;
constexpr unsigned IDS_ERROR_REGISTRY = 106;
constexpr unsigned IDS_ERROR_COMMIT = 107;
constexpr unsigned IDS_INSTALL_DEVICE = 108;
constexpr unsigned IDS_ERROR_SPAWN_APPMGR = 109;
constexpr unsigned IDS_ERROR_SPAWN_NOTEPAD = 110;
constexpr unsigned IDS_DESKTOP_INCOMPLETE = 111;

// Fills the resource table with the installer's dialogs and strings.
void AddSetupResources();
