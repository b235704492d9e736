// The terminal back end's prompts: message boxes, the file dialog and the
// help notice as centred boxes over the windows, and modal dialogs worked
// with the keyboard where they stand.
#include "platform/base/unicode.h"
#include "platform/ui/commdlg.h"
#include "platform/ui/dialog.h"
#include "platform/ui/menu.h"
#include "platform/ui/message_box.h"
#include "platform/ui/terminal/dialog_fit.h"
#include "platform/ui/terminal/help_viewer.h"
#include "platform/ui/terminal/terminal_backend.h"
#include "platform/ui/terminal/terminal_screen.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>

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

// The first filter of a file dialog: its description and its patterns
// ("*.txt;*.text"), from the platform's NUL-separated pairs.
std::pair<std::u16string, std::u16string> FirstFilter(const std::u16string& filter) {
    const std::size_t end = filter.find(u'\0');
    if (end == std::u16string::npos)
        return {};
    const std::size_t patternEnd = filter.find(u'\0', end + 1);
    if (patternEnd == std::u16string::npos)
        return {filter.substr(0, end), u""};
    return {filter.substr(0, end), filter.substr(end + 1, patternEnd - end - 1)};
}

// The names of the files in `folder` that match one of `patterns`
// (';'-separated; none: every file), sorted; empty when it cannot be read.
std::vector<std::u16string> FilesMatching(const std::u16string& folder,
                                          const std::u16string& patterns) {
    std::vector<std::string> globs;
    const std::string all = unicode::ToUtf8(patterns);
    for (std::size_t start = 0; start <= all.size();) {
        const std::size_t semicolon = std::min(all.find(';', start), all.size());
        std::string glob = all.substr(start, semicolon - start);
        // As on the platform, "*.*" is every file, and case does not matter.
        if (glob == "*.*")
            glob = "*";
        if (!glob.empty())
            globs.push_back(glob);
        start = semicolon + 1;
    }
    std::vector<std::u16string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(unicode::ToUtf8(folder), error), last;
    // A folder that cannot be read, or stops being readable, lists what was read.
    for (; !error && it != last; it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        const std::string file = it->path().filename().string();
        const bool matches =
            globs.empty() || std::any_of(globs.begin(), globs.end(), [&](const std::string& g) {
                return fnmatch(g.c_str(), file.c_str(), FNM_CASEFOLD) == 0;
            });
        if (matches)
            names.push_back(unicode::ToUtf16(file));
    }
    std::sort(names.begin(), names.end());
    return names;
}

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

} // namespace

int TerminalBackend::RunButtonBox(const std::u16string& title, const std::u16string& text,
                                  const std::vector<int>& buttons, int defaultButton, int escape) {
    if (buttons.empty())
        return 0;
    // A button's first letter chooses it, so that letter is the one marked.
    std::vector<terminal::MenuLabel> labels;
    int buttonsWidth = 0;
    for (int id : buttons) {
        const std::u16string name = ButtonName(id);
        labels.push_back(terminal::ButtonFace({name, name.empty() ? u'\0' : Lower(name[0]),
                                               name.empty() ? std::u16string::npos : 0}));
        buttonsWidth += static_cast<int>(TextCells(labels.back().text)) + 2;
    }
    const int maxWidth = std::max(10, terminal::ScreenCols() - 6);
    const auto lines = terminal::WrapText(text, maxWidth);
    int width = std::max<int>(buttonsWidth, static_cast<int>(TextCells(title)) + 4);
    for (const auto& line : lines)
        width = std::max(width, static_cast<int>(TextCells(line)));
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
            const int w = static_cast<int>(TextCells(labels[i].text));
            terminal::PutLabel(buttonRow, col, labels[i], w,
                               terminal::ButtonAttr(static_cast<int>(i) == selected, true));
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
    const auto document = LoadHelpFile(helpFile);
    if (document.ok())
        terminal::RunHelpViewer(document.value(), u"Help: " + helpFile,
                                [&] { terminal::DrawWindows(m_waitDepth); });
    else
        RunButtonBox(u"Help", unicode::ToUtf16(document.status().message()), {IDOK}, IDOK, IDOK);
    m_dirty = true;
}

std::optional<std::u16string> TerminalBackend::ChooseFile(const FileDialogPrompt& prompt) {
    const std::u16string folder = prompt.initialDirectory.empty()
                                      ? unicode::ToUtf16(DocumentsFolder())
                                      : prompt.initialDirectory;
    const auto [types, pattern] = FirstFilter(prompt.filter);
    const std::vector<std::u16string> files = FilesMatching(folder, pattern);
    std::u16string name = prompt.initialFile;
    int chosen = -1; // the file of the list the arrows last chose
    const int width = std::max(20, std::min(70, terminal::ScreenCols() - 6));
    const int listRows =
        std::max(0, std::min(static_cast<int>(files.size()), terminal::ScreenRows() - 12));
    for (;;) {
        terminal::DrawWindows(m_waitDepth);
        const CellRect box = CentredBox(6 + listRows, width);
        terminal::DrawBox(box, prompt.title, terminal::NormalAttr());
        int row = box.row + 1;
        const auto line = [&](const std::u16string& text, terminal::Attr attr, bool pad) {
            terminal::PutText(row++, box.col + 2, text, width, attr, pad);
        };
        line(u"Folder: " + folder, terminal::NormalAttr(), false);
        line(types.empty() ? u"Type: all files" : u"Type: " + types, terminal::NormalAttr(), false);
        // The list scrolls with the choice.
        const int first = std::max(0, chosen - listRows + 1);
        for (int i = first; i < first + listRows; ++i)
            line(files[static_cast<std::size_t>(i)],
                 i == chosen ? terminal::ReverseAttr() : terminal::NormalAttr(), true);
        line(u"File name:", terminal::NormalAttr(), false);
        // The end of a long name stays in sight.
        std::size_t shownFrom = 0;
        while (TextCells(name, shownFrom, name.size()) >= static_cast<std::size_t>(width))
            shownFrom += detail::CodePointAt(name, shownFrom).second;
        line(name.substr(shownFrom), terminal::ReverseAttr(), true);
        line(u"Enter: OK   Esc: Cancel   Up/Down: files", terminal::NormalAttr(), false);
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
        } else if ((key.virtualKey == VK_UP || key.virtualKey == VK_DOWN) && !files.empty()) {
            const int n = static_cast<int>(files.size());
            chosen =
                key.virtualKey == VK_DOWN ? std::min(n - 1, chosen + 1) : std::max(0, chosen - 1);
            name = files[static_cast<std::size_t>(chosen)];
        } else if (key.virtualKey == VK_BACK) {
            if (!name.empty())
                name.pop_back();
            if (!name.empty() && name.back() >= 0xD800 && name.back() <= 0xDBFF)
                name.pop_back(); // the rest of a surrogate pair
        } else if (key.character >= 0x20 && !(key.modifiers & (FCONTROL | FALT))) {
            name += key.character;
            if (key.trail)
                name += key.trail;
        }
    }
}

void TerminalBackend::RunModalDialog(HWND dialog, const std::u16string&) {
    terminal::FitDialogToText(dialog);
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
        if (input->kind == Input::Kind::Paste) {
            terminal::DeliverPaste(input->text);
            continue;
        }
        if (input->kind != Input::Kind::Key)
            continue;
        const auto& key = input->key;
        // F10 opens the dialog's system menu; its command reaches the dialog
        // as WM_SYSCOMMAND.
        if (key.virtualKey == VK_F10 && key.modifiers == 0) {
            if (HMENU menu = GetSystemMenu(dialog, FALSE)) {
                GetWindowRect(dialog, &r);
                const CellRect frame = terminal::CellsOf(r);
                if (const UINT command = terminal::RunPopupMenu(
                        dialog, menu, frame.row + 1, frame.col + 1, [this] { Redraw(); }))
                    SendMessageW(dialog, WM_SYSCOMMAND, command, 0);
                m_dirty = true;
            }
            continue;
        }
        HWND focus = GetFocus();
        // A control that wants every key (a multi-line edit) gets Tab and
        // Enter as typed, character included, as the platform's message
        // loop delivers them.
        const bool controlTakesKey =
            key.virtualKey != VK_ESCAPE && focus && IsChild(dialog, focus) &&
            (SendMessageW(focus, WM_GETDLGCODE, key.virtualKey, 0) & DLGC_WANTALLKEYS);
        if (!controlTakesKey && (key.virtualKey == VK_TAB || key.virtualKey == VK_RETURN ||
                                 key.virtualKey == VK_ESCAPE)) {
            // The dialog manager's own keys: next control, default button, Cancel.
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
        PostKeyStroke(key.virtualKey, key.modifiers, key.character, key.trail);
    }
}

} // namespace ui
