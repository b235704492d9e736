// The command bar of a handheld frame: the menu bar and tool buttons in one
// line across the top, and the adornments (help and OK buttons) at its end.
// A back end draws it from Menu(), Buttons() and Adornments() and passes taps
// back with PressButton / PressAdornment; the frame's command states drive
// the buttons (UpdateButtons) as they drive the menu.
#pragma once

#include "platform/mfc/Wnd.h"

#include <string>
#include <vector>

struct TBBUTTON {
    int iBitmap;
    int idCommand;
    BYTE fsState;
    BYTE fsStyle;
    DWORD_PTR dwData;
    INT_PTR iString;
};

constexpr BYTE TBSTATE_CHECKED = 0x01;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTATE_HIDDEN = 0x08;
constexpr BYTE TBSTYLE_BUTTON = 0x00;
constexpr BYTE TBSTYLE_SEP = 0x01;
constexpr BYTE TBSTYLE_CHECK = 0x02;

constexpr DWORD CMDBAR_HELP = 0x0001;
constexpr DWORD CMDBAR_OK = 0x0002;

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

    ~CCeCommandBar() override;

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

    HMENU GetMenu() const { return m_hMenu; }
    const std::vector<Button>& Buttons() const { return m_buttons; }
    DWORD Adornments() const { return m_adornments; }

    // Sets every button's enabled and checked state from the frame's update handlers.
    void UpdateButtons(CCmdTarget* pTarget);
    // A tap: WM_COMMAND to the frame when the button is enabled. FALSE otherwise.
    BOOL PressButton(UINT nCommand);
    // The help adornment sends WM_HELP to the frame, OK sends WM_COMMAND IDOK.
    BOOL PressAdornment(DWORD dwFlag);

    void PostNcDestroy() override;

private:
    HMENU m_hMenu = nullptr;
    std::vector<std::u16string> m_images;
    std::vector<Button> m_buttons;
    DWORD m_adornments = 0;
};
