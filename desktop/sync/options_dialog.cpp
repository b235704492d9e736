#include "desktop/sync/options_dialog.h"

#include "desktop/sync/category_text.h"
#include "desktop/sync/note_store.h"
#include "desktop/sync/string_table.h"
#include "platform/win32/registry.h"
#include "platform/win32/user_ansi.h"

#include <algorithm>
#include <cstring>

namespace {

// While the dialog runs, its procedure reaches the store through this.
CNoteStore* g_pDialogStore = nullptr;

constexpr DWORD kCategoryTextSize = 10000;
constexpr DWORD kVersionNameSize = 256;
// Refresh periods the dialog takes: above 0, below 36000 seconds.
constexpr UINT kRefreshDelayLimit = 36000;

// The colour buttons and the stop colour each stands for, in the order OK
// tests them; "&Nothing" (-1) when none of them is checked.
struct ColorButton {
    int id;
    LONG color;
};
constexpr ColorButton kColorButtons[] = {
    {IDC_BLUE, 0}, {IDC_GREEN, 1}, {IDC_RED, 2}, {IDC_YELLOW, 3}, {IDC_WHITE, 4}};

DialogTemplate MakeTemplate() {
    DialogTemplate t;
    t.caption = u"Jotterwick Options";
    t.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.cx = 226;
    t.cy = 177;
    t.fontName = u"MS Sans Serif";
    t.pointSize = 8;
    const DWORD radio = BS_AUTORADIOBUTTON | WS_TABSTOP;
    t.items = {
        ui::DialogControl(u"button", u"Synchronize Categories", IDC_STATIC, BS_GROUPBOX, 93, 7, 126,
                          141),
        ui::DialogControl(u"button", u"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 115, 156, 50, 14),
        ui::DialogControl(u"button", u"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 169, 156, 50,
                          14),
        ui::DialogControl(u"button", u"Exclude colors", IDC_COLOR_GROUP, BS_GROUPBOX | WS_GROUP, 7,
                          7, 73, 94),
        ui::DialogControl(u"button", u"&Nothing", IDC_NO_COLOR, radio, 15, 17, 60, 14),
        ui::DialogControl(u"button", u"&Blue Notes", IDC_BLUE, radio, 15, 30, 60, 14),
        ui::DialogControl(u"button", u"&Yellow Notes", IDC_YELLOW, radio, 15, 69, 60, 14),
        ui::DialogControl(u"button", u"&Green Notes", IDC_GREEN, radio, 15, 43, 60, 14),
        ui::DialogControl(u"button", u"&White Notes", IDC_WHITE, radio, 15, 82, 60, 15),
        ui::DialogControl(u"button", u"&Red Notes", IDC_RED, radio, 15, 56, 60, 14),
        ui::DialogControl(u"button", u"&Active", IDC_ACTIVE, BS_AUTOCHECKBOX | WS_TABSTOP, 14, 113,
                          61, 16),
        ui::DialogControl(u"listbox", u"", IDC_CATEGORIES,
                          LBS_SORT | LBS_MULTIPLESEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                              WS_VSCROLL | WS_BORDER | WS_TABSTOP,
                          96, 18, 117, 126),
        ui::DialogControl(u"edit", u"", IDC_REFRESH_DELAY,
                          ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 13, 129, 29, 13),
        ui::DialogControl(u"static", u"s", IDC_STATIC, SS_LEFT, 47, 133, 14, 12),
        ui::DialogControl(u"button", u"Auto Refresh", IDC_STATIC, BS_GROUPBOX, 7, 106, 74, 41),
        ui::DialogControl(u"button", u"Use individual\nMS Outlook Session", IDC_INDIVIDUAL_SESSION,
                          BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP, 7, 150, 92, 20),
    };
    return t;
}

std::string Trimmed(std::string_view text) {
    constexpr const char* kSpace = " \t\r\n\f\v";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(kSpace);
    return std::string(text.substr(first, last - first + 1));
}

// The default value of `path` under the first root that has the key, as
// text of up to 10,000 bytes; empty when neither has it.
std::string ReadDefaultText(const std::string& path) {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        std::string text(kCategoryTextSize, '\0');
        DWORD size = kCategoryTextSize;
        DWORD type = 0;
        const LONG rc = RegQueryValueExA(key, nullptr, nullptr, &type,
                                         reinterpret_cast<BYTE*>(text.data()), &size);
        RegCloseKey(key);
        // A value that is not text, or too long for the buffer, offers nothing.
        if (rc != ERROR_SUCCESS || type != REG_SZ)
            return {};
        text.resize(std::min(size, kCategoryTextSize));
        text.resize(strnlen(text.data(), text.size()));
        return text;
    }
    return {};
}

} // namespace

// The store's friends: they read its settings into the dialog and back.
void InitDialog(HWND hDlg, const CNoteStore& store) {
    int colorButton = IDC_NO_COLOR;
    for (const ColorButton& button : kColorButtons)
        if (button.color == store.m_lStopColor)
            colorButton = button.id;
    CheckRadioButton(hDlg, IDC_NO_COLOR, IDC_RED, colorButton);
    CheckDlgButton(hDlg, IDC_ACTIVE, store.m_bRealTime ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_INDIVIDUAL_SESSION,
                   store.m_bIndividualSession ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemInt(hDlg, IDC_REFRESH_DELAY, store.m_dwRefreshDelay, FALSE);
    EnableWindow(GetDlgItem(hDlg, IDC_REFRESH_DELAY), store.m_bRealTime);

    const std::string all(LoadResourceString(IDS_ALL_CATEGORIES));
    const LRESULT allIndex = SendDlgItemMessageA(hDlg, IDC_CATEGORIES, LB_ADDSTRING, 0,
                                                 reinterpret_cast<LPARAM>(all.c_str()));
    if (store.m_arrFilterCats.empty())
        SendDlgItemMessageA(hDlg, IDC_CATEGORIES, LB_SETSEL, TRUE, allIndex);
    for (const std::string& name : OutlookCategories()) {
        // The entry just added is the one selected: a search by prefix could
        // find another that begins alike or differs in letter case.
        const LRESULT index = SendDlgItemMessageA(hDlg, IDC_CATEGORIES, LB_ADDSTRING, 0,
                                                  reinterpret_cast<LPARAM>(name.c_str()));
        if (index >= 0 && std::find(store.m_arrFilterCats.begin(), store.m_arrFilterCats.end(),
                                    name) != store.m_arrFilterCats.end())
            SendDlgItemMessageA(hDlg, IDC_CATEGORIES, LB_SETSEL, TRUE, index);
    }
}

void TakeValues(HWND hDlg, CNoteStore& store) {
    store.m_lStopColor = CNoteStore::kNoStopColor;
    for (const ColorButton& button : kColorButtons) {
        if (IsDlgButtonChecked(hDlg, button.id) == BST_CHECKED) {
            store.m_lStopColor = button.color;
            break;
        }
    }
    store.m_bRealTime = IsDlgButtonChecked(hDlg, IDC_ACTIVE) == BST_CHECKED;
    store.m_bIndividualSession = IsDlgButtonChecked(hDlg, IDC_INDIVIDUAL_SESSION) == BST_CHECKED;
    BOOL translated = FALSE;
    const UINT delay = GetDlgItemInt(hDlg, IDC_REFRESH_DELAY, &translated, FALSE);
    if (translated && delay > 0 && delay < kRefreshDelayLimit)
        store.m_dwRefreshDelay = delay;

    const std::string all(LoadResourceString(IDS_ALL_CATEGORIES));
    store.m_arrFilterCats.clear();
    const LRESULT count = SendDlgItemMessageA(hDlg, IDC_CATEGORIES, LB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        if (SendDlgItemMessageA(hDlg, IDC_CATEGORIES, LB_GETSEL, index, 0) <= 0)
            continue;
        const LRESULT length = SendDlgItemMessageA(hDlg, IDC_CATEGORIES, LB_GETTEXTLEN, index, 0);
        if (length < 0)
            continue;
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        SendDlgItemMessageA(hDlg, IDC_CATEGORIES, LB_GETTEXT, index,
                            reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        if (text != all)
            store.m_arrFilterCats.push_back(std::move(text));
    }
}

INT_PTR OptionsDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
    CNoteStore* store = g_pDialogStore;
    if (store == nullptr)
        return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(hDlg, *store);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            TakeValues(hDlg, *store);
            EndDialog(hDlg, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(hDlg, IDCANCEL);
            return TRUE;
        case IDC_ACTIVE:
            EnableWindow(GetDlgItem(hDlg, IDC_REFRESH_DELAY),
                         IsDlgButtonChecked(hDlg, IDC_ACTIVE) == BST_CHECKED);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

const DialogTemplate& OptionsDialogTemplate() {
    static const DialogTemplate dialog = MakeTemplate();
    return dialog;
}

INT_PTR RunOptionsDialog(CNoteStore* store, HWND parent) {
    g_pDialogStore = store;
    const INT_PTR result =
        DialogBoxIndirectParamW(nullptr, &OptionsDialogTemplate(), parent, OptionsDialogProc, 0);
    g_pDialogStore = nullptr;
    return result;
}

std::string OfficeVersion() {
    HKEY office = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Office", 0, KEY_READ, &office) !=
        ERROR_SUCCESS)
        return {};
    std::string chosen;
    for (DWORD index = 0;; ++index) {
        char name[kVersionNameSize];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(office, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        const std::string_view candidate(name, length);
        // Longest first, then the greatest by unsigned bytes: 10.0 over 9.0.
        if (candidate.size() > chosen.size() ||
            (candidate.size() == chosen.size() &&
             std::memcmp(candidate.data(), chosen.data(), chosen.size()) > 0))
            chosen = candidate;
    }
    RegCloseKey(office);
    return chosen;
}

std::vector<std::string> OutlookCategories() {
    const std::string version = OfficeVersion();
    if (version.empty())
        return {};
    const std::string text =
        ReadDefaultText("Software\\Microsoft\\Office\\" + version + "\\Outlook\\Categories");
    const std::string separator = ListSeparator();
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= text.size(); ++at) {
        if (at < text.size() && separator.find(text[at]) == std::string::npos)
            continue;
        // Text after the last separator is an entry too.
        if (std::string name = Trimmed(std::string_view(text).substr(start, at - start));
            !name.empty())
            names.push_back(std::move(name));
        start = at + 1;
    }
    return names;
}
