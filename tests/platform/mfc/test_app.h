// A small document program on the framework, the shape the notes program
// has: a frame with a command bar and a static splitter holding a list view
// and an edit view, one document, commands handled at every step of the route.
#pragma once

#include "platform/mfc/cmd_ui.h"
#include "platform/mfc/controls.h"
#include "platform/mfc/doc_template.h"
#include "platform/mfc/document.h"
#include "platform/mfc/edit_view.h"
#include "platform/mfc/frame_wnd.h"
#include "platform/mfc/splitter_wnd.h"
#include "platform/mfc/win_app.h"

#include <string>
#include <vector>

namespace mfctest {

// Commands of the test program.
constexpr UINT ID_VIEW_CMD = 40001;    // handled by the list view
constexpr UINT ID_DOC_CMD = 40002;     // handled by the document
constexpr UINT ID_FRAME_CMD = 40003;   // handled by the frame
constexpr UINT ID_APP_CMD = 40004;     // handled by the application
constexpr UINT ID_SHARED = 40005;      // handled by document and frame: the document wins
constexpr UINT ID_PASS_ON = 40006;     // the document's ON_COMMAND_EX declines; the frame takes it
constexpr UINT ID_COLOR_FIRST = 40010; // a range on the document
constexpr UINT ID_COLOR_LAST = 40014;
constexpr UINT ID_NOBODY = 40020; // no handler anywhere
constexpr UINT IDR_TEST = 1;

std::vector<std::string>& Log();

class CTestDoc : public CDocument {
    DECLARE_DYNCREATE(CTestDoc)
public:
    BOOL OnNewDocument() override;
    BOOL SaveModified() override;
    void OnDocCmd() { Log().push_back("doc"); }
    void OnShared() { Log().push_back("doc shared"); }
    BOOL OnPassOn(UINT) {
        Log().push_back("doc declines");
        return FALSE;
    }
    void OnColor(UINT id) {
        m_color = static_cast<int>(id - ID_COLOR_FIRST);
        SetModifiedFlag();
    }
    void OnUpdateColor(CCmdUI* pCmdUI);
    void OnUpdateDocCmd(CCmdUI* pCmdUI) { pCmdUI->Enable(m_docCmdEnabled); }

    int m_color = 0;
    BOOL m_docCmdEnabled = TRUE;
    int m_saveAnswer = TRUE; // what SaveModified says when modified
    int m_newCount = 0;

    DECLARE_MESSAGE_MAP()
};

class CTestListBox : public CListBox {
public:
    void OnSelChange() { Log().push_back("reflected selchange " + std::to_string(GetCurSel())); }
    DECLARE_MESSAGE_MAP()
};

class CTestListView : public CView {
    DECLARE_DYNCREATE(CTestListView)
public:
    int OnCreate(LPCREATESTRUCTW lpCreateStruct) override;
    void OnSize(UINT nType, int cx, int cy) override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
    void OnViewCmd() { Log().push_back("view"); }
    CTestListBox m_wndList;
    int m_updates = 0;
    DECLARE_MESSAGE_MAP()
};

class CTestEditView : public CEditView {
    DECLARE_DYNCREATE(CTestEditView)
public:
    void OnUpdate(CView*, LPARAM lHint, CObject*) override {
        ++m_updates;
        m_lastHint = lHint;
    }
    int m_updates = 0;
    LPARAM m_lastHint = 0;
};

class CTestFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CTestFrame)
public:
    int OnCreate(LPCREATESTRUCTW lpCreateStruct) override;
    BOOL OnCreateClient(LPCREATESTRUCTW lpcs, CCreateContext* pContext) override;
    void OnFrameCmd() { Log().push_back("frame"); }
    void OnShared() { Log().push_back("frame shared"); }
    void OnPassOn() { Log().push_back("frame takes it"); }
    void OnUpdateFrameCmd(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_checked); }
    LRESULT OnCustom(WPARAM wParam, LPARAM) {
        Log().push_back("custom " + std::to_string(wParam));
        return 7;
    }
    CSplitterWnd m_wndSplitter;
    int m_checked = 1;
    DECLARE_MESSAGE_MAP()
};

class CTestApp : public CWinApp {
public:
    CTestApp() : CWinApp(u"TestApp") {}
    BOOL InitInstance() override;
    int ExitInstance() override;
    void OnAppCmd() { Log().push_back("app"); }
    int m_exits = 0;
    DECLARE_MESSAGE_MAP()
};

// The test program's resources: menu, accelerators, tool-bar labels, strings.
void AddTestResources();

} // namespace mfctest
