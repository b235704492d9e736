// Desktop message boxes (ANSI form). The text and caption are converted from
// the ANSI code page and shown through the window system's MessageBoxW
// (platform/ui), so the headless back end's scripted user answers them just
// as it answers the handheld's. The MB_* styles and ID* answers are the
// window system's.
#pragma once

#include "platform/base/windef.h"
#include "platform/ui/message_box.h"

// Null caption: "Error", as the platform does. Returns the button chosen, or
// 0 with ERROR_INVALID_PARAMETER for an unknown button set.
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
