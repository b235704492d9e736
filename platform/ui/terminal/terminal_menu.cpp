// The command bar's menus in the terminal: F10 or Alt+mnemonic opens a title,
// arrows move, Enter or the item's mnemonic chooses, Escape goes back.
// A chosen command is posted to the frame, as the platform's menu does.
#include "platform/ui/commctrl.h"
#include "platform/ui/menu.h"
#include "platform/ui/terminal/terminal_screen.h"

#include <algorithm>

namespace ui::terminal {

namespace {

struct Item {
    MenuLabel label;     // without the accelerator text
    std::u16string keys; // the accelerator text after the tab
    HMENU popup = nullptr;
    UINT command = 0;
    bool separator = false;
    bool grayed = false;
    bool checked = false;
};

std::vector<Item> ItemsOf(HMENU menu) {
    std::vector<Item> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        const UINT pos = static_cast<UINT>(i);
        Item item;
        item.popup = GetSubMenu(menu, i);
        const UINT state = GetMenuState(menu, pos, MF_BYPOSITION);
        // A popup's state holds its item count above the low byte.
        const UINT flags = item.popup ? (state & 0xFF) : state;
        item.separator = !item.popup && (flags & MF_SEPARATOR);
        item.grayed = (flags & (MF_GRAYED | MF_DISABLED)) != 0;
        item.checked = (flags & MF_CHECKED) != 0;
        item.command = item.popup ? 0 : GetMenuItemID(menu, i);
        char16_t text[256] = {};
        GetMenuStringW(menu, pos, text, 256, MF_BYPOSITION);
        std::u16string_view whole(text);
        const std::size_t tab = whole.find(u'\t');
        item.label = ParseMenuLabel(whole.substr(0, tab));
        if (tab != std::u16string_view::npos)
            item.keys = whole.substr(tab + 1);
        items.push_back(std::move(item));
    }
    return items;
}

struct Level {
    HMENU menu;
    std::vector<Item> items;
    int selected;
    CellRect box;
};

int NextSelectable(const std::vector<Item>& items, int from, int step) {
    const int n = static_cast<int>(items.size());
    for (int k = 1; k <= n; ++k) {
        const int i = ((from + step * k) % n + n) % n;
        if (!items[static_cast<std::size_t>(i)].separator)
            return i;
    }
    return -1;
}

int BoxWidth(const std::vector<Item>& items) {
    std::size_t label = 0, keys = 0;
    for (const Item& item : items) {
        label = std::max(label, TextCells(item.label.text));
        keys = std::max(keys, TextCells(item.keys));
    }
    // Check mark, label, gap, keys or popup arrow, and the frame.
    return static_cast<int>(2 + label + 2 + std::max<std::size_t>(keys, 1) + 1 + 2);
}

Level OpenLevel(HWND frame, HMENU menu, int titleIndex, int row, int col) {
    // The frame brings the items' states up to date first, as on the platform.
    SendMessageW(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
                 MAKELPARAM(static_cast<WORD>(titleIndex), 0));
    Level level{menu, ItemsOf(menu), -1, {}};
    level.selected = NextSelectable(level.items, -1, 1);
    const int rows = static_cast<int>(level.items.size()) + 2;
    const int cols = BoxWidth(level.items);
    level.box = {std::max(0, std::min(row, ScreenRows() - rows)),
                 std::max(0, std::min(col, ScreenCols() - cols)), rows, cols};
    return level;
}

void DrawLevel(const Level& level) {
    DrawBox(level.box, u"", NormalAttr());
    const int inner = level.box.cols - 2;
    for (std::size_t i = 0; i < level.items.size(); ++i) {
        const Item& item = level.items[i];
        const int row = level.box.row + 1 + static_cast<int>(i);
        const int col = level.box.col + 1;
        if (item.separator) {
            PutText(row, col, std::u16string(static_cast<std::size_t>(inner), u'-'), inner,
                    NormalAttr());
            continue;
        }
        MenuLabel line{(item.checked ? u"* " : u"  ") + item.label.text, item.label.mnemonic,
                       item.label.mnemonicAt};
        if (line.mnemonicAt != std::u16string::npos)
            line.mnemonicAt += 2;
        const std::u16string right = item.popup ? u">" : item.keys;
        // The label cut or padded so that the keys or the arrow end at the edge.
        const auto room =
            static_cast<std::size_t>(std::max(0, inner - 1 - static_cast<int>(TextCells(right))));
        line.text.resize(PositionAtCell(line.text, 0, line.text.size(), room));
        line.text.append(room - std::min(room, TextCells(line.text)), u' ');
        line.text += right;
        Attr attr = item.grayed ? DimAttr() : NormalAttr();
        if (static_cast<int>(i) == level.selected)
            attr |= ReverseAttr();
        PutLabel(row, col, line, inner, attr, true);
    }
}

} // namespace

void RunMenuBar(const DrawnScreen& screen, int first, const std::function<DrawnScreen()>& redraw) {
    HMENU bar = screen.commandBar ? CommandBar_GetMenu(screen.commandBar, 0) : nullptr;
    if (!bar)
        return;
    const HWND frame = screen.frame;
    std::vector<BarSlot> titles;
    for (const BarSlot& slot : screen.slots)
        if (slot.kind == BarSlot::Kind::Menu)
            titles.push_back(slot);
    if (titles.empty())
        return;
    const int count = static_cast<int>(titles.size());
    int title = std::clamp(first, 0, count - 1);
    std::vector<Level> levels;
    auto openTitle = [&](int t) {
        title = (t % count + count) % count;
        levels.clear();
        const BarSlot& slot = titles[static_cast<std::size_t>(title)];
        if (HMENU popup = GetSubMenu(bar, slot.index))
            levels.push_back(OpenLevel(frame, popup, slot.index, slot.row + 1, slot.col));
    };
    // True when the menu is done (a command was posted).
    auto choose = [&](int index) {
        if (levels.empty() || index < 0)
            return false;
        Level& level = levels.back();
        level.selected = index;
        const Item& item = level.items[static_cast<std::size_t>(index)];
        if (item.separator || item.grayed)
            return false;
        if (item.popup) {
            levels.push_back(OpenLevel(frame, item.popup, index, level.box.row + 1 + index,
                                       level.box.col + level.box.cols - 1));
            return false;
        }
        PostMessageW(frame, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(item.command), 0), 0);
        return true;
    };
    openTitle(title);
    for (;;) {
        redraw();
        const BarSlot& slot = titles[static_cast<std::size_t>(title)];
        char16_t text[128] = {};
        GetMenuStringW(bar, static_cast<UINT>(slot.index), text, 128, MF_BYPOSITION);
        const MenuLabel shown = ParseMenuLabel(text);
        PutText(slot.row, slot.col, u" ", 1, NormalAttr() | BoldAttr());
        PutLabel(slot.row, slot.col + 1, shown, slot.cols - 1, NormalAttr() | BoldAttr(), true);
        for (const Level& level : levels)
            DrawLevel(level);
        Present();
        const auto input = ReadInput(-1);
        if (!input)
            continue;
        if (input->kind == Input::Kind::Tap) {
            if (!levels.empty()) {
                const CellRect& box = levels.back().box;
                const int index = input->row - box.row - 1;
                if (input->col > box.col && input->col < box.col + box.cols - 1 && index >= 0 &&
                    index < static_cast<int>(levels.back().items.size())) {
                    if (choose(index))
                        return;
                    continue;
                }
            }
            const auto hit = std::find_if(titles.begin(), titles.end(), [&](const BarSlot& s) {
                return input->row == s.row && input->col >= s.col && input->col < s.col + s.cols;
            });
            if (hit == titles.end())
                return; // a tap outside closes the menu
            openTitle(static_cast<int>(hit - titles.begin()));
            continue;
        }
        if (input->kind != Input::Kind::Key)
            continue;
        const KeyStroke key = input->key;
        Level* level = levels.empty() ? nullptr : &levels.back();
        switch (key.virtualKey) {
        case VK_ESCAPE:
            if (levels.size() <= 1)
                return;
            levels.pop_back();
            break;
        case VK_F10:
            return;
        case VK_LEFT:
            if (levels.size() > 1)
                levels.pop_back();
            else
                openTitle(title - 1);
            break;
        case VK_RIGHT:
            if (level && level->selected >= 0 &&
                level->items[static_cast<std::size_t>(level->selected)].popup)
                choose(level->selected);
            else
                openTitle(title + 1);
            break;
        case VK_UP:
        case VK_DOWN:
            if (level)
                level->selected =
                    NextSelectable(level->items, level->selected, key.virtualKey == VK_UP ? -1 : 1);
            break;
        case VK_RETURN:
        case VK_SPACE:
            if (level && choose(level->selected))
                return;
            break;
        default:
            if (!level || !key.character)
                break;
            const char16_t c = key.character >= u'A' && key.character <= u'Z'
                                   ? static_cast<char16_t>(key.character - u'A' + u'a')
                                   : key.character;
            for (std::size_t i = 0; i < level->items.size(); ++i) {
                if (level->items[i].label.mnemonic == c) {
                    if (choose(static_cast<int>(i)))
                        return;
                    break;
                }
            }
        }
    }
}

UINT RunPopupMenu(HWND owner, HMENU menu, int row, int col, const std::function<void()>& redraw) {
    Level level = OpenLevel(owner, menu, 0, row, col);
    // The command of item `index`, or 0 when it cannot be chosen.
    auto commandOf = [&](int index) -> UINT {
        if (index < 0 || index >= static_cast<int>(level.items.size()))
            return 0;
        const Item& item = level.items[static_cast<std::size_t>(index)];
        return item.separator || item.grayed || item.popup ? 0 : item.command;
    };
    for (;;) {
        redraw();
        DrawLevel(level);
        Present();
        const auto input = ReadInput(-1);
        if (!input)
            continue;
        if (input->kind == Input::Kind::Tap) {
            const CellRect& box = level.box;
            if (input->col <= box.col || input->col >= box.col + box.cols - 1)
                return 0;
            if (const UINT command = commandOf(input->row - box.row - 1))
                return command;
            continue;
        }
        if (input->kind != Input::Kind::Key)
            continue;
        const KeyStroke key = input->key;
        switch (key.virtualKey) {
        case VK_ESCAPE:
        case VK_F10:
            return 0;
        case VK_UP:
        case VK_DOWN:
            level.selected =
                NextSelectable(level.items, level.selected, key.virtualKey == VK_UP ? -1 : 1);
            break;
        case VK_RETURN:
        case VK_SPACE:
            if (const UINT command = commandOf(level.selected))
                return command;
            break;
        default: {
            const char16_t c = key.character >= u'A' && key.character <= u'Z'
                                   ? static_cast<char16_t>(key.character - u'A' + u'a')
                                   : key.character;
            for (std::size_t i = 0; c && i < level.items.size(); ++i)
                if (level.items[i].label.mnemonic == c)
                    if (const UINT command = commandOf(static_cast<int>(i)))
                        return command;
        }
        }
    }
}

} // namespace ui::terminal
