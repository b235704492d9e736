// The list box ("listbox"): unsorted or sorted (case-insensitive) items with
// item data, single or multiple selection, prefix search, and LBN_SELCHANGE
// to the parent when the user changes the selection.
#include "platform/ui/item_list.h"
#include "platform/ui/window_impl.h"

#include <algorithm>
#include <climits>

namespace {

using ui::detail::Find;
using ui::detail::ItemList;

struct ListBoxState : ui::detail::ControlState {
    ItemList items;
    int current = -1; // single selection: the selected item
    int caret = -1;   // the item with the focus rectangle
    int top = 0;      // the first item shown
};

ListBoxState* State(HWND hwnd) {
    return ui::detail::ControlOf<ListBoxState>(hwnd);
}
DWORD Style(HWND hwnd) {
    return Find(hwnd)->style;
}
bool Multiple(HWND hwnd) {
    return Style(hwnd) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL);
}
bool Notifies(HWND hwnd) {
    return Style(hwnd) & LBS_NOTIFY;
}

int VisibleRows(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return std::max(1, static_cast<int>(r.bottom) / ui::kLineHeight);
}

void Show(HWND hwnd, ListBoxState& s, int index) {
    if (index < 0)
        return;
    if (index < s.top)
        s.top = index;
    else if (index >= s.top + VisibleRows(hwnd))
        s.top = index - VisibleRows(hwnd) + 1;
}

void Changed(HWND hwnd) {
    if (!(Style(hwnd) & LBS_NOREDRAW))
        ui::detail::NeedsPaint(hwnd);
}

// The selection change a user makes by stylus or keyboard.
void UserSelect(HWND hwnd, ListBoxState& s, int index) {
    if (!s.items.Valid(index))
        return;
    s.caret = index;
    Show(hwnd, s, index);
    if (Multiple(hwnd)) {
        s.items[index].selected = !s.items[index].selected;
    } else {
        if (s.current == index) {
            Changed(hwnd);
            return;
        }
        s.current = index;
    }
    Changed(hwnd);
    if (Notifies(hwnd))
        ui::detail::NotifyParent(hwnd, LBN_SELCHANGE);
}

LRESULT CopyItemText(const ListBoxState& s, WPARAM index, LPARAM buffer) {
    const int i = static_cast<int>(index);
    if (!s.items.Valid(i) || !buffer)
        return LB_ERR;
    return static_cast<LRESULT>(s.items.CopyText(i, reinterpret_cast<LPWSTR>(buffer)));
}

LRESULT KeyDown(HWND hwnd, ListBoxState& s, UINT key) {
    const int last = s.items.Count() - 1;
    // A list of many choices has its focus on the first line until the
    // person moves it, so that Space chooses something from the start.
    if (Multiple(hwnd) && s.caret < 0 && last >= 0)
        s.caret = 0;
    const int from = Multiple(hwnd) ? s.caret : s.current;
    int to = from;
    switch (key) {
    case VK_UP:
        to = std::max(0, from - 1);
        break;
    case VK_DOWN:
        to = std::min(last, from + 1);
        break;
    case VK_PRIOR:
        to = std::max(0, from - VisibleRows(hwnd));
        break;
    case VK_NEXT:
        to = std::min(last, from + VisibleRows(hwnd));
        break;
    case VK_HOME:
        to = 0;
        break;
    case VK_END:
        to = last;
        break;
    case VK_SPACE:
        if (Multiple(hwnd))
            UserSelect(hwnd, s, s.caret);
        return 0;
    default:
        return DefWindowProcW(hwnd, WM_KEYDOWN, key, 0);
    }
    if (last < 0)
        return 0;
    if (Multiple(hwnd)) {
        s.caret = to;
        Show(hwnd, s, to);
        Changed(hwnd);
        if (Notifies(hwnd))
            ui::detail::NotifyParent(hwnd, LBN_SELCHANGE);
    } else {
        UserSelect(hwnd, s, to);
    }
    return 0;
}

LRESULT ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        Find(hwnd)->control = std::make_unique<ListBoxState>();
        return TRUE;
    }
    ListBoxState* s = State(hwnd);
    if (!s)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    const int index = static_cast<int>(static_cast<LONG>(wParam));
    const auto text = [lParam] {
        return std::u16string_view(lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"");
    };
    switch (msg) {
    case LB_ADDSTRING: {
        const int at = s->items.Add(text(), Style(hwnd) & LBS_SORT ? ItemList::Order::Sorted
                                                                   : ItemList::Order::AsAdded);
        if (at == ItemList::kNoRoom)
            return LB_ERRSPACE;
        if (s->current >= at)
            ++s->current;
        if (s->caret >= at)
            ++s->caret;
        Changed(hwnd);
        return at;
    }
    case LB_INSERTSTRING: {
        const int at = s->items.Insert(index, text());
        if (at < 0)
            return at == ItemList::kNoRoom ? LB_ERRSPACE : LB_ERR;
        if (s->current >= at)
            ++s->current;
        if (s->caret >= at)
            ++s->caret;
        Changed(hwnd);
        return at;
    }
    case LB_DELETESTRING:
        if (!s->items.Delete(index))
            return LB_ERR;
        for (int* i : {&s->current, &s->caret})
            *i = *i == index ? -1 : *i > index ? *i - 1 : *i;
        s->top = std::clamp(s->top, 0, std::max(0, s->items.Count() - 1));
        Changed(hwnd);
        return s->items.Count();
    case LB_RESETCONTENT:
        s->items.Clear();
        s->current = s->caret = -1;
        s->top = 0;
        Changed(hwnd);
        return 0;
    case LB_SETCURSEL:
        if (Multiple(hwnd) || index < -1 || index >= s->items.Count())
            return LB_ERR;
        s->current = s->caret = index;
        Show(hwnd, *s, index);
        Changed(hwnd);
        // -1 clears the selection and still answers LB_ERR, as on the platform.
        return index == -1 ? LB_ERR : index;
    case LB_GETCURSEL:
        return Multiple(hwnd) ? s->caret : s->current;
    case LB_SETSEL: {
        const int item = static_cast<int>(static_cast<LONG>(lParam));
        if (!Multiple(hwnd) || item < -1 || item >= s->items.Count())
            return LB_ERR;
        for (int i = item == -1 ? 0 : item; i <= (item == -1 ? s->items.Count() - 1 : item); ++i)
            s->items[i].selected = wParam != 0;
        Changed(hwnd);
        return 0;
    }
    case LB_GETSEL:
        if (!s->items.Valid(index))
            return LB_ERR;
        return Multiple(hwnd) ? (s->items[index].selected ? 1 : 0) : (s->current == index ? 1 : 0);
    case LB_GETSELCOUNT: {
        if (!Multiple(hwnd))
            return LB_ERR;
        int count = 0;
        for (int i = 0; i < s->items.Count(); ++i)
            count += s->items[i].selected ? 1 : 0;
        return count;
    }
    case LB_GETSELITEMS: {
        if (!Multiple(hwnd) || !lParam)
            return LB_ERR;
        auto* out = reinterpret_cast<INT*>(lParam);
        int n = 0;
        for (int i = 0; i < s->items.Count() && n < index; ++i)
            if (s->items[i].selected)
                out[n++] = i;
        return n;
    }
    case LB_GETTEXT:
        return CopyItemText(*s, wParam, lParam);
    case LB_GETTEXTLEN:
        return s->items.Valid(index) ? static_cast<LRESULT>(s->items.Text(index).size()) : LB_ERR;
    case LB_GETCOUNT:
        return s->items.Count();
    case LB_SETITEMDATA:
        if (!s->items.Valid(index))
            return LB_ERR;
        s->items[index].data = lParam;
        return LB_OKAY;
    case LB_GETITEMDATA:
        return s->items.Valid(index) ? s->items[index].data : LB_ERR;
    case LB_FINDSTRING:
        return s->items.FindPrefix(index, text());
    case LB_FINDSTRINGEXACT:
        return s->items.FindExact(index, text());
    case LB_SELECTSTRING: {
        const int found = s->items.FindPrefix(index, text());
        if (found < 0)
            return LB_ERR;
        if (Multiple(hwnd))
            s->items[found].selected = true;
        else
            s->current = found;
        s->caret = found;
        Show(hwnd, *s, found);
        Changed(hwnd);
        return found;
    }
    case LB_GETTOPINDEX:
        return s->top;
    case LB_SETTOPINDEX:
        if (!s->items.Valid(index))
            return LB_ERR;
        s->top = index;
        Changed(hwnd);
        return 0;
    case LB_SETCARETINDEX:
        if (!s->items.Valid(index))
            return LB_ERR;
        s->caret = index;
        Show(hwnd, *s, index);
        Changed(hwnd);
        return 0;
    case LB_GETCARETINDEX:
        return s->caret;
    case LB_GETITEMHEIGHT:
        return ui::kLineHeight;
    case LB_INITSTORAGE: {
        // Indexes are ints: a list box never holds more than INT_MAX items.
        // lParam: the bytes of their texts, a hint taken as it comes.
        const auto bytes = static_cast<std::size_t>(lParam);
        std::size_t room = 0;
        if (wParam > static_cast<WPARAM>(INT_MAX - s->items.Count()) ||
            !s->items.Reserve(wParam, bytes / sizeof(WCHAR) + bytes % sizeof(WCHAR), &room))
            return LB_ERRSPACE;
        return static_cast<LRESULT>(std::min<std::size_t>(room, INT_MAX));
    }
    case WM_LBUTTONDOWN:
        if (IsWindowEnabled(hwnd)) {
            SetFocus(hwnd);
            if ((s = State(hwnd)))
                UserSelect(hwnd, *s, s->top + GET_Y_LPARAM(lParam) / ui::kLineHeight);
        }
        return 0;
    case WM_LBUTTONDBLCLK:
        if (Notifies(hwnd))
            ui::detail::NotifyParent(hwnd, LBN_DBLCLK);
        return 0;
    case WM_KEYDOWN:
        return IsWindowEnabled(hwnd) ? KeyDown(hwnd, *s, static_cast<UINT>(wParam)) : 0;
    case WM_CHAR: {
        // Typing a character selects the next item that begins with it.
        const WCHAR c = static_cast<WCHAR>(wParam);
        if (c < 0x20 || !IsWindowEnabled(hwnd))
            return 0;
        const int found =
            s->items.FindPrefix(Multiple(hwnd) ? s->caret : s->current, std::u16string_view(&c, 1));
        if (found >= 0 && !Multiple(hwnd))
            UserSelect(hwnd, *s, found);
        else if (found >= 0)
            SendMessageW(hwnd, LB_SETCARETINDEX, static_cast<WPARAM>(found), 0);
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (Notifies(hwnd))
            ui::detail::NotifyParent(hwnd, msg == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
        Changed(hwnd);
        return 0;
    case WM_SIZE:
        Show(hwnd, *s, Multiple(hwnd) ? s->caret : s->current);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_PAINT:
        ui::detail::PaintControl(hwnd, WM_CTLCOLORLISTBOX);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace

namespace ui::detail {
void RegisterListBoxClass() {
    RegisterSystemClass(u"listbox", ListBoxProc);
}
} // namespace ui::detail
