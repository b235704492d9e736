// The machine installed for this process: one for every module, since this
// library is loaded once per process.
#include "platform/base/machine.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<Machine*> g_machine{nullptr};
} // namespace

void InstallMachine(Machine* machine) {
    g_machine.store(machine);
}

bool OfferMachine(Machine* machine) {
    Machine* none = nullptr;
    return g_machine.compare_exchange_strong(none, machine);
}

Machine* InstalledMachine() {
    return g_machine.load();
}

} // namespace platform
