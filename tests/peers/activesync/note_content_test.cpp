// A handheld note and the Outlook note made from it must read as the same
// content, or equal notes would be copied instead of paired.
#include "peers/activesync/note_content.h"
#include "peers/activesync/sync_plan.h"

#include "platform/win32/registry.h"
#include "shared/notes/note_packet.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace jsync;

namespace {

std::vector<BYTE> DevicePacket(DWORD color, std::u16string_view cats, std::u16string_view text) {
    std::vector<BYTE> block(notepacket::DeviceNotePacketSize(cats.size(), text.size()), 0);
    notepacket::WriteDeviceNotePacket(block.data(), color, cats, text);
    return block;
}

std::vector<BYTE> DesktopPacket(DWORD color, std::u16string_view cats, std::u16string_view text) {
    std::vector<BYTE> block(notepacket::DesktopNotePacketSize(cats.size(), text.size()), 0);
    notepacket::WriteDesktopNotePacket(block.data(), color, FILETIME{1, 2},
                                       static_cast<DWORD>(cats.size()), cats,
                                       static_cast<DWORD>(text.size()), text);
    return block;
}

void SetDesktopValue(HKEY root, const char* path, const char* name, const char* text) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(std::strlen(text) + 1)));
    RegCloseKey(key);
}

} // namespace

TEST(DeviceNote, DesktopFormOfCategories) {
    struct {
        std::u16string categories, separator, expected;
    } cases[] = {
        {u"", u",", u""},
        {u"Work\n", u",", u"Work\n"},
        {u"Work\nHome\n", u",", u"Work\nHome\n"},
        {u"Work\nHome", u",", u"Work\n"},           // text after the last line feed is no name
        {u" Work \nHome\n", u",", u"Work\nHome\n"}, // the desktop trims names
        {u"A,B\n", u",", u"A\nB\n"},                // a separator inside a name cuts it
        {u"A\nB\n", u";,", u"A\nB\n"},              // joined with the first, cut at any
        {u"A,B\nC\n", u";,", u"A\nB\nC\n"},
        {u"\n", u",", u""}, // one empty name vanishes when written
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, DesktopFormOfCategories(c.categories, c.separator))
            << "categories of " << c.categories.size() << " units, separator size "
            << c.separator.size();
}

TEST(DeviceNote, HandheldAndDesktopFormsOfOneNoteAreEqual) {
    testsupport::TempMachines machines;
    auto device =
        ContentOfDevicePacket(DevicePacket(2, u"Business\nPersonal\n", u"Hello\r\nthere"));
    auto desktop =
        ContentOfDesktopPacket(DesktopPacket(2, u"Business\nPersonal\n", u"Hello\r\nthere"));
    ASSERT_TRUE(device.ok() && desktop.ok());
    EXPECT_EQ(ContentHash(device.value()), ContentHash(desktop.value()));
    EXPECT_EQ("Hello", TitleOf(device.value()));

    // Any difference in colour, categories or text is a different note.
    for (const auto& other : {DesktopPacket(3, u"Business\nPersonal\n", u"Hello\r\nthere"),
                              DesktopPacket(2, u"Business\n", u"Hello\r\nthere"),
                              DesktopPacket(2, u"Business\nPersonal\n", u"Hello\r\nThere")}) {
        auto content = ContentOfDesktopPacket(other);
        ASSERT_TRUE(content.ok());
        EXPECT_NE(ContentHash(device.value()), ContentHash(content.value()));
    }
    // The hash keeps fields apart: a name moved into the text is another note.
    DeviceNote a{1, u"A\n", u"B"}, b{1, u"", u"A\nB"};
    EXPECT_NE(ContentHash(a), ContentHash(b));
}

// jsync names a note in its reports by the title the handheld lists it under.
TEST(DeviceNote, TitleIsTheHandheldsTitle) {
    struct {
        std::u16string text;
        std::string title;
    } cases[] = {
        {u"Shopping\r\nmilk", "Shopping"},
        {u"<New Note>", "<New Note>"},
        {u"\r\nmilk", ""},
        {u"abc\ndef", "ab"}, // a bare line feed still takes the character before it
        {u"a\nb", ""},
        {u"\u65E5\u672C\r\nx", "\u65E5\u672C"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.title, TitleOf(DeviceNote{0, u"", c.text})) << c.title;
}

TEST(DeviceNote, HandheldTextIsTakenThroughTheDesktopCodePage) {
    testsupport::TempMachines machines;
    // A new desktop carries every character.
    auto whole = ContentOfDevicePacket(DevicePacket(0, u"", u"\u65E5 note \U0001F375"));
    ASSERT_TRUE(whole.ok());
    EXPECT_EQ(u"\u65E5 note \U0001F375", whole->text);

    // A character code page 1252 lacks arrives on the desktop as '?'.
    SetDesktopValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP",
                    "1252");
    auto device = ContentOfDevicePacket(DevicePacket(0, u"", u"\u65E5 note"));
    auto desktop = ContentOfDesktopPacket(DesktopPacket(0, u"", u"? note"));
    ASSERT_TRUE(device.ok() && desktop.ok());
    EXPECT_EQ(ContentHash(device.value()), ContentHash(desktop.value()));

    // With code page 932 it arrives whole, and the list separator is the user's.
    SetDesktopValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP",
                    "932");
    SetDesktopValue(HKEY_CURRENT_USER, "Control Panel\\International", "sList", ";");
    device = ContentOfDevicePacket(DevicePacket(0, u"A;B\n", u"\u65E5 note"));
    desktop = ContentOfDesktopPacket(DesktopPacket(0, u"A\nB\n", u"\u65E5 note"));
    ASSERT_TRUE(device.ok() && desktop.ok());
    EXPECT_EQ(ContentHash(device.value()), ContentHash(desktop.value()));
}

TEST(DeviceNote, TextsTheDesktopCouldNotCarryArePutBack) {
    testsupport::TempMachines machines;
    SetDesktopValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP",
                    "1252");
    const DeviceNote handheld{0, u"T\u00EA\nR\u00F6\u4E2D\n", u"\u65E5 note \U0001F375"};
    EXPECT_FALSE(DesktopCarriesWhole(handheld));
    EXPECT_TRUE(DesktopCarriesWhole(DeviceNote{0, u"T\u00EA\n", u"caf\u00E9"}));

    // The desktop's lossy forms, a new colour: the handheld's texts stand.
    auto kept = ContentOfDesktopPacket(
        WithHandheldTextsKept(DesktopPacket(2, u"T\u00EA\nR\u00F6?\n", u"? note ?"), handheld));
    ASSERT_TRUE(kept.ok());
    EXPECT_EQ(2u, kept->color);
    EXPECT_EQ(handheld.text, kept->text);
    EXPECT_EQ(handheld.categories, kept->categories);

    // A real edit on the desktop goes through, even with '?' left in it.
    auto edited = ContentOfDesktopPacket(
        WithHandheldTextsKept(DesktopPacket(2, u"T\u00EA\n", u"? note ? edited"), handheld));
    ASSERT_TRUE(edited.ok());
    EXPECT_EQ(u"? note ? edited", edited->text);
    EXPECT_EQ(u"T\u00EA\n", edited->categories);
}

TEST(DeviceNote, EqualTextsAreReconciledByColourAndCategories) {
    const DeviceNote device{1, u"Home\nErrands\n", u"Plan"};
    const DeviceNote desktop{3, u"Business\nHome\n", u"Plan"};
    const DeviceNote both = ReconciledAttributes(device, desktop, ConflictPolicy::KeepBoth);
    EXPECT_EQ(1u, both.color);
    EXPECT_EQ(u"Home\nErrands\nBusiness\n", both.categories);
    EXPECT_EQ(u"Plan", both.text);
    const DeviceNote desk = ReconciledAttributes(device, desktop, ConflictPolicy::PreferDesktop);
    EXPECT_EQ(3u, desk.color);
    EXPECT_EQ(desktop.categories, desk.categories);
    const DeviceNote dev = ReconciledAttributes(device, desktop, ConflictPolicy::PreferDevice);
    EXPECT_EQ(1u, dev.color);
    EXPECT_EQ(device.categories, dev.categories);
    // Reconciling twice changes nothing more.
    EXPECT_EQ(both.categories,
              ReconciledAttributes(both, desktop, ConflictPolicy::KeepBoth).categories);
}

TEST(DeviceNote, PacketsThatDoNotFitAreRefused) {
    auto packet = DevicePacket(0, u"Cat\n", u"Text");
    packet[8] = 200; // a text length past the end
    EXPECT_FALSE(ContentOfDevicePacket(packet).ok());
    EXPECT_FALSE(ContentOfDevicePacket(std::vector<BYTE>(5, 0)).ok());
    auto desktop = DesktopPacket(0, u"Cat\n", u"Text");
    desktop.resize(desktop.size() - 1);
    EXPECT_FALSE(ContentOfDesktopPacket(desktop).ok());
}
