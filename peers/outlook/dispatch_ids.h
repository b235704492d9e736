// Dispatch identifiers of the Outlook members the stand-in serves. Those the
// desktop provider calls by number are Outlook's own; the ones it looks up by
// name are ours to choose.
#pragma once

#include "platform/com/oleauto.h"

namespace outlook {

// Application
constexpr DISPID kGetNamespace = 0x0110;
constexpr DISPID kCreateItem = 0x010A;
// NameSpace
constexpr DISPID kCurrentUser = 0x2104;
constexpr DISPID kLogon = 0x2105;
constexpr DISPID kLogoff = 0x2106;
constexpr DISPID kGetItemFromID = 0x2109;
constexpr DISPID kGetDefaultFolder = 0x210B;
// Recipient, Folder
constexpr DISPID kName = 0x3001;
// Folder
constexpr DISPID kItems = 0x3100;
constexpr DISPID kStoreID = 0x3133;
// Items
constexpr DISPID kCount = 0x0050;
constexpr DISPID kItem = 0x0051;
// NoteItem
constexpr DISPID kBody = 0x9100;
constexpr DISPID kCategories = 0x9001;
constexpr DISPID kColor = 0x8B00;
constexpr DISPID kCreationTime = 0x3007;
constexpr DISPID kLastModificationTime = 0x3008;
constexpr DISPID kEntryID = 0xF01E;
constexpr DISPID kSave = 0xF048;
constexpr DISPID kDelete = 0xF04A;

constexpr LONG kFolderNotes = 12; // olFolderNotes
constexpr LONG kItemTypeNote = 5; // olNoteItem
constexpr LONG kHighestColor = 4; // olBlue 0, olGreen 1, olPink 2, olYellow 3, olWhite 4

} // namespace outlook
