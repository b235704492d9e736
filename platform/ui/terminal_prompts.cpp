// The terminal back end's prompts: message boxes, the file dialog and the
// help notice as centred boxes over the windows, and modal dialogs worked
// with the keyboard where they stand.
#include "platform/base/unicode.h"
#include "platform/ce/machine.h"
#include "platform/ui/dialog.h"
#include "platform/ui/message_box.h"
#include "platform/ui/terminal_backend.h"
#include "platform/ui/terminal_screen.h"

#include <algorithm>

namespace ui {

namespace {

using terminal::CellRect;
using terminal::Input;

// A box of `rows` x `cols` inside cells in the middle of the screen.
CellRect CentredBox(int rows, int cols) {
    const int height = std::min(rows + 2, terminal::ScreenRows() - 1);
    const int width = std::min(cols + 4, terminal::ScreenCols());
    return {std::max(0, (terminal::ScreenRows() - 1 - height) / 2),
            std::max(0, (terminal::ScreenCols() - width) / 2), height, width};
}

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

} // namespace

int TerminalBackend::RunButtonBox(const std::u16string& title, const std::u16string& text,
                                  const std::vector<int>& buttons, int defaultButton, int escape) {
    if (buttons.empty())
        return 0;
    std::vector<std::u16string> labels;
    int buttonsWidth = 0;
    for (int id : buttons) {
        labels.push_back(u"[ " + ButtonName(id) + u" ]");
        buttonsWidth += static_cast<int>(labels.back().size()) + 2;
    }
    const int maxWidth = std::max(10, terminal::ScreenCols() - 6);
    const auto lines = terminal::WrapText(text, maxWidth);
    int width = std::max<int>(buttonsWidth, static_cast<int>(title.size()) + 4);
    for (const auto& line : lines)
        width = std::max(width, static_cast<int>(line.size()));
    width = std::min(width, maxWidth);
    const auto found = std::find(buttons.begin(), buttons.end(), defaultButton);
    int selected = found == buttons.end() ? 0 : static_cast<int>(found - buttons.begin());
    for (;;) {
        terminal::DrawWindows(m_waitDepth);
        const CellRect box = CentredBox(static_cast<int>(lines.size()) + 2, width);
        terminal::DrawBox(box, title, terminal::NormalAttr());
        for (std::size_t i = 0; i < lines.size() && static_cast<int>(i) < box.rows - 4; ++i)
            terminal::PutText(box.row + 1 + static_cast<int>(i), box.col + 2, lines[i], width,
                              terminal::NormalAttr());
        const int buttonRow = box.row + box.rows - 2;
        int col = box.col + std::max(2, (box.cols - buttonsWidth) / 2);
        std::vector<std::pair<int, int>> spans; // columns of each button
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const int w = static_cast<int>(labels[i].size());
            terminal::PutText(buttonRow, col, labels[i], w,
                              static_cast<int>(i) == selected ? terminal::ReverseAttr()
                                                              : terminal::NormalAttr());
            spans.push_back({col, col + w});
            col += w + 2;
        }
        terminal::Present();
        m_dirty = true;
        const auto input = terminal::ReadInput(-1);
        if (!input)
            continue;
        if (input->kind == Input::Kind::Tap) {
            for (std::size_t i = 0; i < spans.size(); ++i)
                if (input->row == buttonRow && input->col >= spans[i].first &&
                    input->col < spans[i].second)
                    return buttons[i];
            continue;
        }
        if (input->kind != Input::Kind::Key)
            continue;
        const int n = static_cast<int>(buttons.size());
        switch (input->key.virtualKey) {
        case VK_LEFT:
        case VK_UP:
            selected = (selected + n - 1) % n;
            break;
        case VK_RIGHT:
        case VK_DOWN:
        case VK_TAB:
            selected = (input->key.modifiers & FSHIFT) && input->key.virtualKey == VK_TAB
                           ? (selected + n - 1) % n
                           : (selected + 1) % n;
            break;
        case VK_RETURN:
        case VK_SPACE:
            return buttons[static_cast<std::size_t>(selected)];
        case VK_ESCAPE:
            if (escape)
                return escape;
            break;
        default:
            // A button's first letter chooses it (Y for Yes, N for No ...).
            for (int id : buttons) {
                const std::u16string name = ButtonName(id);
                if (!name.empty() && input->key.character &&
                    Lower(name[0]) == Lower(input->key.character))
                    return id;
            }
        }
    }
}

int TerminalBackend::ShowMessageBox(const MessageBoxPrompt& prompt) {
    const std::vector<int> buttons = MessageBoxButtons(prompt.type);
    if (buttons.empty())
        return 0;
    // Escape is Cancel where there is one, else No, else OK alone; Abort,
    // Retry and Ignore each need a choice.
    const auto offers = [&](int id) {
        return std::find(buttons.begin(), buttons.end(), id) != buttons.end();
    };
    const int escape = offers(IDCANCEL) ? IDCANCEL : offers(IDNO) ? IDNO : offers(IDOK) ? IDOK : 0;
    const int answer = RunButtonBox(prompt.caption, prompt.text, buttons,
                                    DefaultMessageBoxButton(prompt.type), escape);
    m_dirty = true;
    return answer;
}

void TerminalBackend::ShowHelp(const std::u16string& helpFile) {
    RunButtonBox(u"Help", u"The help viewer would open " + helpFile + u".", {IDOK}, IDOK, IDOK);
    m_dirty = true;
}

std::optional<std::u16string> TerminalBackend::ChooseFile(const FileDialogPrompt& prompt) {
    const std::u16string folder = prompt.initialDirectory.empty()
                                      ? unicode::ToUtf16(ce::HandheldDirectory() + "/My Documents")
                                      : prompt.initialDirectory;
    std::u16string name = prompt.initialFile;
    const int width = std::max(20, std::min(70, terminal::ScreenCols() - 6));
    for (;;) {
        terminal::DrawWindows(m_waitDepth);
        const CellRect box = CentredBox(5, width);
        terminal::DrawBox(box, prompt.title, terminal::NormalAttr());
        terminal::PutText(box.row + 1, box.col + 2, u"Folder: " + folder, width,
                          terminal::NormalAttr());
        terminal::PutText(box.row + 2, box.col + 2, u"File name:", width, terminal::NormalAttr());
        // The end of a long name stays in sight.
        const std::size_t shownFrom =
            name.size() >= static_cast<std::size_t>(width) ? name.size() - width + 1 : 0;
        terminal::PutText(box.row + 3, box.col + 2, name.substr(shownFrom), width,
                          terminal::ReverseAttr(), true);
        terminal::PutText(box.row + 5, box.col + 2, u"Enter: OK   Esc: Cancel", width,
                          terminal::NormalAttr());
        terminal::Present();
        m_dirty = true;
        const auto input = terminal::ReadInput(-1);
        if (!input || input->kind != Input::Kind::Key)
            continue;
        const auto& key = input->key;
        if (key.virtualKey == VK_ESCAPE)
            return std::nullopt;
        if (key.virtualKey == VK_RETURN) {
            if (!name.empty())
                return name;
        } else if (key.virtualKey == VK_BACK) {
            if (!name.empty())
                name.pop_back();
        } else if (key.character >= 0x20 && !(key.modifiers & (FCONTROL | FALT))) {
            name += key.character;
        }
    }
}

void TerminalBackend::RunModalDialog(HWND dialog, const std::u16string&) {
    // A dialog whose frame would leave the screen is shown in its middle.
    RECT r{};
    GetWindowRect(dialog, &r);
    const CellRect cells = terminal::CellsOf(r);
    if (cells.row < 1 || cells.col < 1 || cells.row + cells.rows >= terminal::ScreenRows() - 1 ||
        cells.col + cells.cols >= terminal::ScreenCols())
        CenterWindow(dialog, nullptr);
    while (!DialogEnded(dialog)) {
        // A quit while the dialog runs ends it; the dialog manager cancels it.
        if (!PumpPendingMessages())
            return;
        if (DialogEnded(dialog))
            return;
        Redraw();
        const auto input = terminal::ReadInput(100);
        if (!input)
            continue;
        if (input->kind == Input::Kind::Tap) {
            terminal::TapAt(input->row, input->col);
            continue;
        }
        if (input->kind == Input::Kind::Resize) {
            m_dirty = true;
            continue;
        }
        if (input->kind != Input::Kind::Key)
            continue;
        const auto& key = input->key;
        if (key.virtualKey == VK_TAB || key.virtualKey == VK_RETURN ||
            key.virtualKey == VK_ESCAPE) {
            // The dialog manager's own keys: next control, default button, Cancel.
            HWND focus = GetFocus();
            MSG msg{focus && IsChild(dialog, focus) ? focus : dialog,
                    WM_KEYDOWN,
                    key.virtualKey,
                    0,
                    0,
                    {0, 0}};
            SetKeyDown(VK_SHIFT, (key.modifiers & FSHIFT) != 0);
            const BOOL handled = IsDialogMessageW(dialog, &msg);
            SetKeyDown(VK_SHIFT, false);
            if (handled)
                continue;
        }
        PostKeyStroke(key.virtualKey, key.modifiers, key.character);
    }
}

} // namespace ui
