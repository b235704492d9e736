#include "platform/mfc/wnd.h"

#include "platform/mfc/cmd_ui.h"
#include "platform/mfc/data_exchange.h"
#include "platform/mfc/frame_wnd.h"
#include "platform/ui/controls.h"

#include <map>
#include <memory>
#include <vector>

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

const CWnd CWnd::wndTop;

namespace {

std::map<HWND, CWnd*>& Permanent() {
    static std::map<HWND, CWnd*> map;
    return map;
}

std::map<HWND, std::unique_ptr<CWnd>>& Temporary() {
    static std::map<HWND, std::unique_ptr<CWnd>> map;
    return map;
}

// The message being handled, for Default().
struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<CurrentMessage>& Current() {
    static std::vector<CurrentMessage> stack;
    return stack;
}

const char16_t* FrameworkClass() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW cls{};
        cls.lpfnWndProc = DefWindowProcW;
        cls.lpszClassName = u"AfxWnd";
        RegisterClassW(&cls);
        registered = true;
    }
    return u"AfxWnd";
}

bool IsControlColor(UINT message) {
    return message >= WM_CTLCOLOREDIT && message <= WM_CTLCOLORSTATIC;
}

} // namespace

LRESULT AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd)
        return DefWindowProcW(hWnd, message, wParam, lParam);
    Current().push_back({message, wParam, lParam});
    const LRESULT result = wnd->WindowProc(message, wParam, lParam);
    Current().pop_back();
    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == wnd) {
        wnd->Detach();
        wnd->PostNcDestroy(); // may delete the object
    }
    return result;
}

CWnd::~CWnd() {
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
        HWND hwnd = m_hWnd;
        Detach();
        ::DestroyWindow(hwnd);
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    auto it = Permanent().find(hwnd);
    return it == Permanent().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    if (CWnd* wnd = FromHandlePermanent(hwnd))
        return wnd;
    auto& temp = Temporary()[hwnd];
    if (!temp)
        temp = std::make_unique<CWnd>();
    temp->m_hWnd = hwnd;
    return temp.get();
}

void CWnd::DeleteTempMap() {
    for (auto& [hwnd, wnd] : Temporary())
        wnd->m_hWnd = nullptr;
    Temporary().clear();
}

BOOL CWnd::Attach(HWND hWndNew) {
    if (!hWndNew || m_hWnd || FromHandlePermanent(hWndNew))
        return FALSE;
    m_hWnd = hWndNew;
    Permanent()[hWndNew] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hwnd = m_hWnd;
    if (hwnd && FromHandlePermanent(hwnd) == this)
        Permanent().erase(hwnd);
    m_hWnd = nullptr;
    return hwnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!::IsWindow(hWnd) || !Attach(hWnd))
        return FALSE;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    return pParent && SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)));
}

HWND CWnd::UnsubclassWindow() {
    if (m_pfnSuper && m_hWnd)
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs) {
    if (!cs.lpszClass)
        cs.lpszClass = FrameworkClass();
    return TRUE;
}

BOOL CWnd::Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(nID)), pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam) {
    CREATESTRUCT cs{lpParam,
                    nullptr,
                    nIDorHMenu,
                    hWndParent,
                    nHeight,
                    nWidth,
                    y,
                    x,
                    static_cast<LONG>(dwStyle),
                    lpszWindowName,
                    lpszClassName,
                    dwExStyle};
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    // Attached before the window's first message, so WM_CREATE reaches us.
    bool attached = false;
    ui::HookNextWindowCreation([this, &attached](HWND hwnd) { attached = SubclassWindow(hwnd); });
    HWND hwnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName,
                                  static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx, cs.cy,
                                  cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    if (!attached) {
        // No window was made at all: the hook must not catch the next one.
        ui::HookNextWindowCreation(nullptr);
        PostNcDestroy();
        return FALSE;
    }
    return hwnd != nullptr;
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    *pResult = 0;
    if (message == WM_COMMAND) {
        if (OnCommand(wParam, lParam)) {
            *pResult = 1;
            return TRUE;
        }
        return FALSE;
    }
    if (message == WM_NOTIFY)
        return OnNotify(wParam, lParam, pResult);
    if (IsControlColor(message)) {
        // The control's own object answers its colour request first.
        if (CWnd* control = FromHandlePermanent(reinterpret_cast<HWND>(lParam));
            control && control->OnChildNotify(message, wParam, lParam, pResult))
            return TRUE;
    }
    if (const auto* entry = mfc::FindEntry(GetMessageMap(), mfc::EntryKind::Message, message)) {
        *pResult = entry->handler(this, {message, wParam, lParam, nullptr});
        return TRUE;
    }
    switch (message) {
    case WM_CREATE:
        *pResult = OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_SETFOCUS:
        OnSetFocus(FromHandle(reinterpret_cast<HWND>(wParam)));
        return TRUE;
    case WM_KILLFOCUS:
        OnKillFocus(FromHandle(reinterpret_cast<HWND>(wParam)));
        return TRUE;
    case WM_CLOSE:
        OnClose();
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_TIMER:
        OnTimer(wParam);
        return TRUE;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_HELP:
        *pResult = OnHelpInfo(reinterpret_cast<HELPINFO*>(lParam));
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    if (Current().empty())
        return 0;
    const CurrentMessage m = Current().back();
    return DefWindowProc(m.message, m.wParam, m.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    if (control) {
        // The control's own object sees its notification first (reflection).
        LRESULT ignored = 0;
        if (CWnd* child = FromHandlePermanent(control);
            child && child->OnChildNotify(WM_COMMAND, wParam, lParam, &ignored))
            return TRUE;
        if (const auto* entry =
                mfc::FindEntry(GetMessageMap(), mfc::EntryKind::Control, id, code)) {
            entry->handler(this, {id, wParam, lParam, nullptr});
            return TRUE;
        }
        if (code != BN_CLICKED)
            return FALSE;
    } else {
        // A menu item or accelerator: only while its command is enabled.
        CTestCmdUI state;
        state.m_nID = id;
        OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &state);
        if (!state.m_bEnabled)
            return TRUE;
    }
    return OnCmdMsg(id, CN_COMMAND, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header)
        return FALSE;
    CWnd* child = FromHandlePermanent(header->hwndFrom);
    return child && child->OnChildNotify(WM_NOTIFY, 0, lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT* pResult) {
    if (message != WM_COMMAND)
        return FALSE;
    const auto* entry = mfc::FindEntry(GetMessageMap(), mfc::EntryKind::Reflect, 0, HIWORD(wParam));
    if (!entry)
        return FALSE;
    entry->handler(this, {static_cast<UINT>(GetDlgCtrlID()), wParam, 0, nullptr});
    if (pResult)
        *pResult = 0;
    return TRUE;
}

int CWnd::OnCreate(LPCREATESTRUCTW) {
    return static_cast<int>(Default());
}
void CWnd::OnDestroy() {
    Default();
}
void CWnd::OnSize(UINT, int, int) {
    Default();
}
void CWnd::OnSetFocus(CWnd*) {
    Default();
}
void CWnd::OnKillFocus(CWnd*) {
    Default();
}
void CWnd::OnClose() {
    Default();
}
void CWnd::OnPaint() {
    Default();
}
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
void CWnd::OnInitMenuPopup(HMENU, UINT, BOOL) {
    Default();
}
BOOL CWnd::OnHelpInfo(HELPINFO*) {
    return static_cast<BOOL>(Default());
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(const std::u16string& text) {
    ::SetWindowTextW(m_hWnd, text.c_str());
}

std::u16string CWnd::GetWindowText() const {
    std::u16string text(static_cast<std::size_t>(::GetWindowTextLengthW(m_hWnd)) + 1, u'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

CFrameWnd* CWnd::GetParentFrame() const {
    for (HWND h = ::GetParent(m_hWnd); h; h = ::GetParent(h))
        if (CWnd* wnd = FromHandlePermanent(h); wnd && wnd->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
            return static_cast<CFrameWnd*>(wnd);
    return nullptr;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd) {
    const DWORD style = GetStyle();
    const DWORD changed = (style & ~dwRemove) | dwAdd;
    if (changed == style)
        return FALSE;
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
    return TRUE;
}

void CWnd::MoveWindow(const RECT& rect, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, pInsertAfter ? pInsertAfter->m_hWnd : HWND_TOP, x, y, cx, cy,
                          nFlags);
}

void CWnd::ScreenToClient(LPRECT rect) const {
    POINT topLeft{rect->left, rect->top}, bottomRight{rect->right, rect->bottom};
    ::ScreenToClient(m_hWnd, &topLeft);
    ::ScreenToClient(m_hWnd, &bottomRight);
    *rect = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    HWND around = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    ::CenterWindow(m_hWnd, around);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

void CWnd::DoDataExchange(CDataExchange*) {}
