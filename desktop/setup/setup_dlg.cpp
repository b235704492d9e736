// The installer's dialog and its installation steps.
#include "desktop/setup/setup_dlg.h"

#include "desktop/setup/resource.h"
#include "platform/ui/dialog.h"
#include "platform/win32/message_box.h"
#include "platform/win32/processthreads.h"
#include "platform/win32/registry.h"
#include "platform/win32/setupapi.h"
#include "platform/win32/user_ansi.h"

#include <filesystem>

namespace {

constexpr char kAppName[] = "setup";
constexpr char kInfName[] = "\\Jottapc.inf";
constexpr char kInstallSection[] = "DesktopInstall";
constexpr char kAppMgrKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";

INT_PTR AboutProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hDlg, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// A zeroed start-up record with the size field the platform expects.
STARTUPINFOA StartupRecord() {
    STARTUPINFOA startup{};
    startup.cb = 68;
    return startup;
}

// Starts a program; with `wait`, it must also end with status 0.
bool Start(LPCSTR application, std::string commandLine, bool wait = false) {
    STARTUPINFOA startup = StartupRecord();
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(application, commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &process))
        return false;
    DWORD status = 0;
    if (wait && (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
                 !GetExitCodeProcess(process.hProcess, &status)))
        status = 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status == 0;
}

} // namespace

std::string InstallerFolder() {
    std::error_code error;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
    return self.substr(0, self.find_last_of("/\\"));
}

INT_PTR CSetupAboutDlg::DoModal(HWND owner) {
    return DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_ABOUTBOX), owner, AboutProc, 0);
}

INT_PTR CSetupDlg::DoModal() {
    return DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_SETUP_DIALOG), nullptr, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND CSetupDlg::Create() {
    return CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_SETUP_DIALOG), nullptr, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CSetupDlg::DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        auto* dialog = reinterpret_cast<CSetupDlg*>(lParam);
        dialog->m_hWnd = hDlg;
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<CSetupDlg*>(GetWindowLongPtrW(hDlg, DWLP_USER));
    if (!dialog)
        return FALSE;
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != IDM_ABOUTBOX)
            return FALSE;
        dialog->OnSysCommand(static_cast<UINT>(wParam), lParam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            dialog->OnInstall();
            return TRUE;
        case IDCANCEL:
            EndDialog(hDlg, IDCANCEL);
            return TRUE;
        case IDC_VIEW_README:
            dialog->OnViewReadme();
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        dialog->m_hWnd = nullptr;
        return FALSE;
    }
    return FALSE;
}

BOOL CSetupDlg::OnInitDialog() {
    if (HMENU menu = GetSystemMenu(m_hWnd, FALSE)) {
        char text[256];
        if (LoadStringA(nullptr, IDS_ABOUTBOX, text, sizeof text) > 0) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
        }
    }
    return TRUE;
}

void CSetupDlg::OnSysCommand(UINT nID, LPARAM) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
        CSetupAboutDlg().DoModal(m_hWnd);
}

void CSetupDlg::Message(UINT id, UINT icon) const {
    char text[1024];
    LoadStringA(nullptr, id, text, sizeof text);
    MessageBoxA(m_hWnd, text, kAppName, MB_OK | icon);
}

void CSetupDlg::OnInstall() {
    const std::string dir = InstallerFolder();
    bool desktopFailed = false;
    auto failed = [&](UINT id) {
        Message(id, MB_ICONEXCLAMATION);
        desktopFailed = true;
    };

    const std::string inf = dir + kInfName;
    HINF hInf = SetupOpenInfFileA(inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    if (hInf == INVALID_HANDLE_VALUE)
        failed(IDS_ERROR_OPEN_INF);
    HSPFILEQ hQueue = SetupOpenFileQueue();
    if (hQueue == INVALID_HANDLE_VALUE)
        failed(IDS_ERROR_OPEN_QUEUE);
    if (!SetupInstallFilesFromInfSectionA(hInf, nullptr, hQueue, kInstallSection, dir.c_str(),
                                          SP_COPY_SOURCEPATH_ABSOLUTE))
        failed(IDS_ERROR_PREPARE_COPY);
    void* context = SetupInitDefaultQueueCallback(m_hWnd);
    if (!context)
        failed(IDS_ERROR_CALLBACK);
    if (!SetupInstallFromInfSectionA(m_hWnd, hInf, kInstallSection,
                                     SPINST_INIFILES | SPINST_REGISTRY | SPINST_INI2REG |
                                         SPINST_LOGCONFIG,
                                     nullptr, dir.c_str(), 0, nullptr, nullptr, nullptr, nullptr))
        failed(IDS_ERROR_REGISTRY);
    // The default callback needs its context: without one nothing is committed.
    if (!context || !SetupCommitFileQueueA(m_hWnd, hQueue, SetupDefaultQueueCallbackA, context))
        failed(IDS_ERROR_COMMIT);
    if (context)
        SetupTermDefaultQueueCallback(context);
    if (hQueue != INVALID_HANDLE_VALUE)
        SetupCloseFileQueue(hQueue);
    if (hInf != INVALID_HANDLE_VALUE)
        SetupCloseInfFile(hInf);

    // The application manager's path; too long a value leaves it empty.
    char appMgr[260] = "";
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppMgrKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD type = 0, size = sizeof appMgr - 1;
        if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(appMgr),
                             &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            appMgr[0] = '\0';
        appMgr[std::min<DWORD>(size, sizeof appMgr - 1)] = '\0';
        RegCloseKey(key);
    }

    Message(IDS_INSTALL_DEVICE, MB_ICONINFORMATION);
    // The manager's own path is quoted too: it usually lies in a folder with
    // spaces, which would otherwise split it into arguments of its own.
    const std::string commandLine = "\"" + std::string(appMgr) + "\" \"" + dir + "\\jotta.ini\"";
    bool managerFailed = false;
    m_managerMissing = appMgr[0] == '\0';
    if (!Start(appMgr, commandLine, m_waitForManager)) {
        Message(IDS_ERROR_SPAWN_APPMGR, MB_ICONEXCLAMATION);
        managerFailed = true;
    }
    if (desktopFailed)
        Message(IDS_DESKTOP_INCOMPLETE, MB_ICONEXCLAMATION);
    m_failed = desktopFailed || managerFailed;
    EndDialog(m_hWnd, IDOK);
}

void CSetupDlg::OnViewReadme() {
    const std::string dir = InstallerFolder();
    if (!Start(nullptr, "notepad " + dir + "\\readme.txt"))
        Message(IDS_ERROR_SPAWN_NOTEPAD, MB_ICONEXCLAMATION);
}
