// The notes program driven in-process as a user drives it: a fresh handheld,
// the program started through its own InitInstance, commands sent as menu
// items send them, characters typed into the editor, lines tapped in the
// note list, the scripted user answering the prompts (any prompt the test
// did not expect fails it), and the registry section "Common" read back.
#pragma once

#include "device/app/jotta_app.h"
#include "device/app/jotta_doc.h"
#include "device/app/jotta_list_view.h"
#include "device/app/jotta_view.h"
#include "device/app/main_frm.h"
#include "device/app/state_probe.h"
#include "device/app/resource.h"
#include "platform/ce/registry.h"
#include "platform/mfc/cmd_ui.h"
#include "platform/ui/headless/scripted_user.h"
#include "platform/ui/message_box.h"
#include "platform/ui/resources.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace jottatest {

inline constexpr char16_t kCommonKey[] = u"Software\\Jotterwick\\Quillmarks\\Common";
inline constexpr char16_t kCaption[] = u"Quillmarks";

// Values of section "Common".
std::optional<DWORD> RegNumber(const char16_t* name);
std::optional<std::u16string> RegString(const char16_t* name);
void SetRegNumber(const char16_t* name, DWORD value);
void SetRegString(const char16_t* name, const std::u16string& value);
// Every value of the section as "name=value" lines, sorted by name.
std::string DumpCommon();

// A note written straight into the database (as the provider or another
// program would), with all eight properties.
CEOID PutNote(const std::u16string& text, DWORD color = NoteYellow,
              const std::u16string& categories = u"", FILETIME created = {1, 1},
              FILETIME modified = {0, 0});

// Category names added to the handheld's categories database, in this order.
void PutCategories(std::initializer_list<std::u16string> names);

class JottaTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program; the banner does not block (its showings are counted).
    void Start();
    // Ends it as the user does with Exit; the scripted user must have any
    // "Save changes?" answer queued.
    void Exit();
    bool Running() const { return app && app->m_pMainWnd; }

    // A command as a menu item or tool button sends it (run only when enabled).
    void Command(UINT id);
    bool Enabled(UINT id);
    bool Checked(UINT id);
    // Characters typed into the editor, as the keyboard types them.
    void Type(const std::u16string& text);
    // The user taps line `line` of the note list.
    void TapLine(int line);
    // The user presses a key with modifiers (VK_CONTROL, VK_SHIFT, VK_MENU).
    void PressKey(UINT vk, std::initializer_list<UINT> modifiers = {});

    std::string State() { return DescribeState(*doc); }
    std::u16string EditorText() { return editor->GetWindowText(); }
    HWND EditorWindow() { return editor->GetSafeHwnd(); }
    ui::ScriptedUser& user() { return ui::ScriptedUser::Instance(); }
    void ExpectQuestion(const char16_t* text, int answer) {
        user().ExpectMessageBox(kCaption, text, answer);
    }

    testsupport::TempMachines machines;
    std::unique_ptr<CJottaApp> app;
    CMainFrame* frame = nullptr;
    CJottaDoc* doc = nullptr;
    CJottaView* editor = nullptr;
    CJottaListView* list = nullptr;
    int bannersShown = 0;
    bool bannerWasVisible = false;
};

} // namespace jottatest
