// SetupOpenInfFileA and SetupCloseInfFile: INF files as handles.
#include "platform/win32/path.h"
#include "platform/win32/setup_objects.h"

namespace win32 {

using platform::Result;
using platform::Status;

namespace {

constexpr DWORD ERROR_CLASS_MISMATCH = 0xE0000201;

Status CheckVersion(const InfFile& inf, LPCSTR infClass, DWORD style) {
    if (!(style & INF_STYLE_WIN4))
        return Status::Failure(ERROR_WRONG_INF_STYLE,
                               "only INF files of the Windows 95/NT 4 style are read");
    const InfLine* signature = inf.Find("Version", "Signature");
    const std::string text = signature ? InfLower(signature->Field(0)) : "";
    if (text != "$chicago$" && text != "$windows nt$")
        return Status::Failure(ERROR_WRONG_INF_STYLE,
                               "the [Version] Signature is not \"$Chicago$\" or \"$Windows NT$\"");
    if (infClass && *infClass) {
        const InfLine* cls = inf.Find("Version", "Class");
        if (!cls || InfLower(cls->Field(0)) != InfLower(infClass))
            return Status::Failure(ERROR_CLASS_MISMATCH,
                                   std::string("the INF is not of class ") + infClass);
    }
    return Status();
}

Result<HINF> Open(LPCSTR fileName, LPCSTR infClass, DWORD style, UINT* errorLine) {
    if (!fileName || !*fileName)
        return Status::Failure(ERROR_INVALID_PARAMETER, "no INF file named");
    const std::string path = HostPath(fileName);
    unsigned line = 0;
    auto inf = InfFile::Read(path, &line);
    if (!inf.ok()) {
        if (errorLine)
            *errorLine = line;
        return inf.status();
    }
    JW_RETURN_IF_FAILED(CheckVersion(*inf, infClass, style));
    auto object = std::make_shared<InfObject>();
    object->inf = std::move(*inf);
    const std::size_t slash = path.rfind('/');
    object->folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    return static_cast<HINF>(platform::InsertHandle(object));
}

} // namespace

Result<std::shared_ptr<InfObject>> InfOf(HINF handle) {
    auto inf = platform::LookupHandleAs<InfObject>(static_cast<HANDLE>(handle));
    if (!inf)
        return Status::Failure(ERROR_INVALID_HANDLE, "not an open INF file");
    return inf;
}

std::string SourceRootOf(const InfObject& inf, LPCSTR sourceRootPath) {
    return sourceRootPath && *sourceRootPath ? HostPath(sourceRootPath) : inf.folder;
}

} // namespace win32

HINF SetupOpenInfFileA(LPCSTR FileName, LPCSTR InfClass, DWORD InfStyle, UINT* ErrorLine) {
    if (ErrorLine)
        *ErrorLine = 0;
    return platform::AtBoundary<HINF>(
        INVALID_HANDLE_VALUE, [&] { return win32::Open(FileName, InfClass, InfStyle, ErrorLine); });
}

void SetupCloseInfFile(HINF InfHandle) {
    if (platform::LookupHandleAs<win32::InfObject>(static_cast<HANDLE>(InfHandle)))
        CloseHandle(static_cast<HANDLE>(InfHandle));
}
