#include "device/app/jotta_app.h"

#include "device/app/about_dlg.h"
#include "device/app/jotta_doc.h"
#include "device/app/jotta_resources.h"
#include "device/app/jotta_view.h"
#include "device/app/main_frm.h"
#include "device/app/resource.h"
#include "platform/ce/named_mutex.h"
#include "platform/mfc/dialog.h"
#include "platform/mfc/doc_template.h"

#include <chrono>
#include <thread>

namespace {

constexpr char16_t kMutexName[] = u"Jotterwick";
constexpr char16_t kFrameTitle[] = u"Jotterwick";
constexpr int kBannerMilliseconds = 7000;
constexpr int kBannerStarts = 5;

std::function<void()>& BannerWait() {
    static std::function<void()> wait;
    return wait;
}

} // namespace

BEGIN_MESSAGE_MAP(CJottaApp, CWinApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
ON_COMMAND(ID_HELP_SPONSORS, ShowSponsorBanner)
END_MESSAGE_MAP()

CJottaApp::CJottaApp() : CWinApp(u"Quillmarks") {}

CJottaApp::~CJottaApp() {
    if (m_hMutex)
        CloseHandle(m_hMutex);
}

CJottaApp& JottaApp() {
    return *static_cast<CJottaApp*>(AfxGetApp());
}

void CJottaApp::SetBannerWait(std::function<void()> wait) {
    BannerWait() = std::move(wait);
}

BOOL CJottaApp::InitInstance() {
    m_hMutex = CreateMutexW(nullptr, TRUE, kMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        DWORD process = 0;
        if (HWND running = FindWindowW(nullptr, kFrameTitle)) {
            GetWindowThreadProcessId(running, &process);
            SetForegroundWindow(running);
        }
        m_runningInstance = process;
        return FALSE;
    }
    LoadJottaResources();
    ui::JoinWindowStation();
    SetRegistryKey(u"Jotterwick");
    LoadStdProfileSettings(4);
    LoadSettings();
    m_strHelpFilePath = u"jotta.htc";
    ApplyBannerRule();

    AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CJottaDoc),
                                          RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CJottaView)));
    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    if (!ProcessShellCommand(cmdInfo))
        return FALSE;
    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    return TRUE;
}

int CJottaApp::ExitInstance() {
    // A second instance never read the settings and leaves them alone.
    if (m_bSettingsLoaded)
        SaveSettings();
    if (m_hMutex) {
        ReleaseMutex(m_hMutex);
        CloseHandle(m_hMutex);
        m_hMutex = nullptr;
    }
    const int status = CWinApp::ExitInstance();
    return m_runningInstance ? 1 : status;
}

void CJottaApp::LoadSettings() {
    m_bWrapLines = static_cast<int>(GetProfileInt(kSettingsSection, u"WrapLines", 1));
    const UINT sort = GetProfileInt(kSettingsSection, u"Sort", kSortBySubject);
    m_nSort = sort <= kSortByModified ? static_cast<NoteSortOrder>(sort) : kSortByCreated;
    m_nDefaultColor =
        static_cast<int>(GetProfileInt(kSettingsSection, u"DefaultColor", NoteYellow));
    m_bDebug = static_cast<int>(GetProfileInt(kSettingsSection, u"Debug", 0));
    m_strLastFind = GetProfileString(kSettingsSection, u"LastFind", u"");
    m_arrFilterCats = SplitCategories(GetProfileString(kSettingsSection, u"FilterCat", u""), u'\t');
    m_bSettingsLoaded = true;
}

void CJottaApp::SaveSettings() {
    const std::u16string filter = JoinCategories(m_arrFilterCats, u'\t');
    WriteProfileInt(kSettingsSection, u"Sort", m_nSort);
    WriteProfileInt(kSettingsSection, u"DefaultColor", m_nDefaultColor);
    WriteProfileInt(kSettingsSection, u"WrapLines", m_bWrapLines);
    WriteProfileString(kSettingsSection, u"LastFind", m_strLastFind.c_str());
    WriteProfileString(kSettingsSection, u"FilterCat", filter.c_str());
}

void CJottaApp::ApplyBannerRule() {
    int n = static_cast<int>(GetProfileInt(kSettingsSection, u"BannerCount", 1));
    if (n < 1 || n > kBannerStarts)
        n = 1;
    if (n == 1)
        ShowSponsorBanner();
    WriteProfileInt(kSettingsSection, u"BannerCount", n - 1 < 1 ? kBannerStarts : n - 1);
}

void CJottaApp::ShowSponsorBanner() {
    CDialog banner;
    if (!banner.Create(IDD_SPONSORS, nullptr))
        return;
    banner.ShowWindow(SW_SHOWNORMAL);
    if (BannerWait())
        BannerWait()();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(kBannerMilliseconds));
    banner.DestroyWindow();
}

void CJottaApp::OnAppAbout() {
    CAboutDlg about;
    about.DoModal();
}
