// The command bar of a handheld frame: a "CommandBar" control holding the
// menu bar and tool buttons in one line across the top, and the adornments
// (help and OK buttons) at its end. The frame's command states drive the
// buttons (UpdateButtons) as they drive the menu.
#pragma once

#include "platform/mfc/wnd.h"
#include "platform/ui/commctrl.h"

#include <string>
#include <vector>

class CCeCommandBar : public CWnd {
    DECLARE_DYNAMIC(CCeCommandBar)
public:
    struct Button {
        UINT command;         // 0 for a separator
        int image;            // index into the bitmap's images
        std::u16string label; // the image's label
        BYTE state;
        BYTE style;
    };

    // The bar as a child of the frame, one line high across its top.
    BOOL Create(CWnd* pParentWnd);
    using CWnd::Create;
    // Loads menu resource nIDMenu as the bar's menu (the bar owns it).
    BOOL InsertMenuBar(UINT nIDMenu);
    // The tool-button images: nNumImages labels of tool-bar resource nIDBitmap.
    BOOL AddBitmap(UINT nIDBitmap, int nNumImages);
    // Appends buttons; each image must be one of the bitmap's.
    BOOL InsertButtons(int nButtons, const TBBUTTON* lpButtons);
    BOOL AddAdornments(DWORD dwFlags);

    HMENU GetMenu() const;
    std::vector<Button> Buttons() const;
    DWORD Adornments() const;

    // Sets every button's enabled and checked state from the frame's update handlers.
    void UpdateButtons(CCmdTarget* pTarget);
    // A tap: WM_COMMAND to the frame when the button is enabled. FALSE otherwise.
    BOOL PressButton(UINT nCommand);
    // The help adornment sends WM_HELP to the frame, OK sends WM_COMMAND IDOK.
    BOOL PressAdornment(DWORD dwFlag);
};
