#include "peers/activesync/machine_folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace jsync {

using platform::Result;
using platform::Status;

namespace fs = std::filesystem;

namespace {

enum class Kind { Missing, NotAFolder, Handheld, Desktop, Other };

Kind KindOf(const std::string& dir) {
    std::error_code error;
    const fs::file_status status = fs::status(dir, error);
    if (!fs::exists(status))
        return Kind::Missing;
    if (!fs::is_directory(status))
        return Kind::NotAFolder;
    if (fs::exists(fs::path(dir) / "objectstore.db", error))
        return Kind::Handheld;
    if (fs::exists(fs::path(dir) / "registry.db", error) ||
        fs::exists(fs::path(dir) / "outlook.db", error))
        return Kind::Desktop;
    return Kind::Other;
}

Status Refuse(const std::string& what) {
    return Status::Failure(ERROR_FILE_NOT_FOUND, what);
}

} // namespace

Status CheckHandheld(const std::string& handheldDir) {
    switch (KindOf(handheldDir)) {
    case Kind::Handheld:
        return Status();
    case Kind::Missing:
        return Refuse("there is no handheld at " + handheldDir +
                      " (a new one is made by jotta or by ceutil --handheld DIR init)");
    case Kind::NotAFolder:
        return Refuse("the handheld " + handheldDir + " is not a folder");
    case Kind::Desktop:
        return Refuse(handheldDir + " is a desktop, not a handheld (it holds no objectstore.db)");
    case Kind::Other:
        break;
    }
    return Refuse(handheldDir + " holds no handheld (no objectstore.db)");
}

Status CheckMachines(const std::string& handheldDir, const std::string& desktopDir) {
    const Kind desktop = KindOf(desktopDir);
    if (KindOf(handheldDir) == Kind::Desktop && desktop == Kind::Handheld)
        return Refuse(handheldDir + " is a desktop and " + desktopDir +
                      " a handheld: --handheld and --desktop are swapped");
    JW_RETURN_IF_FAILED(CheckHandheld(handheldDir));
    switch (desktop) {
    case Kind::Desktop:
        return Status();
    case Kind::Missing:
        return Refuse("there is no desktop at " + desktopDir +
                      " (a new one is made by outlook-notes --desktop DIR)");
    case Kind::NotAFolder:
        return Refuse("the desktop " + desktopDir + " is not a folder");
    case Kind::Handheld:
        return Refuse(desktopDir + " is a handheld, not a desktop (it holds objectstore.db)");
    case Kind::Other:
        break;
    }
    return Refuse(desktopDir + " holds no desktop (no registry.db or outlook.db)");
}

namespace {

Status CopyFolder(const fs::path& from, const fs::path& to) {
    // Folders keep their modes, so the copy is as private as the machine.
    std::error_code error;
    fs::create_directory(to, from, error);
    for (auto it = fs::recursive_directory_iterator(from, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::path target = to / fs::relative(it->path(), from, error);
        if (error)
            break;
        if (it->is_directory(error))
            fs::create_directory(target, it->path(), error);
        else if (it->is_regular_file(error))
            fs::copy_file(it->path(), target, error);
        if (error)
            break;
    }
    if (error)
        return Status::Failure(ERROR_WRITE_FAULT, "cannot copy " + from.string() +
                                                      " for the dry run: " + error.message());
    return Status();
}

} // namespace

Result<ScratchMachines> ScratchMachines::Copy(const std::string& handheldDir,
                                              const std::string& desktopDir) {
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "jsync-dry-run-XXXXXX").string();
    if (error || !mkdtemp(pattern.data()))
        return Status::Failure(ERROR_WRITE_FAULT, "cannot make a folder for the dry run");
    ScratchMachines scratch(pattern);
    JW_RETURN_IF_FAILED(CopyFolder(handheldDir, scratch.HandheldDir()));
    JW_RETURN_IF_FAILED(CopyFolder(desktopDir, scratch.DesktopDir()));
    return scratch;
}

ScratchMachines::ScratchMachines(ScratchMachines&& other) noexcept
    : m_root(std::move(other.m_root)) {
    other.m_root.clear();
}

ScratchMachines::~ScratchMachines() {
    std::error_code error;
    if (!m_root.empty())
        fs::remove_all(m_root, error);
}

} // namespace jsync
