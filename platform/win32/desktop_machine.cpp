// The desktop as the machine a window system runs on: its folder, and its
// window station in a file of its own beside the registry.
#include "platform/win32/machine.h"

namespace {

class DesktopMachineImpl : public platform::StationMachine {
public:
    std::string Folder() override { return win32::DesktopDirectory(); }
    platform::Result<std::shared_ptr<platform::sqlite::Connection>> OpenStationFile() override {
        return platform::sqlite::Connection::Shared(Folder() + "/windows.db");
    }
};

} // namespace

namespace win32 {

platform::StationMachine& DesktopMachine() {
    // Never destroyed: windows may still reach the station while the process exits.
    static auto* machine = new DesktopMachineImpl;
    return *machine;
}

} // namespace win32
