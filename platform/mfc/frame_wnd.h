// CFrameWnd: the main window of a document: its command bar (menu and tool
// buttons), accelerators, client area with the views, and the command route:
// active view (then its document), the frame itself, then the application.
#pragma once

#include "platform/mfc/command_bar.h"
#include "platform/mfc/wnd.h"

class CView;
class CDocument;

// The first pane's identifier: a frame's only view, or its splitter.
constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    // Creates the frame with menu, accelerators and title from resource
    // nIDResource; the views come from pContext in OnCreateClient.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPED | WS_VISIBLE,
                           CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
    // Makes the client area: by default one view of the context's class.
    virtual BOOL OnCreateClient(LPCREATESTRUCTW lpcs, CCreateContext* pContext);
    // A view of the context's view class as child nID of pParent; null on failure.
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);

    CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
    virtual CDocument* GetActiveDocument();
    // The first view found under the frame (its first pane), for a frame
    // that has no active view yet.
    CView* FindFirstView() const;
    CCeCommandBar& GetCommandBar() { return m_wndCommandBar; }

    // Runs every update handler for the menu items and tool buttons.
    void OnUpdateCmdUI();

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    int OnCreate(LPCREATESTRUCTW lpCreateStruct) override;
    // Closing asks the document (CanCloseFrame); the main frame closes its
    // document and, with its window gone, ends the program.
    void OnClose() override;
    void OnSize(UINT nType, int cx, int cy) override;
    void OnInitMenuPopup(HMENU hPopupMenu, UINT nIndex, BOOL bSysMenu) override;
    // Help goes to the application's help file.
    BOOL OnHelpInfo(HELPINFO* pHelpInfo) override;
    void PostNcDestroy() override;

    UINT m_nIDHelp = 0;
    HACCEL m_hAccelTable = nullptr;

protected:
    void UpdateMenu(HMENU menu);

    CCeCommandBar m_wndCommandBar;
    CView* m_pViewActive = nullptr;
    CCreateContext* m_pCreateContext = nullptr; // during LoadFrame only
};
