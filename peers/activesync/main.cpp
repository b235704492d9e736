// jsync: the synchronization service managers of the handheld and the
// desktop, as one program (see command_line.h and docs/sync.md).
#include "peers/activesync/command_line.h"
#include "peers/activesync/partner_slots.h"
#include "peers/activesync/session.h"
#include "peers/activesync/status_report.h"
#include "platform/base/installation.h"
#include "platform/ce/machine.h"
#include "platform/ui/headless/headless_backend.h"
#include "platform/ui/terminal/terminal_backend.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) {
    g_stop = true;
}

int Run(const jsync::Options& options) {
    if (options.command == jsync::Command::Partners || options.command == jsync::Command::Forget) {
        if (options.handheld)
            ce::SetHandheldDirectory(*options.handheld);
        const std::string handheld = ce::ChosenHandheldDirectory();
        const platform::Status status =
            options.command == jsync::Command::Partners
                ? jsync::ListPartners(handheld, stdout)
                : jsync::ForgetPartner(handheld, *options.partner, stdout);
        if (!status.ok())
            std::fprintf(stderr, "jsync: %s\n", status.message().c_str());
        return status.ok() ? 0 : 1;
    }
    if (options.command == jsync::Command::Status) {
        const platform::Status status = jsync::ReportStatus(options, stdout);
        if (!status.ok())
            std::fprintf(stderr, "jsync: %s\n", status.message().c_str());
        return status.ok() ? 0 : 1;
    }
    auto session = jsync::Session::Open(options);
    if (!session.ok()) {
        std::fprintf(stderr, "jsync: %s\n", session.status().message().c_str());
        return 1;
    }
    if (options.command == jsync::Command::Options) {
        ui::ChooseTerminalOrHeadless("jsync");
        auto said = session.value()->ShowOptions();
        // The terminal is the shell's again before anything is said.
        ui::SetBackend(std::make_unique<ui::HeadlessBackend>());
        if (!said.ok()) {
            std::fprintf(stderr, "jsync: %s\n", said.status().message().c_str());
            return 1;
        }
        std::fputs(said->c_str(), stdout);
        return 0;
    }
    // An interruption ends a pass between two notes; the next run goes on from there.
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    if (options.watch)
        return session.value()->Watch(g_stop);
    auto result = session.value()->RunPass(&g_stop);
    if (!result.ok()) {
        std::fprintf(stderr, "jsync: synchronization failed: %s\n",
                     result.status().message().c_str());
        return 1;
    }
    if (!result->refusal.empty()) {
        std::fprintf(stderr, "jsync: %s\n", result->refusal.c_str());
        return 1;
    }
    jsync::PrintSummary(stdout, result.value(), options.dryRun);
    if (result->interrupted) {
        std::fprintf(stderr, "jsync: interrupted; the next synchronization goes on from here\n");
        return 1;
    }
    if (!result->failures.empty()) {
        std::fprintf(stderr, "jsync: %zu notes could not be synchronized\n",
                     result->failures.size());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options =
        jsync::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!options) {
        std::fputs(platform::ArgumentErrorText("jsync", error).c_str(), stderr);
        return 2;
    }
    if (options->command == jsync::Command::Help) {
        std::fputs(jsync::kUsage, stdout);
        return 0;
    }
    if (options->command == jsync::Command::Version) {
        std::fputs(platform::VersionText("jsync").c_str(), stdout);
        return 0;
    }
    try {
        return Run(*options);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "jsync: %s\n", failure.what());
        return 1;
    }
}
