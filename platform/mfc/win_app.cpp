#include "platform/mfc/win_app.h"

#include "platform/base/unicode.h"
#include "platform/ce/registry.h"
#include "platform/mfc/doc_template.h"
#include "platform/mfc/document.h"
#include "platform/mfc/frame_wnd.h"
#include "platform/ui/message_box.h"
#include "platform/ui/resources.h"

#include <cstring>

namespace {
CWinApp* g_app = nullptr;
} // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_FILE_NEW, OnFileNew)
ON_COMMAND(ID_APP_EXIT, OnAppExit)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCWSTR lpszAppName) {
    if (lpszAppName)
        m_strAppName = lpszAppName;
    g_app = this;
}

CWinApp::~CWinApp() {
    for (CDocTemplate* t : m_templates)
        delete t;
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* AfxGetApp() {
    return g_app;
}

CWnd* AfxGetMainWnd() {
    return g_app ? g_app->m_pMainWnd : nullptr;
}

int AfxMessageBox(LPCWSTR lpszText, UINT nType, UINT) {
    CWnd* main = AfxGetMainWnd();
    const std::u16string caption = g_app ? g_app->m_strAppName : std::u16string();
    return ::MessageBoxW(main && ::IsWindowEnabled(main->m_hWnd) ? main->m_hWnd : nullptr, lpszText,
                         caption.c_str(), nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    const std::u16string text = ui::FindStringResource(nIDPrompt).value_or(u"");
    return AfxMessageBox(text.c_str(), nType, nIDHelp);
}

int AfxWinMain(int argc, char** argv) {
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_argc = argc;
    app->m_argv = argv;
    if (app->m_strAppName.empty() && argc > 0) {
        std::string name = argv[0];
        name = name.substr(name.find_last_of('/') + 1);
        app->m_strAppName = unicode::ToUtf16(name);
    }
    if (!app->InitInstance()) {
        if (app->m_pMainWnd && ::IsWindow(app->m_pMainWnd->m_hWnd))
            app->m_pMainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}

int CWinApp::Run() {
    LONG idleCount = 0;
    for (;;) {
        MSG msg;
        // Idle work while nothing waits, then wait for the next message.
        while (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && OnIdle(idleCount++)) {
        }
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            m_nExitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        idleCount = 0;
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() {
    return m_nExitCode;
}

BOOL CWinApp::OnIdle(LONG lCount) {
    if (lCount == 0) {
        if (auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd); frame && frame->m_hWnd)
            frame->OnUpdateCmdUI();
        return TRUE;
    }
    CWnd::DeleteTempMap();
    return FALSE;
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg) {
    // The window's own frames first: modeless dialogs, then the frame's accelerators.
    for (HWND h = pMsg->hwnd; h; h = ::GetParent(h)) {
        CWnd* wnd = CWnd::FromHandlePermanent(h);
        if (wnd && wnd->PreTranslateMessage(pMsg))
            return TRUE;
    }
    return m_pMainWnd && m_pMainWnd->m_hWnd && pMsg->hwnd != m_pMainWnd->m_hWnd &&
           !::IsChild(m_pMainWnd->m_hWnd, pMsg->hwnd) && m_pMainWnd->PreTranslateMessage(pMsg);
}

BOOL CWinApp::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    return CCmdTarget::OnCmdMsg(nID, nCode, pExtra);
}

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey) {
    m_strRegistryKey = lpszRegistryKey ? lpszRegistryKey : u"";
    m_strProfileName = m_strAppName;
}

HKEY CWinApp::OpenSection(LPCWSTR lpszSection, bool create) {
    if (m_strRegistryKey.empty() || !lpszSection)
        return nullptr;
    const std::u16string path =
        u"Software\\" + m_strRegistryKey + u"\\" + m_strProfileName + u"\\" + lpszSection;
    HKEY key = nullptr;
    const LONG status = create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr,
                                                 REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ,
                                                 nullptr, &key, nullptr)
                               : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
    return status == ERROR_SUCCESS ? key : nullptr;
}

UINT CWinApp::GetProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault) {
    HKEY key = OpenSection(lpszSection, false);
    if (!key)
        return static_cast<UINT>(nDefault);
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG status =
        RegQueryValueExW(key, lpszEntry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    // Anything but a number of four bytes is no setting: the default.
    return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value
               ? value
               : static_cast<UINT>(nDefault);
}

std::u16string CWinApp::GetProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry,
                                         LPCWSTR lpszDefault) {
    const std::u16string fallback = lpszDefault ? lpszDefault : u"";
    HKEY key = OpenSection(lpszSection, false);
    if (!key)
        return fallback;
    DWORD type = 0, size = 0;
    std::u16string value;
    bool found =
        RegQueryValueExW(key, lpszEntry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_SZ;
    if (found) {
        value.resize(size / sizeof(WCHAR) + 1);
        DWORD bytes = static_cast<DWORD>(value.size() * sizeof(WCHAR));
        found = RegQueryValueExW(key, lpszEntry, nullptr, &type,
                                 reinterpret_cast<BYTE*>(value.data()), &bytes) == ERROR_SUCCESS &&
                type == REG_SZ;
        // The stored text ends at its first NUL, whatever its size says.
        value.resize(std::min<std::size_t>(bytes / sizeof(WCHAR), value.size()));
        value.resize(std::char_traits<char16_t>::length(value.c_str()));
    }
    RegCloseKey(key);
    return found ? value : fallback;
}

BOOL CWinApp::WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue) {
    HKEY key = OpenSection(lpszSection, true);
    if (!key)
        return FALSE;
    const DWORD value = static_cast<DWORD>(nValue);
    const LONG status = RegSetValueExW(key, lpszEntry, 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

BOOL CWinApp::WriteProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue) {
    if (!lpszEntry) {
        if (m_strRegistryKey.empty() || !lpszSection)
            return FALSE;
        HKEY profile = nullptr;
        const std::u16string path = u"Software\\" + m_strRegistryKey + u"\\" + m_strProfileName;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_WRITE, &profile) != ERROR_SUCCESS)
            return FALSE;
        const LONG status = RegDeleteKeyW(profile, lpszSection);
        RegCloseKey(profile);
        return status == ERROR_SUCCESS;
    }
    HKEY key = OpenSection(lpszSection, true);
    if (!key)
        return FALSE;
    LONG status;
    if (!lpszValue) {
        status = RegDeleteValueW(key, lpszEntry);
    } else {
        const std::size_t bytes =
            (std::char_traits<char16_t>::length(lpszValue) + 1) * sizeof(WCHAR);
        status = RegSetValueExW(key, lpszEntry, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpszValue),
                                static_cast<DWORD>(bytes));
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
    if (pTemplate)
        m_templates.push_back(pTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
    for (int i = 1; i < m_argc; ++i)
        rCmdInfo.m_arguments.emplace_back(m_argv[i]);
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo) {
    if (rCmdInfo.m_nShellCommand == CCommandLineInfo::FileNothing)
        return TRUE;
    if (m_templates.empty())
        return FALSE;
    return m_templates.front()->OpenDocumentFile(nullptr) != nullptr;
}

BOOL CWinApp::SaveAllModified() {
    for (CDocTemplate* t : m_templates)
        if (!t->SaveAllModified())
            return FALSE;
    return TRUE;
}

void CWinApp::WinHelp(DWORD_PTR, UINT) {
    if (!m_strHelpFilePath.empty())
        ui::OpenHelpFile(m_strHelpFilePath);
}

void CWinApp::OnFileNew() {
    if (!m_templates.empty())
        m_templates.front()->OpenDocumentFile(nullptr);
}

void CWinApp::OnAppExit() {
    // As closing the main window: its frame asks the documents first.
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        m_pMainWnd->SendMessage(WM_CLOSE);
}

void CWinApp::OnHelp() {
    WinHelp();
}
