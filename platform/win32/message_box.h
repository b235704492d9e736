// Desktop message boxes (ANSI form). The text and caption are converted from
// the ANSI code page and shown through the window system's MessageBoxW
// (platform/ui), so the headless back end's scripted user answers them just
// as it answers the handheld's. The MB_* styles and ID* answers are the
// window system's.
#pragma once

#include "platform/base/windef.h"

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
