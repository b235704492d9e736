// The user-interface state of one command (enabled, checked) as an update
// handler sets it. The same handler drives a menu item and a tool button:
// each kind of item has its own CCmdUI that applies the state to it.
#pragma once

#include "platform/ui/winuser.h"

class CCmdTarget;

class CCmdUI {
public:
    virtual ~CCmdUI() = default;

    virtual void Enable(BOOL bOn = TRUE);
    // 0 unchecked, 1 checked.
    virtual void SetCheck(int nCheck = 1);
    virtual void SetRadio(BOOL bOn = TRUE) { SetCheck(bOn ? 1 : 0); }
    // The handler passes the update on along the route.
    void ContinueRouting() { m_bContinueRouting = TRUE; }

    // Asks `target` (and the route behind it) for the state; without an
    // update handler, and when bDisableIfNoHandler, the item is enabled
    // exactly when some handler takes the command. TRUE when a handler ran.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler);

    UINT m_nID = 0;
    UINT m_nIndex = 0;       // the item's position in m_pMenu
    HMENU m_pMenu = nullptr; // the menu holding the item, when it is a menu item
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;
};

// A CCmdUI that only records what the handler set (the framework uses one to
// check that a command is still enabled before running it).
class CTestCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn = TRUE) override {
        m_bEnabled = bOn;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int nCheck = 1) override { m_nCheck = nCheck; }
    BOOL m_bEnabled = TRUE;
    int m_nCheck = 0;
};
