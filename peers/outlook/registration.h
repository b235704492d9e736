// Registration of the Outlook stand-in, the in-process automation server
// "Outlook.Application", in the desktop registry (platform/win32/registry.h):
//   HKCR\Outlook.Application\CLSID               = CLSID_OutlookApplication
//   HKCR\CLSID\{0006F03A-...}\ProgID             = "Outlook.Application"
//   HKCR\CLSID\{0006F03A-...}\InprocServer32     = the library's path
// Also the Office version key HKLM "Software\Microsoft\Office\9.0\Outlook" and,
// when there is none yet, Outlook's category master list: the default value
// of HKCU "Software\Microsoft\Office\9.0\Outlook\Categories", the names
// joined by the user's list separator.
// Library target: `outlook` (liboutlook.so), link target for this header:
// `outlook_registration`.
//
// Switches the server reads, for tests:
//   JOTTERWICK_OUTLOOK_FAULT="Member:code[:count]"  the named member (Body,
//       Save, GetItemFromID, Items, ...) raises an automation exception with
//       wCode = code (decimal), for the next `count` calls in each process
//       (every call when count is left out). Several switches are separated
//       by ';'. The same text in HKCU "Software\Jotterwick\Outlook" "Fault"
//       applies too (read when the application object is created).
//   JOTTERWICK_OUTLOOK_ENTRYID_LENGTH=N  notes saved for the first time get
//       EntryIDs of N hex digits (default 48).
// An item not saved yet also takes an EntryID put (DISPID 0xF01E), which real
// Outlook refuses: tests use it to choose the EntryID a note will have.
#pragma once

#include "platform/base/windef.h"

#include <string>
#include <vector>

namespace outlook {

// {0006F03A-0000-0000-C000-000000000046}, the class of Outlook's application object.
inline constexpr CLSID CLSID_OutlookApplication = {
    0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr char kProgId[] = "Outlook.Application";

// Writes the registration above for the library at `libraryPath` into the
// current desktop's registry. Returns false (and the Win32 error in the last
// error) when the registry can't be written.
bool RegisterServer(const std::string& libraryPath);

// True when "Outlook.Application" resolves to a class whose InprocServer32
// names an existing file.
bool IsServerRegistered();

// Outlook's category master list (ANSI names), as the options dialog reads
// it: cut at the list separator's characters, each name trimmed.
std::vector<std::string> ReadMasterCategories();
// Appends `name`, trimmed, unless it is there already. False (last error set)
// when the registry can't be written; ERROR_INVALID_PARAMETER for a blank name
// or one holding a character of the list separator, which would not read back whole.
bool AddMasterCategory(const std::string& name);

} // namespace outlook
