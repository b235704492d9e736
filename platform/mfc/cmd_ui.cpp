#include "platform/mfc/cmd_ui.h"

#include "platform/mfc/cmd_target.h"
#include "platform/ui/menu.h"

void CCmdUI::Enable(BOOL bOn) {
    if (m_pMenu)
        EnableMenuItem(m_pMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : MF_GRAYED));
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
    if (m_pMenu)
        CheckMenuItem(m_pMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler) {
    m_bEnableChanged = FALSE;
    if (!pTarget)
        return FALSE;
    if (pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this))
        return TRUE;
    if (bDisableIfNoHandler && !m_bEnableChanged) {
        int probe = 0;
        Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, &probe));
    }
    return FALSE;
}
