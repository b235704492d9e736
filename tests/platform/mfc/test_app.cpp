#include "test_app.h"

#include "platform/mfc/cmd_ui.h"
#include "platform/ui/resources.h"

namespace mfctest {

std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
}

IMPLEMENT_DYNCREATE(CTestDoc, CDocument)
BEGIN_MESSAGE_MAP(CTestDoc, CDocument)
ON_COMMAND(ID_DOC_CMD, OnDocCmd)
ON_UPDATE_COMMAND_UI(ID_DOC_CMD, OnUpdateDocCmd)
ON_COMMAND(ID_SHARED, OnShared)
ON_COMMAND_EX(ID_PASS_ON, OnPassOn)
ON_COMMAND_RANGE(ID_COLOR_FIRST, ID_COLOR_LAST, OnColor)
ON_UPDATE_COMMAND_UI_RANGE(ID_COLOR_FIRST, ID_COLOR_LAST, OnUpdateColor)
END_MESSAGE_MAP()

BOOL CTestDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument())
        return FALSE;
    ++m_newCount;
    return TRUE;
}

BOOL CTestDoc::SaveModified() {
    Log().push_back("save modified?");
    return IsModified() ? m_saveAnswer : TRUE;
}

void CTestDoc::OnUpdateColor(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(static_cast<int>(pCmdUI->m_nID - ID_COLOR_FIRST) == m_color);
}

BEGIN_MESSAGE_MAP(CTestListBox, CListBox)
ON_CONTROL_REFLECT(LBN_SELCHANGE, OnSelChange)
END_MESSAGE_MAP()

IMPLEMENT_DYNCREATE(CTestListView, CView)
BEGIN_MESSAGE_MAP(CTestListView, CView)
ON_COMMAND(ID_VIEW_CMD, OnViewCmd)
END_MESSAGE_MAP()

int CTestListView::OnCreate(LPCREATESTRUCTW lpCreateStruct) {
    if (CView::OnCreate(lpCreateStruct) == -1)
        return -1;
    const RECT rect{0, 0, lpCreateStruct->cx, lpCreateStruct->cy};
    return m_wndList.Create(WS_CHILD | WS_VSCROLL | LBS_NOTIFY, rect, this, 51) ? 0 : -1;
}

void CTestListView::OnSize(UINT nType, int cx, int cy) {
    CView::OnSize(nType, cx, cy);
    m_wndList.SetWindowPos(nullptr, 0, 0, cx, cy, SWP_SHOWWINDOW | SWP_FRAMECHANGED);
}

void CTestListView::OnUpdate(CView*, LPARAM, CObject*) {
    ++m_updates;
    m_wndList.ResetContent();
    for (const char16_t* line : {u"first", u"second", u"third"})
        m_wndList.AddString(line);
}

IMPLEMENT_DYNCREATE(CTestEditView, CEditView)

IMPLEMENT_DYNCREATE(CTestFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CTestFrame, CFrameWnd)
ON_COMMAND(ID_FRAME_CMD, OnFrameCmd)
ON_UPDATE_COMMAND_UI(ID_FRAME_CMD, OnUpdateFrameCmd)
ON_COMMAND(ID_SHARED, OnShared)
ON_COMMAND(ID_PASS_ON, OnPassOn)
ON_MESSAGE(WM_USER + 111, OnCustom)
END_MESSAGE_MAP()

int CTestFrame::OnCreate(LPCREATESTRUCTW lpCreateStruct) {
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    const TBBUTTON buttons[] = {
        {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, 0, 0},
        {0, static_cast<int>(ID_DOC_CMD), TBSTATE_ENABLED, TBSTYLE_BUTTON, 0, 0},
        {1, static_cast<int>(ID_FRAME_CMD), TBSTATE_ENABLED, TBSTYLE_BUTTON, 0, 0},
        {2, static_cast<int>(ID_NOBODY), TBSTATE_ENABLED, TBSTYLE_BUTTON, 0, 0}};
    if (!m_wndCommandBar.AddBitmap(IDR_TEST, 3) || !m_wndCommandBar.InsertButtons(4, buttons) ||
        !m_wndCommandBar.AddAdornments(CMDBAR_HELP | CMDBAR_OK))
        return -1;
    SetWindowText(u"Test Frame");
    return 0;
}

BOOL CTestFrame::OnCreateClient(LPCREATESTRUCTW, CCreateContext* pContext) {
    // Landscape: list left, editor right; otherwise list on top.
    const bool landscape = GetSystemMetrics(SM_CXSCREEN) > GetSystemMetrics(SM_CYSCREEN);
    if (!m_wndSplitter.CreateStatic(this, landscape ? 1 : 2, landscape ? 2 : 1,
                                    WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST))
        return FALSE;
    return m_wndSplitter.CreateView(0, 0, RUNTIME_CLASS(CTestListView),
                                    landscape ? SIZE{150, 200} : SIZE{300, 100}, pContext) &&
           m_wndSplitter.CreateView(landscape ? 0 : 1, landscape ? 1 : 0,
                                    RUNTIME_CLASS(CTestEditView), SIZE{300, 200}, pContext);
}

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
ON_COMMAND(ID_APP_CMD, OnAppCmd)
END_MESSAGE_MAP()

BOOL CTestApp::InitInstance() {
    SetRegistryKey(u"Jotterwick");
    AddDocTemplate(new CSingleDocTemplate(IDR_TEST, RUNTIME_CLASS(CTestDoc),
                                          RUNTIME_CLASS(CTestFrame), RUNTIME_CLASS(CTestEditView)));
    CCommandLineInfo info;
    ParseCommandLine(info);
    if (!ProcessShellCommand(info))
        return FALSE;
    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    return TRUE;
}

int CTestApp::ExitInstance() {
    ++m_exits;
    return CWinApp::ExitInstance();
}

void AddTestResources() {
    ui::ClearResources();
    ui::AddStringResource(IDR_TEST, u"test\n\nTest\n\n\nTest.Document\nTest Document");
    ui::AddMenuResource(IDR_TEST, {{u"&File",
                                    {{u"&Doc", static_cast<WORD>(ID_DOC_CMD)},
                                     {u"&Frame", static_cast<WORD>(ID_FRAME_CMD)},
                                     {},
                                     {u"&Nobody", static_cast<WORD>(ID_NOBODY)},
                                     {u"E&xit", static_cast<WORD>(ID_APP_EXIT)}}},
                                   {u"&Color",
                                    {{u"&Blue", static_cast<WORD>(ID_COLOR_FIRST)},
                                     {u"&Green", static_cast<WORD>(ID_COLOR_FIRST + 1)}}}});
    ui::AddAcceleratorResource(IDR_TEST, {{FVIRTKEY | FCONTROL, 'D', static_cast<WORD>(ID_DOC_CMD)},
                                          {FVIRTKEY, VK_F1, static_cast<WORD>(ID_HELP)}});
    ui::AddToolBarResource(IDR_TEST, {u"Doc", u"Frame", u"None"});
}

} // namespace mfctest
