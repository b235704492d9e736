// The combo box ("combobox"): a list of items with one selected, and for the
// drop-down and simple styles a text field of its own.
#include "platform/ui/item_list.h"
#include "platform/ui/window_impl.h"

#include <algorithm>

namespace {

using ui::detail::Find;
using ui::detail::ItemList;

struct ComboState : ui::detail::ControlState {
    ItemList items;
    int current = -1;
    std::u16string editText; // drop-down and simple styles
};

ComboState* State(HWND hwnd) {
    return ui::detail::ControlOf<ComboState>(hwnd);
}
bool HasEdit(HWND hwnd) {
    return (Find(hwnd)->style & 0x3) != CBS_DROPDOWNLIST;
}

std::u16string ShownText(HWND hwnd, const ComboState& s) {
    if (HasEdit(hwnd))
        return s.editText;
    return s.items.Valid(s.current) ? std::u16string(s.items.Text(s.current)) : std::u16string();
}

void Select(HWND hwnd, ComboState& s, int index) {
    s.current = index;
    if (HasEdit(hwnd))
        s.editText = s.items.Valid(index) ? s.items.Text(index) : std::u16string_view();
    ui::detail::NeedsPaint(hwnd);
}

void UserSelect(HWND hwnd, ComboState& s, int index) {
    if (!s.items.Valid(index) || index == s.current)
        return;
    Select(hwnd, s, index);
    ui::detail::NotifyParent(hwnd, CBN_SELCHANGE);
}

LRESULT ComboBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        Find(hwnd)->control = std::make_unique<ComboState>();
        return TRUE;
    }
    ComboState* s = State(hwnd);
    if (!s)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    const int index = static_cast<int>(static_cast<LONG>(wParam));
    const auto text = [lParam] {
        return std::u16string_view(lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"");
    };
    switch (msg) {
    case CB_ADDSTRING: {
        const int at =
            s->items.Add(text(), Find(hwnd)->style & CBS_SORT ? ItemList::Order::Sorted
                                                              : ItemList::Order::AsAdded);
        if (at == ItemList::kNoRoom)
            return CB_ERRSPACE;
        if (s->current >= at)
            ++s->current;
        return at;
    }
    case CB_INSERTSTRING: {
        const int at = s->items.Insert(index, text());
        if (at >= 0 && s->current >= at)
            ++s->current;
        return at == ItemList::kNoRoom ? CB_ERRSPACE : at < 0 ? CB_ERR : at;
    }
    case CB_DELETESTRING:
        if (!s->items.Delete(index))
            return CB_ERR;
        s->current = s->current == index ? -1 : s->current > index ? s->current - 1 : s->current;
        return s->items.Count();
    case CB_RESETCONTENT:
        s->items.Clear();
        s->current = -1;
        s->editText.clear();
        ui::detail::NeedsPaint(hwnd);
        return CB_OKAY;
    case CB_GETCOUNT:
        return s->items.Count();
    case CB_SETCURSEL:
        if (index < -1 || index >= s->items.Count())
            return CB_ERR;
        Select(hwnd, *s, index);
        return index == -1 ? CB_ERR : index;
    case CB_GETCURSEL:
        return s->current;
    case CB_GETLBTEXT:
        if (!s->items.Valid(index) || !lParam)
            return CB_ERR;
        return static_cast<LRESULT>(s->items.CopyText(index, reinterpret_cast<LPWSTR>(lParam)));
    case CB_GETLBTEXTLEN:
        return s->items.Valid(index) ? static_cast<LRESULT>(s->items.Text(index).size()) : CB_ERR;
    case CB_SETITEMDATA:
        if (!s->items.Valid(index))
            return CB_ERR;
        s->items[index].data = lParam;
        return CB_OKAY;
    case CB_GETITEMDATA:
        return s->items.Valid(index) ? s->items[index].data : CB_ERR;
    case CB_FINDSTRING:
        return s->items.FindPrefix(index, text());
    case CB_FINDSTRINGEXACT:
        return s->items.FindExact(index, text());
    case CB_SELECTSTRING: {
        const int found = s->items.FindPrefix(index, text());
        if (found >= 0)
            Select(hwnd, *s, found);
        return found;
    }
    case WM_SETTEXT:
        // Only a combo box with a text field has text of its own.
        if (!HasEdit(hwnd))
            return CB_ERR;
        s->editText = text();
        ui::detail::NeedsPaint(hwnd);
        return TRUE;
    case WM_GETTEXT: {
        const auto shown = ShownText(hwnd, *s);
        auto* out = reinterpret_cast<LPWSTR>(lParam);
        if (!out || wParam == 0)
            return 0;
        const std::size_t n = std::min<std::size_t>(wParam - 1, shown.size());
        std::copy_n(shown.data(), n, out);
        out[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(ShownText(hwnd, *s).size());
    case WM_KEYDOWN:
        if (!IsWindowEnabled(hwnd))
            return 0;
        if (wParam == VK_UP)
            UserSelect(hwnd, *s, std::max(0, s->current - 1));
        else if (wParam == VK_DOWN)
            UserSelect(hwnd, *s, std::min(s->items.Count() - 1, s->current + 1));
        return 0;
    case WM_CHAR: {
        const WCHAR c = static_cast<WCHAR>(wParam);
        if (!IsWindowEnabled(hwnd))
            return 0;
        if (!HasEdit(hwnd)) {
            if (c >= 0x20)
                UserSelect(hwnd, *s, s->items.FindPrefix(s->current, std::u16string_view(&c, 1)));
            return 0;
        }
        if (c == VK_BACK && !s->editText.empty())
            s->editText.pop_back();
        else if (c >= 0x20)
            s->editText += c;
        else
            return 0;
        ui::detail::NeedsPaint(hwnd);
        ui::detail::NotifyParent(hwnd, CBN_EDITCHANGE);
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_PAINT:
        ui::detail::PaintControl(hwnd, WM_CTLCOLOREDIT);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace

namespace ui::detail {
void RegisterComboBoxClass() {
    RegisterSystemClass(u"combobox", ComboBoxProc);
}
} // namespace ui::detail
