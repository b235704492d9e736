#include "platform/mfc/CommandBar.h"

#include "platform/mfc/CmdUI.h"
#include "platform/ui/menu.h"
#include "platform/ui/message_box.h"
#include "platform/ui/resources.h"

IMPLEMENT_DYNAMIC(CCeCommandBar, CWnd)

namespace {

// Applies a command's state to one tool button.
class ButtonCmdUI : public CCmdUI {
public:
    explicit ButtonCmdUI(CCeCommandBar::Button& button) : m_button(button) {}
    void Enable(BOOL bOn = TRUE) override {
        m_button.state =
            bOn ? (m_button.state | TBSTATE_ENABLED) : (m_button.state & ~TBSTATE_ENABLED);
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int nCheck = 1) override {
        m_button.state =
            nCheck ? (m_button.state | TBSTATE_CHECKED) : (m_button.state & ~TBSTATE_CHECKED);
    }

private:
    CCeCommandBar::Button& m_button;
};

} // namespace

CCeCommandBar::~CCeCommandBar() {
    if (m_hMenu)
        ::DestroyMenu(m_hMenu);
}

BOOL CCeCommandBar::Create(CWnd* pParentWnd) {
    if (!pParentWnd)
        return FALSE;
    RECT client{};
    pParentWnd->GetClientRect(&client);
    const RECT bar{0, 0, client.right, ui::kLineHeight + 8};
    return CWnd::Create(nullptr, u"", WS_CHILD | WS_VISIBLE, bar, pParentWnd, 0xE805);
}

BOOL CCeCommandBar::InsertMenuBar(UINT nIDMenu) {
    HMENU menu = ::LoadMenuW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(nIDMenu)));
    if (!menu)
        return FALSE;
    if (m_hMenu)
        ::DestroyMenu(m_hMenu);
    m_hMenu = menu;
    Invalidate();
    return TRUE;
}

BOOL CCeCommandBar::AddBitmap(UINT nIDBitmap, int nNumImages) {
    const auto* labels = ui::FindToolBarResource(MAKEINTRESOURCEW(static_cast<WORD>(nIDBitmap)));
    if (!labels || nNumImages <= 0 || static_cast<std::size_t>(nNumImages) > labels->size())
        return FALSE;
    m_images.assign(labels->begin(), labels->begin() + nNumImages);
    return TRUE;
}

BOOL CCeCommandBar::InsertButtons(int nButtons, const TBBUTTON* lpButtons) {
    if (!lpButtons || nButtons <= 0)
        return FALSE;
    std::vector<Button> added;
    for (int i = 0; i < nButtons; ++i) {
        const TBBUTTON& b = lpButtons[i];
        const bool separator = (b.fsStyle & TBSTYLE_SEP) != 0;
        if (!separator && (b.iBitmap < 0 || static_cast<std::size_t>(b.iBitmap) >= m_images.size()))
            return FALSE;
        added.push_back(
            {separator ? 0u : static_cast<UINT>(b.idCommand), b.iBitmap,
             separator ? std::u16string() : m_images[static_cast<std::size_t>(b.iBitmap)],
             b.fsState, b.fsStyle});
    }
    m_buttons.insert(m_buttons.end(), added.begin(), added.end());
    Invalidate();
    return TRUE;
}

BOOL CCeCommandBar::AddAdornments(DWORD dwFlags) {
    if (!m_hWnd)
        return FALSE;
    m_adornments = dwFlags;
    Invalidate();
    return TRUE;
}

void CCeCommandBar::UpdateButtons(CCmdTarget* pTarget) {
    for (Button& button : m_buttons) {
        if (button.style & TBSTYLE_SEP)
            continue;
        ButtonCmdUI state(button);
        state.m_nID = button.command;
        state.DoUpdate(pTarget, TRUE);
    }
    Invalidate();
}

BOOL CCeCommandBar::PressButton(UINT nCommand) {
    for (const Button& button : m_buttons) {
        if (button.command != nCommand || (button.style & TBSTYLE_SEP))
            continue;
        if (!(button.state & TBSTATE_ENABLED))
            return FALSE;
        ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND,
                       MAKEWPARAM(static_cast<WORD>(nCommand), BN_CLICKED), 0);
        return TRUE;
    }
    return FALSE;
}

BOOL CCeCommandBar::PressAdornment(DWORD dwFlag) {
    if (!(m_adornments & dwFlag))
        return FALSE;
    HWND frame = ::GetParent(m_hWnd);
    if (dwFlag == CMDBAR_HELP) {
        HELPINFO info{sizeof(HELPINFO), 0, 0, nullptr, 0, {0, 0}};
        ::SendMessageW(frame, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        return TRUE;
    }
    if (dwFlag == CMDBAR_OK) {
        ::SendMessageW(frame, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
    }
    return FALSE;
}

void CCeCommandBar::PostNcDestroy() {
    if (m_hMenu)
        ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
    m_buttons.clear();
    m_adornments = 0;
}
