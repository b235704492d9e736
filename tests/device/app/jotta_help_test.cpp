// The help file shipped with the notes program: it reads as a help file and
// explains every menu command, shortcut key and dialog the program has.
#include "device/app/jotta_resources.h"
#include "device/app/resource.h"
#include "platform/base/unicode.h"
#include "platform/ui/help_file.h"
#include "platform/ui/resources.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Every command item of the menu, with the titles of the menus above it.
void CommandItems(const std::vector<ui::MenuItemTemplate>& items, const std::string& path,
                  std::vector<std::pair<std::string, std::u16string>>& out) {
    for (const auto& item : items) {
        if (item.text.empty())
            continue; // a separator
        if (!item.popup.empty())
            CommandItems(item.popup, path + unicode::ToUtf8(item.text) + " > ", out);
        else
            out.push_back({path + unicode::ToUtf8(item.text), item.text});
    }
}

// A menu text as the person reads it: no '&', no accelerator after the tab.
std::u16string Shown(std::u16string text) {
    text = text.substr(0, text.find(u'\t'));
    std::erase(text, u'&');
    return text;
}

TEST(JottaHelp, TheShippedFileExplainsEveryCommandKeyAndDialog) {
    const auto document = ui::LoadHelpFile(unicode::ToUtf16(JOTTA_HELP_FILE));
    ASSERT_TRUE(document.ok()) << document.status().message();
    std::u16string headings, all;
    for (const auto& block : document.value().blocks) {
        if (block.kind == ui::HelpBlock::Kind::Heading ||
            block.kind == ui::HelpBlock::Kind::Subheading)
            headings += block.text + u"\n";
        all += block.text + u"\n";
    }
    ui::ClearResources();
    LoadJottaResources();
    const auto* menu = ui::FindMenuResource(MAKEINTRESOURCEW(IDR_MAINFRAME));
    ASSERT_NE(nullptr, menu);
    std::vector<std::pair<std::string, std::u16string>> items;
    CommandItems(*menu, "", items);
    ASSERT_GT(items.size(), 25u);
    // Each command has a heading of its own (a colour or a sort order is
    // named in its menu's section).
    for (const auto& [path, text] : items) {
        const std::u16string name = Shown(text);
        const bool underColorOrSort =
            path.find("olor >") != std::string::npos || path.find("Sort >") != std::string::npos;
        EXPECT_NE(std::u16string::npos, (underColorOrSort ? all : headings).find(name)) << path;
        // Its keys, when it has any, are named too.
        if (const std::size_t tab = text.find(u'\t'); tab != std::u16string::npos) {
            EXPECT_NE(std::u16string::npos, all.find(text.substr(tab + 1))) << path;
        }
    }
    for (WORD id : {IDD_ABOUTBOX, IDD_SEARCH, IDD_NOTEINFO, IDD_CATEGORIES}) {
        const auto* dialog = ui::FindDialogResource(MAKEINTRESOURCEW(id));
        ASSERT_NE(nullptr, dialog) << id;
        EXPECT_NE(std::u16string::npos, all.find(dialog->caption))
            << unicode::ToUtf8(dialog->caption);
    }
    for (const char16_t* key : {u"F10", u"Tab", u"F1", u"Ctrl+Q", u"Escape", u"PgUp"})
        EXPECT_NE(std::u16string::npos, all.find(key)) << unicode::ToUtf8(key);
    ui::ClearResources();
}

} // namespace
