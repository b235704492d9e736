#include "platform/mfc/frame_wnd.h"

#include "platform/mfc/cmd_ui.h"
#include "platform/mfc/document.h"
#include "platform/mfc/splitter_wnd.h"
#include "platform/mfc/view.h"
#include "platform/mfc/win_app.h"
#include "platform/ui/menu.h"
#include "platform/ui/resources.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd,
                          CCreateContext* pContext) {
    m_nIDHelp = nIDResource;
    CWinApp* app = AfxGetApp();
    const std::u16string title = app ? app->m_strAppName : u"";
    if (HACCEL accel =
            ::LoadAcceleratorsW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(nIDResource))))
        m_hAccelTable = accel;
    return CreateEx(0, nullptr, title.c_str(), dwDefaultStyle & ~WS_CHILD, CW_USEDEFAULT, 0, 0, 0,
                    pParentWnd ? pParentWnd->m_hWnd : nullptr, nullptr, pContext);
}

int CFrameWnd::OnCreate(LPCREATESTRUCTW lpCreateStruct) {
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    // The command bar carries the frame's menu when there is one.
    if (!m_wndCommandBar.Create(this))
        return -1;
    if (ui::FindMenuResource(MAKEINTRESOURCEW(static_cast<WORD>(m_nIDHelp))) &&
        !m_wndCommandBar.InsertMenuBar(m_nIDHelp))
        return -1;
    if (!OnCreateClient(lpCreateStruct,
                        static_cast<CCreateContext*>(lpCreateStruct->lpCreateParams)))
        return -1;
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCTW, CCreateContext* pContext) {
    return !pContext || !pContext->m_pNewViewClass || CreateView(pContext) != nullptr;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
    if (!pContext || !pContext->m_pNewViewClass)
        return nullptr;
    auto* view = dynamic_cast<CWnd*>(pContext->m_pNewViewClass->CreateObject());
    if (!view)
        return nullptr;
    RECT client{};
    GetClientRect(&client);
    client.top = m_wndCommandBar.m_hWnd ? kCommandBarHeight : 0;
    if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, client, this, nID, pContext))
        return nullptr; // the view deleted itself when its window failed
    return view;
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL) {
    m_pViewActive = pViewNew;
}

CView* CFrameWnd::FindFirstView() const {
    CWnd* pane = CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST));
    if (auto* view = dynamic_cast<CView*>(pane))
        return view;
    if (auto* splitter = dynamic_cast<CSplitterWnd*>(pane))
        return dynamic_cast<CView*>(splitter->GetPane(0, 0));
    return nullptr;
}

CDocument* CFrameWnd::GetActiveDocument() {
    return m_pViewActive ? m_pViewActive->GetDocument() : nullptr;
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    if (m_pViewActive && m_pViewActive->OnCmdMsg(nID, nCode, pExtra))
        return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(nID, nCode, pExtra);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) {
    return m_hAccelTable && ::TranslateAcceleratorW(m_hWnd, m_hAccelTable, pMsg);
}

void CFrameWnd::OnClose() {
    CDocument* doc = GetActiveDocument();
    if (doc && !doc->CanCloseFrame(this))
        return; // the user chose to stay
    CWinApp* app = AfxGetApp();
    if (doc && app && app->m_pMainWnd == this) {
        doc->OnCloseDocument(); // destroys this frame too
        return;
    }
    DestroyWindow();
}

void CFrameWnd::OnSize(UINT, int cx, int cy) {
    // The command bar on top, the first pane below it.
    const int barHeight = m_wndCommandBar.m_hWnd ? kCommandBarHeight : 0;
    if (m_wndCommandBar.m_hWnd)
        ::MoveWindow(m_wndCommandBar.m_hWnd, 0, 0, cx, barHeight, TRUE);
    if (HWND pane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST))
        ::MoveWindow(pane, 0, barHeight, cx, cy > barHeight ? cy - barHeight : 0, TRUE);
}

void CFrameWnd::UpdateMenu(HMENU menu) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU popup = ::GetSubMenu(menu, i)) {
            UpdateMenu(popup);
            continue;
        }
        const UINT id = ::GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1))
            continue; // separators
        CCmdUI state;
        state.m_nID = id;
        state.m_nIndex = static_cast<UINT>(i);
        state.m_pMenu = menu;
        state.DoUpdate(this, TRUE);
    }
}

void CFrameWnd::OnInitMenuPopup(HMENU hPopupMenu, UINT, BOOL bSysMenu) {
    if (!bSysMenu && hPopupMenu)
        UpdateMenu(hPopupMenu);
}

void CFrameWnd::OnUpdateCmdUI() {
    if (HMENU menu = m_wndCommandBar.GetMenu())
        UpdateMenu(menu);
    m_wndCommandBar.UpdateButtons(this);
}

BOOL CFrameWnd::OnHelpInfo(HELPINFO*) {
    if (CWinApp* app = AfxGetApp())
        app->WinHelp();
    return TRUE;
}

void CFrameWnd::PostNcDestroy() {
    if (m_hAccelTable)
        ::DestroyAcceleratorTable(m_hAccelTable);
    m_hAccelTable = nullptr;
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    delete this;
}
