// The window system's back end: everything that reaches the user goes through
// this interface, so a headless run and a terminal run differ only here.
//
// A back end presents prompts (message boxes, file dialogs, modal dialogs),
// waits for input alongside the message loop, and is told when a window needs
// drawing. The headless back end (headless_backend.h) answers prompts from a
// scripted user; a terminal back end draws with ncursesw and reads the keyboard.
// All calls happen on the user-interface thread.
#pragma once

#include "platform/base/windef.h"

#include <memory>
#include <optional>
#include <span>
#include <string>

namespace ui {

// A message box as the user would see it. `type` holds the MB_* bits.
struct MessageBoxPrompt {
    HWND owner = nullptr;
    std::u16string caption;
    std::u16string text;
    UINT type = 0;
};

enum class FileDialogKind { Open, Save };

// A file open or save dialog. `filter` is in the platform's form: pairs of
// description and pattern, each ended by NUL.
struct FileDialogPrompt {
    FileDialogKind kind = FileDialogKind::Open;
    HWND owner = nullptr;
    std::u16string title;
    std::u16string filter;
    std::u16string defaultExtension;
    std::u16string initialDirectory;
    std::u16string initialFile;
    DWORD flags = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Shows a message box and returns the button chosen (IDOK, IDYES ...).
    virtual int ShowMessageBox(const MessageBoxPrompt& prompt) = 0;

    // Shows a file dialog; the chosen full path, or nullopt when cancelled.
    virtual std::optional<std::u16string> ChooseFile(const FileDialogPrompt& prompt) = 0;

    // Lets the user work in the modal dialog `dialog`, which has been created
    // and initialised. Returns when the dialog has ended (EndDialog) or when
    // the back end gives up on it; the dialog manager then ends it with IDCANCEL.
    // Between inputs a back end calls ui::PumpPendingMessages so posted
    // messages and timers keep running.
    virtual void RunModalDialog(HWND dialog, const std::u16string& caption) = 0;

    // Waits up to `timeoutMs` (-1: forever) for user input or for one of `fds`
    // to become readable; handles any input it reads by sending messages to
    // windows. Returns true when something happened.
    virtual bool WaitForInput(int timeoutMs, std::span<const int> fds) = 0;

    // Drawing hooks: a window's look changed (text, selection, colours,
    // visibility, z-order, enabled state); and the wait cursor's depth changed.
    virtual void WindowChanged(HWND hwnd) = 0;
    virtual void WaitCursorChanged(int depth) = 0;
    // The status text (ui::StatusText) changed; a back end without a status
    // line shows nothing.
    virtual void StatusTextChanged() {}

    // Shows a help file in the platform's help viewer.
    virtual void ShowHelp(const std::u16string& helpFile) = 0;
};

// The process's back end. Unless one was installed, the headless back end,
// created on first use.
Backend& CurrentBackend();

// Installs `backend` for the rest of the process (null: back to headless).
// Returns the previous one.
std::unique_ptr<Backend> SetBackend(std::unique_ptr<Backend> backend);

} // namespace ui
