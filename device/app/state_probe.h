// What the running program shows, as one line of text per view, and a small
// channel through which a test in another process reads it and types into
// the editor: it posts WM_JOTTA_STATE_PROBE to the window "Jotterwick".
//     wParam kProbeWriteState: writes the state to the file named by
//         $JOTTERWICK_STATE_FILE (whole, by rename); nothing when unset.
//     wParam kProbeTypeChar: the character lParam typed into the editor.
// The main frame answers it only in a build with JOTTERWICK_TEST_HOOKS.
#pragma once

#include "platform/ui/winuser.h"

#include <string>

class CJottaDoc;

inline constexpr UINT WM_JOTTA_STATE_PROBE = WM_APP + 0x4A;
inline constexpr WPARAM kProbeWriteState = 1;
inline constexpr WPARAM kProbeTypeChar = 2;

// Two lines: the note list ("list: 'A' >'B' 'C'", the selected line marked
// with >) and the editor ("editor: enabled|disabled modified|saved color N
// 'text'", CR and LF written as \r and \n). UTF-8.
std::string DescribeState(CJottaDoc& doc);

void AnswerStateProbe(CJottaDoc& doc, WPARAM operation, LPARAM argument);
