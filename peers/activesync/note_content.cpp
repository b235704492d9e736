#include "peers/activesync/note_content.h"

#include "platform/base/unicode.h"
#include "platform/win32/codepage.h"
#include "platform/win32/locale.h"
#include "shared/notes/note_packet.h"
#include "shared/notes/note_rules.h"

#include <algorithm>

namespace jsync {

using platform::Result;
using platform::Status;

namespace {

std::u16string ThroughCodePage(std::u16string_view text) {
    return win32::AnsiToWide(win32::WideToAnsi(text));
}

// A handheld category list as the desktop keeps it: in its code page, joined
// into Outlook's Categories text and read back, with the desktop provider's
// own steps.
std::u16string DesktopCategories(std::u16string_view categories, const std::string& separator) {
    const std::string text = CategoryTextFromList(win32::WideToAnsi(categories), separator.front());
    return win32::AnsiToWide(CategoryListFromText(text, separator));
}

Status PacketFailure(notepacket::ReadResult result, const char* which) {
    return Status::Failure(ERROR_INVALID_DATA, std::string("a ") + which +
                                                   (result == notepacket::ReadResult::TooShort
                                                        ? " is shorter than its header"
                                                        : "'s text lengths run past its end"));
}

} // namespace

std::u16string DesktopFormOfCategories(std::u16string_view categories,
                                       std::u16string_view separator) {
    if (separator.empty())
        separator = u",";
    return CategoryListFromText(CategoryTextFromList(categories, separator.front()), separator);
}

Result<DeviceNote> ContentOfDesktopPacket(std::span<const BYTE> packet) {
    notepacket::DesktopNote note;
    const auto result = notepacket::ReadDesktopNotePacket(packet.data(), packet.size(), &note);
    if (result != notepacket::ReadResult::Ok)
        return PacketFailure(result, "desktop note packet");
    return DeviceNote{note.color, std::move(note.categories), std::move(note.text)};
}

Result<DeviceNote> HandheldContentOfDevicePacket(std::span<const BYTE> packet) {
    DeviceNote note;
    const auto result = notepacket::ReadDeviceNotePacket(packet.data(), packet.size(), &note);
    if (result != notepacket::ReadResult::Ok)
        return PacketFailure(result, "handheld note packet");
    return note;
}

bool DesktopCarriesWhole(const DeviceNote& handheld) {
    return ThroughCodePage(handheld.text) == handheld.text &&
           ThroughCodePage(handheld.categories) == handheld.categories;
}

std::vector<BYTE> WithHandheldTextsKept(std::span<const BYTE> desktopPacket,
                                        const DeviceNote& handheld) {
    std::vector<BYTE> same(desktopPacket.begin(), desktopPacket.end());
    notepacket::DesktopNote note;
    if (notepacket::ReadDesktopNotePacket(desktopPacket.data(), desktopPacket.size(), &note) !=
        notepacket::ReadResult::Ok)
        return same;
    const std::string separator = UserListSeparator(GetLocaleInfoA);
    auto lossyForm = [&](const std::u16string& original, const std::u16string& received,
                         bool categories) {
        const std::u16string lossy =
            categories ? DesktopCategories(original, separator) : ThroughCodePage(original);
        const std::u16string desktop =
            categories ? DesktopFormOfCategories(original, win32::AnsiToWide(separator)) : original;
        return received != desktop && received == lossy;
    };
    const bool keepText = lossyForm(handheld.text, note.text, false);
    const bool keepCategories = lossyForm(handheld.categories, note.categories, true);
    if (!keepText && !keepCategories)
        return same;
    const std::u16string& text = keepText ? handheld.text : note.text;
    const std::u16string& categories = keepCategories ? handheld.categories : note.categories;
    // Each region must hold its text: the ANSI length or the text's, the longer.
    const auto region = [](const std::u16string& kept, std::size_t ansiLength) {
        return static_cast<DWORD>(std::max(kept.size(), ansiLength));
    };
    const DWORD lenCat = region(categories, LoadU32(desktopPacket.data() + 12));
    const DWORD lenNote = region(text, LoadU32(desktopPacket.data() + 16));
    std::vector<BYTE> block(
        static_cast<std::size_t>(notepacket::DesktopNotePacketSize(lenCat, lenNote)));
    notepacket::WriteDesktopNotePacket(block.data(), note.color, note.created, lenCat, categories,
                                       lenNote, text);
    return block;
}

Result<DeviceNote> ContentOfDevicePacket(std::span<const BYTE> packet) {
    JW_ASSIGN_OR_RETURN(auto note, HandheldContentOfDevicePacket(packet));
    return DeviceNote{note.color,
                      DesktopCategories(note.categories, UserListSeparator(GetLocaleInfoA)),
                      ThroughCodePage(note.text)};
}

std::vector<BYTE> DevicePacketWithAttributes(std::span<const BYTE> packet,
                                             const DeviceNote& attributes) {
    notepacket::DeviceNote note;
    if (notepacket::ReadDeviceNotePacket(packet.data(), packet.size(), &note) !=
        notepacket::ReadResult::Ok)
        return {};
    std::vector<BYTE> block(static_cast<std::size_t>(
        notepacket::DeviceNotePacketSize(attributes.categories.size(), note.text.size())));
    notepacket::WriteDeviceNotePacket(block.data(), attributes.color, attributes.categories,
                                      note.text);
    return block;
}

std::uint64_t ContentHash(const DeviceNote& content) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    auto mix = [&hash](std::uint32_t unit) {
        for (int i = 0; i < 4; ++i) {
            hash ^= (unit >> (8 * i)) & 0xFF;
            hash *= 0x100000001b3ull;
        }
    };
    mix(content.color);
    // Lengths first, so that text cannot slide between the two fields.
    mix(static_cast<std::uint32_t>(content.categories.size()));
    for (char16_t c : content.categories)
        mix(c);
    mix(static_cast<std::uint32_t>(content.text.size()));
    for (char16_t c : content.text)
        mix(c);
    return hash;
}

std::string TitleOf(const DeviceNote& content) {
    return unicode::ToUtf8(NoteTitleOf(content.text));
}

} // namespace jsync
