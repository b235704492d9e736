// The default queue callback: a progress window while files are copied, and
// the Retry / Skip / Cancel question when one cannot be.
#include "platform/ui/winuser.h"
#include "platform/win32/codepage.h"
#include "platform/win32/message_box.h"
#include "platform/win32/setup_objects.h"

#include <mutex>
#include <set>
#include <string>

namespace {

struct DefaultContext {
    HWND owner = nullptr;
    HWND progress = nullptr;
};

// The contexts handed out and not yet released: a callback given anything
// else refuses it instead of following it.
std::mutex g_mutex;
std::set<void*> g_contexts;

DefaultContext* ContextOf(void* context) {
    std::lock_guard lock(g_mutex);
    return g_contexts.count(context) ? static_cast<DefaultContext*>(context) : nullptr;
}

void CloseProgress(DefaultContext* context) {
    if (context->progress && IsWindow(context->progress))
        DestroyWindow(context->progress);
    context->progress = nullptr;
}

void ShowProgress(DefaultContext* context, const std::string& text) {
    const std::u16string wide = win32::AnsiToWide(text);
    if (!context->progress || !IsWindow(context->progress))
        context->progress = CreateWindowExW(
            0, u"static", u"Copying Files...", WS_POPUP | WS_CAPTION | WS_VISIBLE, CW_USEDEFAULT,
            CW_USEDEFAULT, 240, 48, context->owner, nullptr, nullptr, nullptr);
    if (context->progress)
        SetWindowTextW(context->progress, wide.c_str());
}

std::string FileNameOf(const char* path) {
    const std::string text = path ? path : "";
    const std::size_t slash = text.find_last_of("/\\");
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

// Asks what to do about a failed copy or delete: Retry tries again, Ignore
// skips the file, Abort cancels the whole installation.
UINT AskAboutError(DefaultContext* context, const FILEPATHS_A& paths, bool copy) {
    std::string text = copy ? "Cannot copy " + std::string(paths.Source ? paths.Source : "") +
                                  " to " + paths.Target
                            : "Cannot delete " + std::string(paths.Target);
    text += ": " + win32::FileErrorText(paths.Win32Error) +
            ".\n\nRetry to try again, Ignore to skip the file, Abort to cancel the "
            "installation.";
    switch (MessageBoxA(context->owner, text.c_str(), copy ? "Copy Error" : "Delete Error",
                        MB_ABORTRETRYIGNORE | MB_ICONERROR)) {
    case IDRETRY:
        return FILEOP_RETRY;
    case IDIGNORE:
        return FILEOP_SKIP;
    default:
        return FILEOP_ABORT;
    }
}

} // namespace

void* SetupInitDefaultQueueCallback(HWND OwnerWindow) {
    auto* context = new DefaultContext{OwnerWindow, nullptr};
    std::lock_guard lock(g_mutex);
    g_contexts.insert(context);
    return context;
}

void SetupTermDefaultQueueCallback(void* Context) {
    DefaultContext* context = ContextOf(Context);
    if (!context)
        return;
    CloseProgress(context);
    {
        std::lock_guard lock(g_mutex);
        g_contexts.erase(context);
    }
    delete context;
}

UINT SetupDefaultQueueCallbackA(void* Context, UINT Notification, UINT_PTR Param1,
                                UINT_PTR Param2) {
    (void)Param2;
    DefaultContext* context = ContextOf(Context);
    if (!context) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FILEOP_ABORT;
    }
    const auto* paths = reinterpret_cast<const FILEPATHS_A*>(Param1);
    switch (Notification) {
    case SPFILENOTIFY_STARTQUEUE:
        return TRUE;
    case SPFILENOTIFY_ENDQUEUE:
        CloseProgress(context);
        return 0;
    case SPFILENOTIFY_STARTCOPY:
        ShowProgress(context, "Copying " + FileNameOf(paths->Target));
        return FILEOP_DOIT;
    case SPFILENOTIFY_STARTDELETE:
        ShowProgress(context, "Deleting " + FileNameOf(paths->Target));
        return FILEOP_DOIT;
    case SPFILENOTIFY_COPYERROR:
        return AskAboutError(context, *paths, true);
    case SPFILENOTIFY_DELETEERROR:
        return AskAboutError(context, *paths, false);
    default:
        return FILEOP_DOIT;
    }
}
