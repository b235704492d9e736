// MessageBoxA: the window system's MessageBoxW with the ANSI texts converted.
#include "platform/win32/message_box.h"

#include "platform/win32/codepage.h"

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const std::u16string text = win32::AnsiToWide(lpText ? lpText : "");
    if (!lpCaption)
        return MessageBoxW(hWnd, text.c_str(), nullptr, uType);
    const std::u16string caption = win32::AnsiToWide(lpCaption);
    return MessageBoxW(hWnd, text.c_str(), caption.c_str(), uType);
}
