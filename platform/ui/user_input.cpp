// Controls operated as a user operates them, for back ends that apply an
// answer (the headless scripted user) and for tests.
#include "platform/base/case_fold.h"
#include "platform/base/unicode.h"
#include "platform/ui/dialog.h"
#include "platform/ui/window_impl.h"

#include <algorithm>
#include <set>

namespace {

std::u16string ClassOf(HWND hwnd) {
    const auto* w = ui::detail::Find(hwnd);
    return w ? platform::FoldCase(w->className) : std::u16string();
}

std::vector<std::u16string> Lines(const std::u16string& value) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    while (start <= value.size() && !value.empty()) {
        const std::size_t end = value.find(u'\n', start);
        lines.push_back(value.substr(start, end == std::u16string::npos ? end : end - start));
        if (end == std::u16string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

std::u16string ItemText(HWND list, int index) {
    std::u16string text(static_cast<std::size_t>(
                            std::max<LRESULT>(0, SendMessageW(list, LB_GETTEXTLEN, index, 0))) +
                            1,
                        u'\0');
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(
        0, SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data())))));
    return text;
}

// A stylus tap on item `index`: scrolled into view at the top, then tapped.
void TapItem(HWND list, int index) {
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    SendMessageW(list, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
}

bool EnterList(HWND list, const std::u16string& value, std::string* problem) {
    const bool multiple = GetWindowLongW(list, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL);
    const auto wanted = Lines(value);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    std::set<std::u16string> found;
    for (int i = 0; i < count; ++i) {
        const std::u16string text = ItemText(list, i);
        const bool want = std::find(wanted.begin(), wanted.end(), text) != wanted.end();
        if (want)
            found.insert(text);
        if (multiple ? (SendMessageW(list, LB_GETSEL, i, 0) > 0) != want
                     : want && SendMessageW(list, LB_GETCURSEL, 0, 0) != i)
            TapItem(list, i);
    }
    for (const auto& text : wanted) {
        if (!found.count(text)) {
            *problem = "the list has no item '" + unicode::ToUtf8(text) + "'";
            return false;
        }
    }
    if (!multiple && wanted.size() > 1) {
        *problem = "a single-selection list takes one item";
        return false;
    }
    return true;
}

} // namespace

namespace ui {

bool EnterControlValue(HWND control, const std::u16string& value, std::string* problem) {
    std::string ignored;
    if (!problem)
        problem = &ignored;
    if (!IsWindowEnabled(control) || !IsWindowVisible(control)) {
        *problem = "the control is disabled or hidden";
        return false;
    }
    const std::u16string cls = ClassOf(control);
    if (cls == u"edit") {
        if (GetWindowLongW(control, GWL_STYLE) & ES_READONLY) {
            *problem = "the edit control is read-only";
            return false;
        }
        SetFocus(control);
        SendMessageW(control, EM_SETSEL, 0, -1);
        SendMessageW(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(value.c_str()));
        return true;
    }
    if (cls == u"button") {
        if (value != u"0" && value != u"1") {
            *problem = "a button takes 0 or 1";
            return false;
        }
        const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (checked != (value == u"1"))
            SendMessageW(control, BM_CLICK, 0, 0);
        if ((SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) != (value == u"1")) {
            *problem = "the button did not take the state";
            return false;
        }
        return true;
    }
    if (cls == u"listbox")
        return EnterList(control, value, problem);
    if (cls == u"combobox") {
        const LRESULT found = SendMessageW(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(value.c_str()));
        if (found >= 0) {
            if (SendMessageW(control, CB_GETCURSEL, 0, 0) != found) {
                SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
                ui::detail::NotifyParent(control, CBN_SELCHANGE);
            }
            return true;
        }
        if (SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str())) == TRUE) {
            ui::detail::NotifyParent(control, CBN_EDITCHANGE);
            return true;
        }
        *problem = "the combo box has no item '" + unicode::ToUtf8(value) + "'";
        return false;
    }
    *problem = "a control of class '" + unicode::ToUtf8(cls) + "' takes no value";
    return false;
}

} // namespace ui
