// The desktop Setup API (ANSI forms): INF files, file queues and the default
// queue callback, with the platform's signatures and result conventions
// (BOOL or a handle, INVALID_HANDLE_VALUE on failure, the reason in the last
// error; platform::LastErrorMessage() says it in words).
//
// What an INF may touch: files are copied only from below the source root
// given by the caller, and only into the desktop's own folders (the
// standard directory ids, see inf_directories.h); the registry roots are
// HKCR, HKCU and HKLM of the desktop registry. An INF that asks for more is
// refused before anything is changed.
#pragma once

#include "platform/base/windef.h"

using HINF = void*;
using HSPFILEQ = void*;
using PSP_FILE_CALLBACK_A = UINT (*)(void* Context, UINT Notification, UINT_PTR Param1,
                                     UINT_PTR Param2);

// INF styles.
constexpr DWORD INF_STYLE_NONE = 0;
constexpr DWORD INF_STYLE_OLDNT = 1;
constexpr DWORD INF_STYLE_WIN4 = 2;

// Copy flags.
constexpr DWORD SP_COPY_DELETESOURCE = 0x0001;
constexpr DWORD SP_COPY_NOOVERWRITE = 0x0008;
constexpr DWORD SP_COPY_SOURCEPATH_ABSOLUTE = 0x0080;
constexpr DWORD SP_COPY_SOURCE_ABSOLUTE = 0x0040;

// What SetupInstallFromInfSectionA carries out.
constexpr UINT SPINST_LOGCONFIG = 0x0001;
constexpr UINT SPINST_INIFILES = 0x0002;
constexpr UINT SPINST_REGISTRY = 0x0004;
constexpr UINT SPINST_INI2REG = 0x0008;
constexpr UINT SPINST_FILES = 0x0010;
constexpr UINT SPINST_ALL = 0x001F;

// AddReg flags: the value's type and how it is written.
constexpr DWORD FLG_ADDREG_BINVALUETYPE = 0x00000001;
constexpr DWORD FLG_ADDREG_NOCLOBBER = 0x00000002;
constexpr DWORD FLG_ADDREG_DELVAL = 0x00000004;
constexpr DWORD FLG_ADDREG_APPEND = 0x00000008;
constexpr DWORD FLG_ADDREG_KEYONLY = 0x00000010;
constexpr DWORD FLG_ADDREG_OVERWRITEONLY = 0x00000020;
constexpr DWORD FLG_ADDREG_TYPE_MASK = 0xFFFF0000 | FLG_ADDREG_BINVALUETYPE;
constexpr DWORD FLG_ADDREG_TYPE_SZ = 0x00000000;
constexpr DWORD FLG_ADDREG_TYPE_MULTI_SZ = 0x00010000;
constexpr DWORD FLG_ADDREG_TYPE_EXPAND_SZ = 0x00020000;
constexpr DWORD FLG_ADDREG_TYPE_BINARY = 0x00000000 | FLG_ADDREG_BINVALUETYPE;
constexpr DWORD FLG_ADDREG_TYPE_DWORD = 0x00010000 | FLG_ADDREG_BINVALUETYPE;
constexpr DWORD FLG_ADDREG_TYPE_NONE = 0x00020000 | FLG_ADDREG_BINVALUETYPE;

// Notifications of a queue commit; Param1/Param2 as noted.
constexpr UINT SPFILENOTIFY_STARTQUEUE = 0x0001;    // -
constexpr UINT SPFILENOTIFY_ENDQUEUE = 0x0002;      // Param1 TRUE when all went well
constexpr UINT SPFILENOTIFY_STARTSUBQUEUE = 0x0003; // FILEOP_COPY, number of copies
constexpr UINT SPFILENOTIFY_ENDSUBQUEUE = 0x0004;   // FILEOP_COPY
constexpr UINT SPFILENOTIFY_STARTDELETE = 0x0005;   // FILEPATHS_A*
constexpr UINT SPFILENOTIFY_ENDDELETE = 0x0006;     // FILEPATHS_A*
constexpr UINT SPFILENOTIFY_DELETEERROR = 0x0007;   // FILEPATHS_A*, Win32Error set
constexpr UINT SPFILENOTIFY_STARTCOPY = 0x000B;     // FILEPATHS_A*
constexpr UINT SPFILENOTIFY_ENDCOPY = 0x000C;       // FILEPATHS_A*
constexpr UINT SPFILENOTIFY_COPYERROR = 0x000D;     // FILEPATHS_A*, Win32Error set

constexpr UINT FILEOP_COPY = 0;
constexpr UINT FILEOP_DELETE = 2;
// Answers of a callback.
constexpr UINT FILEOP_ABORT = 0;
constexpr UINT FILEOP_DOIT = 1;
constexpr UINT FILEOP_SKIP = 2;
constexpr UINT FILEOP_RETRY = FILEOP_DOIT;

struct FILEPATHS_A {
    LPCSTR Target;
    LPCSTR Source;
    UINT Win32Error;
    DWORD Flags;
};

// Setup API error codes.
constexpr DWORD ERROR_EXPECTED_SECTION_NAME = 0xE0000000;
constexpr DWORD ERROR_BAD_SECTION_NAME_LINE = 0xE0000001;
constexpr DWORD ERROR_SECTION_NAME_TOO_LONG = 0xE0000002;
constexpr DWORD ERROR_GENERAL_SYNTAX = 0xE0000003;
constexpr DWORD ERROR_WRONG_INF_STYLE = 0xE0000100;
constexpr DWORD ERROR_SECTION_NOT_FOUND = 0xE0000101;
constexpr DWORD ERROR_LINE_NOT_FOUND = 0xE0000102;
constexpr DWORD ERROR_CANCELLED = 1223;

// Opens an INF file (a desktop path; '\' or '/'). InfStyle must include
// INF_STYLE_WIN4: the file needs a [Version] section whose Signature is
// "$Chicago$" or "$Windows NT$". On a syntax error *ErrorLine (when given)
// receives the line number. INVALID_HANDLE_VALUE on failure.
HINF SetupOpenInfFileA(LPCSTR FileName, LPCSTR InfClass, DWORD InfStyle, UINT* ErrorLine);
void SetupCloseInfFile(HINF InfHandle);

HSPFILEQ SetupOpenFileQueue();
BOOL SetupCloseFileQueue(HSPFILEQ QueueHandle);

// Queues the copies named by the section's CopyFiles directives. Sources
// come from SourceRootPath (the INF's own folder when null) and the
// SourceDisksNames/SourceDisksFiles paths below it; targets from
// DestinationDirs. Nothing is queued when any entry is refused.
BOOL SetupInstallFilesFromInfSectionA(HINF InfHandle, HINF LayoutInfHandle, HSPFILEQ FileQueue,
                                      LPCSTR SectionName, LPCSTR SourceRootPath, UINT CopyFlags);

// Carries out the section's AddReg and DelReg (SPINST_REGISTRY), UpdateInis
// (SPINST_INIFILES) and Ini2Reg (SPINST_INI2REG) directives, and with
// SPINST_FILES its copies through a queue of its own committed with
// MsgHandler. SPINST_LOGCONFIG concerns devices: nothing to do here.
// RelativeKeyRoot must be null (HKR is refused); DeviceInfoSet and
// DeviceInfoData must be null. Every directive is checked before the first
// is carried out.
BOOL SetupInstallFromInfSectionA(HWND Owner, HINF InfHandle, LPCSTR SectionName, UINT Flags,
                                 HKEY RelativeKeyRoot, LPCSTR SourceRootPath, UINT CopyFlags,
                                 PSP_FILE_CALLBACK_A MsgHandler, void* Context, void* DeviceInfoSet,
                                 void* DeviceInfoData);

// The default callback's context for `OwnerWindow`; null on failure.
void* SetupInitDefaultQueueCallback(HWND OwnerWindow);
void SetupTermDefaultQueueCallback(void* Context);
// Shows the copy progress in a window of the owner's and asks Retry (Retry),
// Skip (Ignore) or Cancel (Abort) on a copy error. Needs a context from
// SetupInitDefaultQueueCallback: without one it answers FILEOP_ABORT with
// ERROR_INVALID_PARAMETER.
UINT SetupDefaultQueueCallbackA(void* Context, UINT Notification, UINT_PTR Param1, UINT_PTR Param2);

// Copies every queued file, telling MsgHandler (required) each step. A copy
// writes a temporary file beside the target and renames it over the target
// once it is whole. FALSE with ERROR_CANCELLED when the callback cancels.
BOOL SetupCommitFileQueueA(HWND Owner, HSPFILEQ QueueHandle, PSP_FILE_CALLBACK_A MsgHandler,
                           void* Context);
