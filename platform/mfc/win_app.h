// CWinApp: the application object. One per program, constructed as a global;
// AfxWinMain runs InitInstance, the message loop (Run) and ExitInstance.
// Commands the application handles: new document (ID_FILE_NEW), exit
// (ID_APP_EXIT) and help (ID_HELP).
//
// Profile functions keep settings in the handheld registry under
// HKEY_CURRENT_USER "Software\<registry key>\<profile name>\<section>" once
// SetRegistryKey has named the key (the profile name is the application
// name); before that they read defaults and write nothing.
#pragma once

#include "platform/mfc/cmd_target.h"
#include "platform/mfc/wnd.h"
#include "platform/ui/message_box.h"

#include <string>
#include <vector>

class CDocTemplate;
class CDocument;

// Framework command identifiers.
constexpr UINT ID_FILE_NEW = 0xE100;
constexpr UINT ID_EDIT_COPY = 0xE122;
constexpr UINT ID_EDIT_CUT = 0xE123;
constexpr UINT ID_EDIT_PASTE = 0xE125;
constexpr UINT ID_EDIT_UNDO = 0xE12B;
constexpr UINT ID_APP_ABOUT = 0xE140;
constexpr UINT ID_APP_EXIT = 0xE141;
constexpr UINT ID_HELP = 0xE146;

// What the command line asks for: here only a new document.
class CCommandLineInfo {
public:
    enum { FileNew, FileNothing } m_nShellCommand = FileNew;
    std::vector<std::string> m_arguments;
};

class CWinApp : public CCmdTarget {
public:
    // lpszAppName null: the program's name from the command line.
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    // The message loop until WM_QUIT; returns ExitInstance's result.
    virtual int Run();
    // Returns the exit code (the WM_QUIT code).
    virtual int ExitInstance();
    // Idle time: updates the main frame's command states; TRUE for more idle work.
    virtual BOOL OnIdle(LONG lCount);
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra) override;

    void SetRegistryKey(LPCWSTR lpszRegistryKey);
    // The recently-used list has no menu here; its size is kept.
    void LoadStdProfileSettings(UINT nMaxMRU = 4) { m_nMaxMRU = nMaxMRU; }
    UINT GetProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault);
    std::u16string GetProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry,
                                    LPCWSTR lpszDefault = nullptr);
    BOOL WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue);
    // lpszValue null deletes the value; lpszEntry null the whole section.
    BOOL WriteProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue);

    void AddDocTemplate(CDocTemplate* pTemplate);
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    // FALSE when the document, frame or views cannot be created.
    BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);
    // Asks every document's SaveModified; FALSE when one says stop.
    BOOL SaveAllModified();
    // Opens the help file (m_strHelpFilePath) in the platform's viewer.
    virtual void WinHelp(DWORD_PTR dwData = 0, UINT nCmd = 0);

    void OnFileNew();
    void OnAppExit();
    void OnHelp();

    CWnd* m_pMainWnd = nullptr;
    std::u16string m_strAppName;
    std::u16string m_strRegistryKey;
    std::u16string m_strProfileName;
    std::u16string m_strHelpFilePath;
    UINT m_nMaxMRU = 0;
    int m_argc = 0;
    char** m_argv = nullptr;

protected:
    std::vector<CDocTemplate*> m_templates; // owned

    DECLARE_MESSAGE_MAP()

private:
    HKEY OpenSection(LPCWSTR lpszSection, bool create);
    int m_nExitCode = 0;
};

CWinApp* AfxGetApp();
// The application's main window (null before it exists).
CWnd* AfxGetMainWnd();
// A message box captioned with the application name, owned by the main window.
int AfxMessageBox(LPCWSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The same with the text of string resource nIDPrompt.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = 0);
// The program's main: InitInstance; when it succeeds Run, else ExitInstance.
int AfxWinMain(int argc, char** argv);
