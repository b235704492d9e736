#include "platform/ui/message_box.h"

#include "platform/base/unicode.h"
#include "platform/ui/backend.h"

namespace ui {

namespace {
struct NamedButton {
    int id;
    const char16_t* name;
};
constexpr NamedButton kButtons[] = {{IDOK, u"OK"},       {IDCANCEL, u"Cancel"}, {IDABORT, u"Abort"},
                                    {IDRETRY, u"Retry"}, {IDIGNORE, u"Ignore"}, {IDYES, u"Yes"},
                                    {IDNO, u"No"}};
} // namespace

std::vector<int> MessageBoxButtons(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OK:
        return {IDOK};
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    default:
        return {};
    }
}

int DefaultMessageBoxButton(UINT type) {
    const auto buttons = MessageBoxButtons(type);
    if (buttons.empty())
        return 0;
    const std::size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

std::u16string ButtonName(int id) {
    for (const auto& button : kButtons)
        if (button.id == id)
            return button.name;
    return unicode::ToUtf16("#" + std::to_string(id));
}

int ButtonFromName(std::u16string_view name) {
    for (const auto& button : kButtons)
        if (name == button.name)
            return button.id;
    return 0;
}

} // namespace ui

int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    if (ui::MessageBoxButtons(uType).empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ui::MessageBoxPrompt prompt;
    prompt.owner = hWnd;
    prompt.caption = lpCaption ? lpCaption : u"Error";
    prompt.text = lpText ? lpText : u"";
    prompt.type = uType;
    return ui::CurrentBackend().ShowMessageBox(prompt);
}
