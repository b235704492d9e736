// CWnd: a framework object attached to a window. Messages reach it through
// its WindowProc: WM_COMMAND and WM_NOTIFY go to OnCommand / OnNotify (and
// from there along the command route), other messages to the ON_MESSAGE
// entries of its message map, then to the virtual handlers below, then to
// the window's own procedure (Default). A control's notification and colour
// request are first offered to the control's own object (OnChildNotify).
#pragma once

#include "platform/mfc/cmd_target.h"
#include "platform/ui/gdi.h"

#include <string>

class CDocument;
class CView;
class CFrameWnd;
class CDocTemplate;
struct CCreateContext {
    const CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
    CDocTemplate* m_pNewDocTemplate = nullptr;
    CFrameWnd* m_pCurrentFrame = nullptr;
};

// A device context for OnDraw.
class CDC {
public:
    explicit CDC(HDC hdc) : m_hDC(hdc) {}
    HDC GetSafeHdc() const { return m_hDC; }
    COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
    COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
    HDC m_hDC;
};

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd() = default;
    // Destroys a window still attached, as the framework does.
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object attached to hwnd, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);
    // The attached object, or a temporary one (valid until the next idle time).
    static CWnd* FromHandle(HWND hwnd);
    static void DeleteTempMap();

    // Creates the window with this object attached before its first message.
    // A null class name is the framework's own window class. FALSE when the
    // window could not be created (PostNcDestroy has then run).
    virtual BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID,
                        CCreateContext* pContext = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                  int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                  LPVOID lpParam = nullptr);
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual BOOL DestroyWindow();

    BOOL Attach(HWND hWndNew);
    HWND Detach();
    // Routes an existing window's messages through this object; Unsubclass
    // gives the window back its own procedure and detaches.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's own handling of the message being handled now.
    LRESULT Default();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A notification or colour request of this control, offered by its
    // parent before the parent handles it. TRUE (with *pResult) when taken.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // After the window is gone; frames and views delete themselves here.
    virtual void PostNcDestroy() {}

    // Handlers of the standard messages; each default is the window's own handling.
    virtual int OnCreate(LPCREATESTRUCTW lpCreateStruct);
    virtual void OnDestroy();
    virtual void OnSize(UINT nType, int cx, int cy);
    virtual void OnSetFocus(CWnd* pOldWnd);
    virtual void OnKillFocus(CWnd* pNewWnd);
    virtual void OnClose();
    virtual void OnPaint();
    virtual void OnTimer(UINT_PTR nIDEvent);
    virtual void OnInitMenuPopup(HMENU hPopupMenu, UINT nIndex, BOOL bSysMenu);
    virtual BOOL OnHelpInfo(HELPINFO* pHelpInfo);

    // Thin wrappers of the window functions.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void SetWindowText(const std::u16string& text);
    std::u16string GetWindowText() const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    CWnd* GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    int SetDlgCtrlID(int nID) { return static_cast<int>(::SetWindowLongW(m_hWnd, GWL_ID, nID)); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CFrameWnd* GetParentFrame() const;
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd);
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    void MoveWindow(const RECT& rect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
    void ScreenToClient(LPRECT rect) const;
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    void SetFont(HFONT font, BOOL bRedraw = TRUE) {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), bRedraw);
    }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse) {
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, nullptr);
    }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    // Dialog data exchange for this window's controls (see data_exchange.h).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(class CDataExchange* pDX);

    HWND m_hWnd = nullptr;
    // The top of the z-order, for SetWindowPos.
    static const CWnd wndTop;

protected:
    WNDPROC m_pfnSuper = nullptr; // the window's own procedure behind ours

    friend LRESULT AfxWndProc(HWND, UINT, WPARAM, LPARAM);
};

// The framework's window procedure: hands messages to the attached CWnd.
LRESULT AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
