#include "platform/mfc/command_bar.h"

#include "platform/mfc/cmd_ui.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CCeCommandBar, CWnd)

namespace {

// Applies a command's state to one tool button's state bits.
class ButtonCmdUI : public CCmdUI {
public:
    explicit ButtonCmdUI(BYTE& state) : m_state(state) {}
    void Enable(BOOL bOn = TRUE) override {
        m_state = bOn ? (m_state | TBSTATE_ENABLED) : (m_state & ~TBSTATE_ENABLED);
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int nCheck = 1) override {
        m_state = nCheck ? (m_state | TBSTATE_CHECKED) : (m_state & ~TBSTATE_CHECKED);
    }

private:
    BYTE& m_state;
};

} // namespace

BOOL CCeCommandBar::Create(CWnd* pParentWnd) {
    if (!pParentWnd)
        return FALSE;
    RECT client{};
    pParentWnd->GetClientRect(&client);
    const RECT bar{0, 0, client.right, kCommandBarHeight};
    return CWnd::Create(WC_COMMANDBARW, u"", WS_CHILD | WS_VISIBLE, bar, pParentWnd, 0xE805);
}

BOOL CCeCommandBar::InsertMenuBar(UINT nIDMenu) {
    return m_hWnd && CommandBar_InsertMenubar(m_hWnd, nullptr, static_cast<WORD>(nIDMenu), 0);
}

BOOL CCeCommandBar::AddBitmap(UINT nIDBitmap, int nNumImages) {
    return m_hWnd && CommandBar_AddBitmap(m_hWnd, nullptr, static_cast<int>(nIDBitmap), nNumImages,
                                          0, 0) >= 0;
}

BOOL CCeCommandBar::InsertButtons(int nButtons, const TBBUTTON* lpButtons) {
    return m_hWnd && nButtons > 0 &&
           CommandBar_AddButtons(m_hWnd, static_cast<UINT>(nButtons), lpButtons);
}

BOOL CCeCommandBar::AddAdornments(DWORD dwFlags) {
    return m_hWnd && CommandBar_AddAdornments(m_hWnd, dwFlags, 0);
}

HMENU CCeCommandBar::GetMenu() const {
    return m_hWnd ? CommandBar_GetMenu(m_hWnd, 0) : nullptr;
}

std::vector<CCeCommandBar::Button> CCeCommandBar::Buttons() const {
    std::vector<Button> buttons;
    if (!m_hWnd)
        return buttons;
    const auto count = ::SendMessageW(m_hWnd, TB_BUTTONCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        TBBUTTON b{};
        ::SendMessageW(m_hWnd, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
        const auto command = static_cast<WPARAM>(b.idCommand);
        std::u16string label;
        if (!(b.fsStyle & TBSTYLE_SEP)) {
            label.resize(static_cast<std::size_t>(
                std::max<LRESULT>(0, ::SendMessageW(m_hWnd, TB_GETBUTTONTEXTW, command, 0))));
            std::vector<char16_t> text(label.size() + 1);
            ::SendMessageW(m_hWnd, TB_GETBUTTONTEXTW, command,
                           reinterpret_cast<LPARAM>(text.data()));
            label.assign(text.data(), label.size());
        }
        buttons.push_back(
            {static_cast<UINT>(b.idCommand), b.iBitmap, std::move(label), b.fsState, b.fsStyle});
    }
    return buttons;
}

DWORD CCeCommandBar::Adornments() const {
    return m_hWnd ? static_cast<DWORD>(::SendMessageW(m_hWnd, CBM_GETADORNMENTS, 0, 0)) : 0;
}

void CCeCommandBar::UpdateButtons(CCmdTarget* pTarget) {
    for (const Button& button : Buttons()) {
        if (button.style & TBSTYLE_SEP)
            continue;
        BYTE state = button.state;
        ButtonCmdUI update(state);
        update.m_nID = button.command;
        update.DoUpdate(pTarget, TRUE);
        if (state != button.state)
            ::SendMessageW(m_hWnd, TB_SETSTATE, button.command, state);
    }
    Invalidate();
}

BOOL CCeCommandBar::PressButton(UINT nCommand) {
    return m_hWnd && static_cast<BOOL>(::SendMessageW(m_hWnd, CBM_CLICKBUTTON, nCommand, 0));
}

BOOL CCeCommandBar::PressAdornment(DWORD dwFlag) {
    return m_hWnd && static_cast<BOOL>(::SendMessageW(m_hWnd, CBM_CLICKADORNMENT, dwFlag, 0));
}
