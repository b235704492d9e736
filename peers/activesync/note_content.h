// What jsync reads of a note's packet: the service managers carry packets
// without looking into them, but pairing equal notes, recognising a conflict
// copy and the dry-run's report need a note's content. Every content is taken
// in the form it has (or would have) on the desktop, so that a handheld note
// and the Outlook note made from it compare equal.
#pragma once

#include "platform/base/status.h"
#include "platform/base/windef.h"
#include "shared/notes/note_packet.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace jsync {

// A note's colour, categories (every name followed by a line feed) and text:
// what both packets carry alike.
using notepacket::DeviceNote;

// From a DesktopNotePacket (desktop to handheld), as it stands.
platform::Result<DeviceNote> ContentOfDesktopPacket(std::span<const BYTE> packet);
// From a DeviceNotePacket (handheld to desktop), as the desktop will keep it:
// the texts through the desktop's code page, the category names joined with
// the user's list separator and split again the way the desktop reads them.
platform::Result<DeviceNote> ContentOfDevicePacket(std::span<const BYTE> packet);

// A DeviceNotePacket's content as the handheld holds it (no code page).
platform::Result<DeviceNote> HandheldContentOfDevicePacket(std::span<const BYTE> packet);

// False when the desktop's code page cannot carry the note's text or
// category names whole (the desktop would keep '?' in their place).
bool DesktopCarriesWhole(const DeviceNote& handheld);

// A DesktopNotePacket whose text, and category list, stand for the
// handheld's own when they are the desktop code page's lossy form of them:
// what the desktop could not carry is not sent back over the original. The
// packet as it is when there is nothing to put back or it cannot be read.
std::vector<BYTE> WithHandheldTextsKept(std::span<const BYTE> desktopPacket,
                                        const DeviceNote& handheld);

// The handheld's packet with its colour and categories replaced by those of
// `attributes` (categories as names each ended by a line feed); the text is
// the packet's own. An unreadable packet gives an empty one.
std::vector<BYTE> DevicePacketWithAttributes(std::span<const BYTE> packet,
                                             const DeviceNote& attributes);

// Equal contents give equal hashes (64-bit FNV-1a over colour, categories and text).
std::uint64_t ContentHash(const DeviceNote& content);

// The note's title as the handheld lists it (the shared title rule), in UTF-8.
std::string TitleOf(const DeviceNote& content);

// The desktop's reading of a category list after writing it with the list
// separator `separator` (the first of its characters joins, any of them cuts,
// white space around names goes), in UTF-16: the form a desktop keeps when
// its code page carries every character.
std::u16string DesktopFormOfCategories(std::u16string_view categories,
                                       std::u16string_view separator);

} // namespace jsync
