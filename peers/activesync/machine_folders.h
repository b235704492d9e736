// The two machine folders a synchronization works on. jsync never makes a
// machine: a handheld is made by the notes program or `ceutil init`, a desktop
// by `outlook-notes`. A dry run works on a scratch copy of both folders, so
// that nothing on disk changes, not even a lock file or a registration.
#pragma once

#include "platform/base/status.h"

#include <string>

namespace jsync {

// Succeeds when `handheldDir` holds a handheld (its objectstore.db) and
// `desktopDir` a desktop (its registry.db or outlook.db). Otherwise says
// what was found instead: nothing, a folder of something else, or the other
// kind of machine (the two swapped). Creates nothing.
platform::Status CheckMachines(const std::string& handheldDir, const std::string& desktopDir);
// The handheld half of CheckMachines.
platform::Status CheckHandheld(const std::string& handheldDir);

// A copy of both machine folders in a fresh temporary folder, removed with
// the object. Regular files and folders are copied; sockets are left out.
class ScratchMachines {
public:
    static platform::Result<ScratchMachines> Copy(const std::string& handheldDir,
                                                  const std::string& desktopDir);
    ScratchMachines(ScratchMachines&& other) noexcept;
    ScratchMachines& operator=(ScratchMachines&&) = delete;
    ~ScratchMachines();

    std::string HandheldDir() const { return m_root + "/handheld"; }
    std::string DesktopDir() const { return m_root + "/desktop"; }

private:
    explicit ScratchMachines(std::string root) : m_root(std::move(root)) {}
    std::string m_root;
};

} // namespace jsync
