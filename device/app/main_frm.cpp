#include "device/app/main_frm.h"

#include "device/app/jotta_app.h"
#include "device/app/jotta_doc.h"
#include "device/app/jotta_list_view.h"
#include "device/app/jotta_view.h"
#include "device/app/resource.h"
#include "device/app/state_probe.h"
#include "device/sync/jottadev.h"
#include "platform/mfc/cmd_ui.h"
#include "platform/ui/menu.h"

#include <iterator>

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
ON_COMMAND(ID_EDIT_WRAPLINES, OnWrapLines)
ON_UPDATE_COMMAND_UI(ID_EDIT_WRAPLINES, OnUpdateWrapLines)
ON_MESSAGE(WM_SYNC_FINISHED, OnSyncFinished)
ON_MESSAGE(WM_ENDSESSION, OnEndSession)
#ifdef JOTTERWICK_TEST_HOOKS
ON_MESSAGE(WM_JOTTA_STATE_PROBE, OnStateProbe)
#endif
END_MESSAGE_MAP()

namespace {

constexpr char16_t kTitle[] = u"Jotterwick";
constexpr int kBitmapImages = 9;
constexpr DWORD kAdornments = 0x0B; // help, OK and the platform's bit 0x0008

TBBUTTON Button(int image, UINT command) {
    return TBBUTTON{image, static_cast<int>(command), TBSTATE_ENABLED, TBSTYLE_BUTTON, 0, 0};
}
TBBUTTON Separator() {
    return TBBUTTON{0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, 0, 0};
}

// The sizes the list and the editor ask for, beside each other or one above the other.
struct PaneSizes {
    SIZE list;
    SIZE editor;
};
constexpr PaneSizes kListBeside{{150, 200}, {300, 200}};
constexpr PaneSizes kListAbove{{300, 100}, {300, 200}};

bool LandscapeScreen() {
    return GetSystemMetrics(SM_CXSCREEN) > GetSystemMetrics(SM_CYSCREEN);
}

const TBBUTTON kButtons[] = {
    Separator(),
    Button(0, ID_NOTE_NEW),
    Button(1, ID_NOTE_SAVE),
    Button(2, ID_NOTE_DELETE),
    Separator(),
    Button(3, ID_EDIT_CUT),
    Button(4, ID_EDIT_COPY),
    Button(5, ID_EDIT_PASTE),
    Separator(),
    Button(6, ID_EXTRAS_FIND),
    Separator(),
    Button(7, ID_NOTE_INFO),
};

} // namespace

int CMainFrame::OnCreate(LPCREATESTRUCTW lpCreateStruct) {
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    if (!m_wndCommandBar.AddBitmap(IDR_MAINFRAME, kBitmapImages) ||
        !m_wndCommandBar.InsertButtons(static_cast<int>(std::size(kButtons)), kButtons))
        return -1;
    if (!m_wndCommandBar.AddAdornments(kAdornments))
        return -1;
    if (!JottaApp().m_bDebug)
        ::DeleteMenu(m_wndCommandBar.GetMenu(), ID_EXTRAS_DELETEDB, MF_BYCOMMAND);
    SetWindowText(kTitle);
    return 0;
}

BOOL CMainFrame::OnCreateClient(LPCREATESTRUCTW, CCreateContext* pContext) {
    const bool beside = LandscapeScreen();
    const PaneSizes& sizes = beside ? kListBeside : kListAbove;
    return m_wndSplitter.CreateStatic(this, beside ? 1 : 2, beside ? 2 : 1, WS_CHILD | WS_VISIBLE,
                                      AFX_IDW_PANE_FIRST) &&
           m_wndSplitter.CreateView(0, 0, RUNTIME_CLASS(CJottaListView), sizes.list, pContext) &&
           m_wndSplitter.CreateView(beside ? 0 : 1, beside ? 1 : 0, RUNTIME_CLASS(CJottaView),
                                    sizes.editor, pContext);
}

void CMainFrame::OnSize(UINT nType, int cx, int cy) {
    const bool beside = LandscapeScreen();
    if (m_wndSplitter.m_hWnd && (m_wndSplitter.GetColumnCount() > 1) != beside &&
        ::SendMessageW(m_wndSplitter.m_hWnd, SPM_TRANSPOSE, 0, 0)) {
        const PaneSizes& sizes = beside ? kListBeside : kListAbove;
        const auto setSize = [&](int row, int col, SIZE size) {
            ::SendMessageW(m_wndSplitter.m_hWnd, SPM_SETPANESIZE,
                           MAKEWPARAM(static_cast<WORD>(row), static_cast<WORD>(col)),
                           MAKELPARAM(static_cast<WORD>(size.cx), static_cast<WORD>(size.cy)));
        };
        setSize(0, 0, sizes.list);
        setSize(beside ? 0 : 1, beside ? 1 : 0, sizes.editor);
    }
    CFrameWnd::OnSize(nType, cx, cy);
    if (m_wndSplitter.m_hWnd)
        m_wndSplitter.RecalcLayout();
}

void CMainFrame::OnWrapLines() {
    CJottaApp& app = JottaApp();
    app.m_bWrapLines = app.m_bWrapLines == 0 ? 1 : 0;
    if (auto* doc = static_cast<CJottaDoc*>(GetActiveDocument()))
        if (CJottaView* editor = doc->FindEditorView())
            editor->SetWordWrap(app.m_bWrapLines);
}

void CMainFrame::OnUpdateWrapLines(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(JottaApp().m_bWrapLines == 1 ? 1 : 0);
}

LRESULT CMainFrame::OnSyncFinished(WPARAM, LPARAM) {
    auto* doc = static_cast<CJottaDoc*>(GetActiveDocument());
    if (!doc)
        return 0;
    if (!doc->SaveModifiedNote(FALSE)) {
        // The edit could not be kept anywhere else: the editor keeps it and
        // only the list shows what the synchronization changed.
        doc->UpdateAllViews(doc->FindEditorView());
        return 0;
    }
    doc->SeekNote(SEEK_FIRST_NOTE);
    doc->m_loadedNote = kNoLoadedNote;
    doc->UpdateAllViews(nullptr);
    return 0;
}

LRESULT CMainFrame::OnEndSession(WPARAM wParam, LPARAM) {
    if (!wParam)
        return 0;
    if (auto* doc = static_cast<CJottaDoc*>(GetActiveDocument()))
        doc->KeepEditAtEnd();
    JottaApp().SaveSettings();
    return 0;
}

LRESULT CMainFrame::OnStateProbe(WPARAM wParam, LPARAM lParam) {
    if (auto* doc = static_cast<CJottaDoc*>(GetActiveDocument()))
        AnswerStateProbe(*doc, wParam, lParam);
    return 0;
}
