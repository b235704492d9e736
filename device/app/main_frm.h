// CMainFrame: the main window, titled "Jotterwick" at all times (the second
// start and the synchronization provider find it by that title). It carries
// the command bar and splits its client area into the note list and the
// editor; it toggles word wrap and reloads the document when a
// synchronization ends (WM_SYNC_FINISHED); it keeps the unsaved edit when
// the program is made to end (WM_ENDSESSION).
#pragma once

#include "platform/mfc/frame_wnd.h"
#include "platform/mfc/splitter_wnd.h"

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    int OnCreate(LPCREATESTRUCTW lpCreateStruct) override;
    // List and editor side by side on a landscape screen, else one above
    // the other.
    BOOL OnCreateClient(LPCREATESTRUCTW lpcs, CCreateContext* pContext) override;
    // The screen changed its shape (a terminal resized): the list moves beside
    // or above the editor to follow it.
    void OnSize(UINT nType, int cx, int cy) override;

    CSplitterWnd m_wndSplitter;

protected:
    void OnWrapLines();
    void OnUpdateWrapLines(CCmdUI* pCmdUI);
    // The database may have changed under the program: offer to save the
    // note being edited (Yes/No), then show the first note that passes the
    // display filter and refill both views.
    LRESULT OnSyncFinished(WPARAM wParam, LPARAM lParam);
    LRESULT OnStateProbe(WPARAM wParam, LPARAM lParam);
    // The program ends by a signal (wParam TRUE): the unsaved edit and the
    // settings are kept first.
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
