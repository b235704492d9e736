// CJottaApp: the notes program's application object. It keeps the program
// to one running instance per handheld (named mutex "Jotterwick"), reads the
// settings at start and writes them back at exit, shows the sponsors banner
// on the first and then every fifth start, and creates the single-document
// template (CJottaDoc, CMainFrame, CJottaView). User-interface thread only.
#pragma once

#include "device/app/note_cursors.h"
#include "platform/mfc/win_app.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The registry section of the program's settings (under the application's key).
inline constexpr char16_t kSettingsSection[] = u"Common";

class CJottaApp : public CWinApp {
public:
    CJottaApp();
    ~CJottaApp() override;

    // Start-up; FALSE ends the program (a second instance, or no window).
    BOOL InitInstance() override;
    // Writes the settings back (only when this instance read them) and
    // gives up the single-instance mutex.
    int ExitInstance() override;

    // The settings of section "Common", read once, written once.
    void LoadSettings();
    void SaveSettings();

    // The sponsors dialog for the banner's time, blocking this thread.
    void ShowSponsorBanner();
    void OnAppAbout();

    // How the banner waits while it is shown: by default 7000 milliseconds
    // without handling input. Tests put a function here that looks at the
    // banner and returns at once; null restores the real wait.
    static void SetBannerWait(std::function<void()> wait);

    // Settings (registry values of section "Common").
    int m_bDebug = 0;                            // "Debug", read only
    std::vector<std::u16string> m_arrFilterCats; // "FilterCat", TAB-separated
    int m_nDefaultColor = NoteYellow;            // "DefaultColor"
    std::u16string m_strLastFind;                // "LastFind"
    NoteSortOrder m_nSort = kSortBySubject;      // "Sort"
    int m_bWrapLines = 1;                        // "WrapLines"

    HANDLE m_hMutex = nullptr; // the single-instance mutex
    // Set on a second start: the process id of the instance already running
    // on the handheld (0 when its window is not up yet). The program then
    // ends with status 1.
    std::optional<DWORD> m_runningInstance;

protected:
    DECLARE_MESSAGE_MAP()

private:
    void ApplyBannerRule();

    bool m_bSettingsLoaded = false;
};

// The running application object.
CJottaApp& JottaApp();
