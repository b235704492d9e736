#include "jotta_fixture.h"

#include "device/app/note_store.h"
#include "platform/base/unicode.h"
#include "platform/ui/menu.h"

#include <algorithm>

namespace jottatest {

namespace {

HKEY OpenCommon() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kCommonKey, 0, nullptr, 0, 0, nullptr, &key, nullptr);
    return key;
}

void Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

bool BannerVisible() {
    for (HWND top : ui::TopLevelWindows()) {
        WCHAR title[64] = {};
        GetWindowTextW(top, title, 64);
        if (std::u16string(title) == u"Jotterwick Sponsors" && IsWindowVisible(top))
            return true;
    }
    return false;
}

} // namespace

std::optional<DWORD> RegNumber(const char16_t* name) {
    HKEY key = OpenCommon();
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    const LONG status =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD)
        return std::nullopt;
    return value;
}

std::optional<std::u16string> RegString(const char16_t* name) {
    HKEY key = OpenCommon();
    WCHAR buffer[512] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const LONG status =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    return std::u16string(buffer);
}

void SetRegNumber(const char16_t* name, DWORD value) {
    HKEY key = OpenCommon();
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void SetRegString(const char16_t* name, const std::u16string& value) {
    HKEY key = OpenCommon();
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
    RegCloseKey(key);
}

std::string DumpCommon() {
    HKEY key = OpenCommon();
    std::map<std::string, std::string> values;
    for (DWORD i = 0;; ++i) {
        WCHAR name[128] = {};
        DWORD nameLength = 128;
        BYTE data[1024] = {};
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        std::string shown;
        if (type == REG_DWORD)
            shown = std::to_string(*reinterpret_cast<const DWORD*>(data));
        else if (type == REG_SZ)
            shown = "'" + unicode::ToUtf8(reinterpret_cast<const char16_t*>(data)) + "'";
        else
            shown = "type " + std::to_string(type);
        values[unicode::ToUtf8(name)] = shown;
    }
    RegCloseKey(key);
    std::string dump;
    for (const auto& [name, value] : values)
        dump += name + "=" + value + "\n";
    return dump;
}

void PutCategories(std::initializer_list<std::u16string> names) {
    CeCreateDatabase(kCategoriesDatabaseName, 0, 0, nullptr);
    CEOID oid = 0;
    HANDLE db = CeOpenDatabase(&oid, kCategoriesDatabaseName, 0, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, db);
    for (const std::u16string& name : names) {
        CEPROPVAL value = StringProp(PROPID_CATEGORY_NAME, name);
        ASSERT_NE(0u, CeWriteRecordProps(db, 0, 1, &value));
    }
    CloseHandle(db);
}

CEOID PutNote(const std::u16string& text, DWORD color, const std::u16string& categories,
              FILETIME created, FILETIME modified) {
    CEOID oidDb = 0;
    HANDLE cursor = OpenNoteDatabase(&oidDb);
    if (cursor == INVALID_HANDLE_VALUE)
        return 0;
    const std::u16string title = NoteTitleOf(text);
    CEPROPVAL props[] = {
        TimeProp(PROPID_NOTE_MODIFIED, modified), TimeProp(PROPID_NOTE_CREATED, created),
        StringProp(PROPID_NOTE_TITLE, title),     StringProp(PROPID_NOTE_TEXT, text),
        TimeProp(PROPID_NOTE_SYNCTIME1, {}),      TimeProp(PROPID_NOTE_SYNCTIME2, {}),
        NumberProp(PROPID_NOTE_COLOR, color),     StringProp(PROPID_NOTE_CATEGORIES, categories),
    };
    const CEOID oid = CeWriteRecordProps(cursor, 0, 8, props);
    CloseHandle(cursor);
    return oid;
}

void JottaTest::SetUp() {
    user().Finish();
    user().SetProblemHandler([](const std::string& p) { ADD_FAILURE() << "scripted user: " << p; });
    ui::SetScreenSize(640, 240);
    // The banner is shown, then the wait returns at once.
    CJottaApp::SetBannerWait([this] {
        ++bannersShown;
        bannerWasVisible = BannerVisible();
    });
}

void JottaTest::TearDown() {
    if (Running()) {
        // Leave without a question: drop unsaved changes first.
        doc->SetModifiedFlag(FALSE);
        Exit();
    }
    Drain();
    EXPECT_TRUE(user().AssertDone());
    user().SetProblemHandler(nullptr);
    CJottaApp::SetBannerWait(nullptr);
    ui::ClearResources();
}

void JottaTest::Start() {
    app = std::make_unique<CJottaApp>();
    ASSERT_TRUE(app->InitInstance());
    frame = dynamic_cast<CMainFrame*>(app->m_pMainWnd);
    ASSERT_NE(nullptr, frame);
    doc = dynamic_cast<CJottaDoc*>(frame->GetActiveDocument());
    ASSERT_NE(nullptr, doc);
    editor = doc->FindEditorView();
    list = doc->FindListView();
    ASSERT_TRUE(editor && list);
}

void JottaTest::Exit() {
    frame->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(ID_APP_EXIT), 0), 0);
    Drain();
    if (app->m_pMainWnd)
        return; // the user chose to stay
    app->ExitInstance();
    app.reset();
    frame = nullptr;
    doc = nullptr;
    editor = nullptr;
    list = nullptr;
}

void JottaTest::Command(UINT id) {
    frame->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
}

bool JottaTest::Enabled(UINT id) {
    CTestCmdUI state;
    state.m_nID = id;
    state.DoUpdate(frame, TRUE);
    return state.m_bEnabled;
}

bool JottaTest::Checked(UINT id) {
    CTestCmdUI state;
    state.m_nID = id;
    state.DoUpdate(frame, TRUE);
    return state.m_nCheck == 1;
}

void JottaTest::Type(const std::u16string& text) {
    for (char16_t c : text)
        editor->SendMessage(WM_CHAR, c, 1);
}

void JottaTest::TapLine(int line) {
    HWND box = list->List().GetSafeHwnd();
    SendMessageW(box, LB_SETTOPINDEX, static_cast<WPARAM>(line), 0);
    SendMessageW(box, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
    SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
}

void JottaTest::PressKey(UINT vk, std::initializer_list<UINT> modifiers) {
    for (UINT m : modifiers)
        ui::SetKeyDown(m, true);
    MSG msg{GetFocus() ? GetFocus() : frame->GetSafeHwnd(), WM_KEYDOWN, vk, 0, 0, {}};
    if (!frame->PreTranslateMessage(&msg))
        DispatchMessageW(&msg);
    for (UINT m : modifiers)
        ui::SetKeyDown(m, false);
}

} // namespace jottatest
