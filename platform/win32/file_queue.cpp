// File queues: the CopyFiles and DelFiles directives of an INF section
// queued as file operations, and the commit that carries them out.
#include "platform/win32/inf_directories.h"
#include "platform/win32/path.h"
#include "platform/win32/setup_objects.h"

namespace win32 {

using platform::Result;
using platform::Status;

namespace {

std::string Where(const InfLine& line, const std::string& section) {
    return "[" + section + "] line " + std::to_string(line.number);
}

Result<unsigned> DirectoryIdOf(const std::string& text, const std::string& where) {
    const auto id = InfNumber(text);
    if (!id)
        return Status::Failure(ERROR_GENERAL_SYNTAX,
                               where + ": \"" + text + "\" is not a directory id");
    return static_cast<unsigned>(*id);
}

// The folder DestinationDirs gives `section` (else its DefaultDestDir).
// Only the desktop's own folders may receive files.
Result<std::string> TargetFolderOf(const InfFile& inf, const std::string& section) {
    const InfLine* line = inf.Find("DestinationDirs", section);
    if (!line)
        line = inf.Find("DestinationDirs", "DefaultDestDir");
    if (!line)
        return Status::Failure(ERROR_LINE_NOT_FOUND,
                               "[DestinationDirs] names no folder for [" + section + "]");
    const std::string where = "[DestinationDirs] line " + std::to_string(line->number);
    JW_ASSIGN_OR_RETURN(const unsigned id, DirectoryIdOf(line->Field(0), where));
    const auto folder = id == kDirIdSource ? std::nullopt : DirectoryOfId(id, "");
    if (!folder)
        return Status::Failure(ERROR_ACCESS_DENIED, where + ": directory id " + std::to_string(id) +
                                                        " is not one of the desktop's folders");
    const std::string& subfolder = line->Field(1);
    if (subfolder.empty())
        return *folder;
    JW_RETURN_IF_FAILED(CheckRelativePath(subfolder, where));
    return *folder + "/" + HostPath(subfolder);
}

// Where the source file `name` lies below the source root.
Result<std::string> SourceOf(const InfFile& inf, const std::string& name,
                             const std::string& sourceRoot, DWORD copyFlags) {
    if (copyFlags & SP_COPY_SOURCEPATH_ABSOLUTE)
        return sourceRoot + "/" + name;
    const InfLine* file = inf.Find("SourceDisksFiles", name);
    if (!file)
        return Status::Failure(ERROR_LINE_NOT_FOUND, "[SourceDisksFiles] does not name " + name);
    const std::string where = "[SourceDisksFiles] line " + std::to_string(file->number);
    const InfLine* disk = inf.Find("SourceDisksNames", file->Field(0));
    if (!disk)
        return Status::Failure(ERROR_LINE_NOT_FOUND, where + ": disk " + file->Field(0) +
                                                         " is not in [SourceDisksNames]");
    std::string path = sourceRoot;
    for (const std::string& part : {disk->Field(3), file->Field(1)}) {
        if (part.empty())
            continue;
        JW_RETURN_IF_FAILED(CheckRelativePath(part, where));
        path += "/" + HostPath(part);
    }
    return path + "/" + name;
}

Status QueueCopySection(const InfFile& inf, const std::string& section,
                        const std::string& sourceRoot, DWORD copyFlags,
                        std::vector<QueuedFile>* files) {
    const auto* lines = inf.Section(section);
    if (!lines)
        return Status::Failure(ERROR_SECTION_NOT_FOUND, "the INF has no section [" + section + "]");
    JW_ASSIGN_OR_RETURN(const std::string folder, TargetFolderOf(inf, section));
    for (const InfLine& line : *lines) {
        const std::string where = Where(line, section);
        const std::string& target = line.Field(0);
        const std::string& source = line.Field(1).empty() ? target : line.Field(1);
        JW_RETURN_IF_FAILED(CheckFileName(target, where + ": the target"));
        JW_RETURN_IF_FAILED(CheckFileName(source, where + ": the source"));
        JW_ASSIGN_OR_RETURN(std::string path, SourceOf(inf, source, sourceRoot, copyFlags));
        files->push_back(
            {FileOperation::Copy, path, sourceRoot, folder, folder + "/" + target, copyFlags});
    }
    return Status();
}

Status QueueDeleteSection(const InfFile& inf, const std::string& section,
                          std::vector<QueuedFile>* files) {
    const auto* lines = inf.Section(section);
    if (!lines)
        return Status::Failure(ERROR_SECTION_NOT_FOUND, "the INF has no section [" + section + "]");
    JW_ASSIGN_OR_RETURN(const std::string folder, TargetFolderOf(inf, section));
    for (const InfLine& line : *lines) {
        JW_RETURN_IF_FAILED(CheckFileName(line.Field(0), Where(line, section)));
        QueuedFile file;
        file.operation = FileOperation::Delete;
        file.targetFolder = folder;
        file.target = folder + "/" + line.Field(0);
        files->push_back(std::move(file));
    }
    return Status();
}

Result<HSPFILEQ> OpenQueue() {
    return static_cast<HSPFILEQ>(platform::InsertHandle(std::make_shared<FileQueueObject>()));
}

Result<std::shared_ptr<FileQueueObject>> QueueOf(HSPFILEQ handle) {
    auto queue = platform::LookupHandleAs<FileQueueObject>(static_cast<HANDLE>(handle));
    if (!queue)
        return Status::Failure(ERROR_INVALID_HANDLE, "not an open file queue");
    return queue;
}

Result<BOOL> InstallFiles(HINF infHandle, HSPFILEQ queueHandle, LPCSTR section,
                          LPCSTR sourceRootPath, UINT copyFlags) {
    JW_ASSIGN_OR_RETURN(auto inf, InfOf(infHandle));
    JW_ASSIGN_OR_RETURN(auto queue, QueueOf(queueHandle));
    if (!section || !*section)
        return Status::Failure(ERROR_INVALID_PARAMETER, "no section named");
    if (!inf->inf.Section(section))
        return Status::Failure(ERROR_SECTION_NOT_FOUND,
                               std::string("the INF has no section [") + section + "]");
    JW_ASSIGN_OR_RETURN(
        auto files, FileOperationsOf(*inf, section, SourceRootOf(*inf, sourceRootPath), copyFlags));
    std::lock_guard lock(queue->mutex);
    queue->files.insert(queue->files.end(), files.begin(), files.end());
    return TRUE;
}

// Runs one operation with the callback's answers; false when cancelled.
bool RunOne(const QueuedFile& file, PSP_FILE_CALLBACK_A callback, void* context) {
    const bool copy = file.operation == FileOperation::Copy;
    FILEPATHS_A paths{file.target.c_str(), copy ? file.source.c_str() : nullptr, 0, 0};
    const auto pathsParam = reinterpret_cast<UINT_PTR>(&paths);
    const UINT start = callback(context, copy ? SPFILENOTIFY_STARTCOPY : SPFILENOTIFY_STARTDELETE,
                                pathsParam, copy ? FILEOP_COPY : FILEOP_DELETE);
    if (start == FILEOP_ABORT)
        return false;
    if (start == FILEOP_SKIP)
        return true;
    for (;;) {
        paths.Win32Error = CarryOut(file);
        if (paths.Win32Error == ERROR_SUCCESS)
            break;
        const UINT answer = callback(
            context, copy ? SPFILENOTIFY_COPYERROR : SPFILENOTIFY_DELETEERROR, pathsParam, 0);
        if (answer == FILEOP_ABORT)
            return false;
        if (answer == FILEOP_SKIP)
            break;
    }
    callback(context, copy ? SPFILENOTIFY_ENDCOPY : SPFILENOTIFY_ENDDELETE, pathsParam, 0);
    return true;
}

bool RunSubqueue(const std::vector<QueuedFile>& files, FileOperation operation,
                 PSP_FILE_CALLBACK_A callback, void* context) {
    std::size_t count = 0;
    for (const QueuedFile& file : files)
        count += file.operation == operation;
    if (count == 0)
        return true;
    const UINT kind = operation == FileOperation::Copy ? FILEOP_COPY : FILEOP_DELETE;
    if (callback(context, SPFILENOTIFY_STARTSUBQUEUE, kind, count) == FILEOP_ABORT)
        return false;
    for (const QueuedFile& file : files)
        if (file.operation == operation && !RunOne(file, callback, context))
            return false;
    callback(context, SPFILENOTIFY_ENDSUBQUEUE, kind, 0);
    return true;
}

Result<BOOL> Commit(HWND owner, HSPFILEQ queueHandle, PSP_FILE_CALLBACK_A callback, void* context) {
    JW_ASSIGN_OR_RETURN(auto queue, QueueOf(queueHandle));
    if (!callback)
        return Status::Failure(ERROR_INVALID_PARAMETER, "a queue is committed with a callback");
    std::vector<QueuedFile> files;
    {
        std::lock_guard lock(queue->mutex);
        files = queue->files;
    }
    SetLastError(ERROR_SUCCESS);
    if (callback(context, SPFILENOTIFY_STARTQUEUE, reinterpret_cast<UINT_PTR>(owner), 0) ==
        FILEOP_ABORT) {
        const DWORD why = GetLastError();
        return Status::Failure(why ? why : ERROR_CANCELLED, "the queue callback refused to start");
    }
    const bool done = RunSubqueue(files, FileOperation::Delete, callback, context) &&
                      RunSubqueue(files, FileOperation::Copy, callback, context);
    callback(context, SPFILENOTIFY_ENDQUEUE, done, 0);
    if (!done)
        return Status::Failure(ERROR_CANCELLED, "the copying was cancelled");
    std::lock_guard lock(queue->mutex);
    queue->files.clear();
    return TRUE;
}

} // namespace

Result<std::vector<QueuedFile>> FileOperationsOf(const InfObject& inf, const std::string& section,
                                                 const std::string& sourceRoot, DWORD copyFlags) {
    std::vector<QueuedFile> files;
    for (const InfLine* line : inf.inf.FindAll(section, "CopyFiles"))
        for (const std::string& name : line->fields) {
            if (!name.empty() && name.front() == '@') {
                // A single file to the section's own default folder.
                const std::string file = name.substr(1);
                const std::string where = Where(*line, section);
                JW_RETURN_IF_FAILED(CheckFileName(file, where));
                JW_ASSIGN_OR_RETURN(const std::string folder,
                                    TargetFolderOf(inf.inf, "DefaultDestDir"));
                JW_ASSIGN_OR_RETURN(std::string path,
                                    SourceOf(inf.inf, file, sourceRoot, copyFlags));
                files.push_back({FileOperation::Copy, path, sourceRoot, folder, folder + "/" + file,
                                 copyFlags});
            } else if (!name.empty()) {
                JW_RETURN_IF_FAILED(QueueCopySection(inf.inf, name, sourceRoot, copyFlags, &files));
            }
        }
    for (const InfLine* line : inf.inf.FindAll(section, "DelFiles"))
        for (const std::string& name : line->fields)
            if (!name.empty())
                JW_RETURN_IF_FAILED(QueueDeleteSection(inf.inf, name, &files));
    return files;
}

} // namespace win32

HSPFILEQ SetupOpenFileQueue() {
    return platform::AtBoundary<HSPFILEQ>(INVALID_HANDLE_VALUE, win32::OpenQueue);
}

BOOL SetupCloseFileQueue(HSPFILEQ QueueHandle) {
    if (!platform::LookupHandleAs<win32::FileQueueObject>(static_cast<HANDLE>(QueueHandle))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(static_cast<HANDLE>(QueueHandle));
}

BOOL SetupInstallFilesFromInfSectionA(HINF InfHandle, HINF LayoutInfHandle, HSPFILEQ FileQueue,
                                      LPCSTR SectionName, LPCSTR SourceRootPath, UINT CopyFlags) {
    (void)LayoutInfHandle; // the INF itself says where its files lie
    return platform::AtBoundary<BOOL>(FALSE, [&] {
        return win32::InstallFiles(InfHandle, FileQueue, SectionName, SourceRootPath, CopyFlags);
    });
}

BOOL SetupCommitFileQueueA(HWND Owner, HSPFILEQ QueueHandle, PSP_FILE_CALLBACK_A MsgHandler,
                           void* Context) {
    return platform::AtBoundary<BOOL>(
        FALSE, [&] { return win32::Commit(Owner, QueueHandle, MsgHandler, Context); });
}
