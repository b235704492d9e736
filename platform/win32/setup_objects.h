// The objects behind the Setup API's handles (INF files, file queues) and
// the file operations a queue carries out. Internal to platform/win32.
#pragma once

#include "platform/base/handles.h"
#include "platform/base/status.h"
#include "platform/win32/inf_file.h"
#include "platform/win32/setupapi.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace win32 {

struct InfObject : platform::KernelObject {
    InfFile inf;
    std::string folder; // host path of the folder the INF was read from
};

enum class FileOperation { Copy, Delete };

// One queued operation; paths are host paths.
struct QueuedFile {
    FileOperation operation = FileOperation::Copy;
    std::string source;       // copy only
    std::string sourceRoot;   // the source must resolve inside it
    std::string targetFolder; // the target's folder, inside the desktop
    std::string target;
    DWORD copyFlags = 0;
};

struct FileQueueObject : platform::KernelObject {
    std::mutex mutex;
    std::vector<QueuedFile> files;
};

// The INF behind a handle, or a failure with ERROR_INVALID_HANDLE.
platform::Result<std::shared_ptr<InfObject>> InfOf(HINF handle);

// The source root the caller gave (a desktop path), else the INF's folder.
std::string SourceRootOf(const InfObject& inf, LPCSTR sourceRootPath);

// The file operations of the CopyFiles and DelFiles directives of
// `section`, every path checked; a failure names the entry refused.
platform::Result<std::vector<QueuedFile>> FileOperationsOf(const InfObject& inf,
                                                           const std::string& section,
                                                           const std::string& sourceRoot,
                                                           DWORD copyFlags);

// Carries out one operation; ERROR_SUCCESS or the Win32 error that stopped it.
// A copy goes through a temporary file beside the target, renamed over it
// once complete, so the target is either the old file or the whole new one.
DWORD CarryOut(const QueuedFile& file);

// A short text for a Win32 error of a file operation.
std::string FileErrorText(DWORD error);

} // namespace win32
