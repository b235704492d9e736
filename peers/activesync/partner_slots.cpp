#include "peers/activesync/partner_slots.h"

#include "peers/activesync/handheld_state.h"
#include "peers/activesync/machine_folders.h"

#include <filesystem>
#include <system_error>

namespace jsync {

using platform::Status;

namespace {

// The handheld's partnership state; none (and nothing made) on a handheld
// that never synchronized.
platform::Result<std::unique_ptr<HandheldState>> OpenState(const std::string& handheldDir) {
    JW_RETURN_IF_FAILED(CheckHandheld(handheldDir));
    std::error_code error;
    if (!std::filesystem::exists(handheldDir + "/activesync/partners.db", error))
        return std::unique_ptr<HandheldState>();
    return HandheldState::Open(handheldDir);
}

} // namespace

Status ListPartners(const std::string& handheldDir, std::FILE* out) {
    JW_ASSIGN_OR_RETURN(auto state, OpenState(handheldDir));
    for (UINT bit : {1u, 2u}) {
        const auto slot = state ? state->Slot(bit) : std::nullopt;
        std::fprintf(out, "partner %u: %s\n", bit, slot ? slot->desktopName.c_str() : "free");
    }
    return Status();
}

Status ForgetPartner(const std::string& handheldDir, UINT partnerBit, std::FILE* out) {
    JW_ASSIGN_OR_RETURN(auto state, OpenState(handheldDir));
    const auto slot = state ? state->Slot(partnerBit) : std::nullopt;
    if (!slot) {
        std::fprintf(out, "partner slot %u is free already\n", partnerBit);
        return Status();
    }
    JW_RETURN_IF_FAILED(state->Release(partnerBit));
    std::fprintf(out, "partner slot %u is free; it belonged to the desktop %s\n", partnerBit,
                 slot->desktopName.c_str());
    return Status();
}

} // namespace jsync
