// The link to one module for one vx42ctl command.
#include "cli/module_session.h"

#include <stdexcept>

#include "cli/cli_support.h"
#include "device/bridge_factory.h"

namespace vx42::cli {

void AddDeviceOptions(CLI::App& command, DeviceOptions& options) {
    command
        .add_option("--device", options.device,
                    "USB back end: auto (the vendor driver when it loads, else libftdi1), d2xx, "
                    "ftdi, or sim (the simulated module)")
        ->check(CLI::IsMember(BridgeKindNames()))
        ->default_str("auto")
        ->group("Module");
    command
        .add_option("--sim-state", options.simState,
                    "Keep the simulated module's memory in this file between runs (implies "
                    "--device sim)")
        ->group("Module");
    command
        .add_option("--sim", options.simConfig,
                    "Simulator settings as key=value items separated by \";\": version=2.1.0, "
                    "seed=N, drop= corrupt= short= late= stale= unplug= (probabilities), "
                    "fault=KIND@N, timing=on|off (implies --device sim)")
        ->group("Module");
}

ModuleSession::ModuleSession(const DeviceOptions& options, ConsolePrompt& prompt)
    : prompt_(prompt) {
    auto kind = ParseBridgeKind(options.device);
    if (!kind) throw CliError("--device: unknown back end " + Quoted(options.device));
    const bool wantsSim = !options.simState.empty() || !options.simConfig.empty();
    if (wantsSim && *kind == BridgeKind::Auto) kind = BridgeKind::Sim;
    if (wantsSim && *kind != BridgeKind::Sim)
        throw CliError("--sim-state and --sim need the simulated module (--device sim)");
    if (*kind == BridgeKind::Sim) {
        auto parsed = sim::ParseSimConfig(options.simConfig);
        if (!parsed) throw CliError("--sim: " + parsed.error().message);
        sim::SimConfig config = std::move(*parsed);
        if (!options.simState.empty()) config.statePath = options.simState;
        simulator_ = std::make_shared<sim::Simulator>(config);
    }
    link_ = std::make_unique<ModuleLink>(MakeBridge(*kind, simulator_), prompt);
}

ModuleSession::~ModuleSession() {
    // Closing the link also writes the simulated module's state file.
    if (link_ && link_->DeviceOpen()) {
        std::string ignored;
        link_->CloseDevice(ignored);
    }
}

void ModuleSession::Connect() {
    const int shown = prompt_.MessagesShown();
    link_->ConnectIfOffline();
    if (!link_->Online()) prompt_.Fail("the module could not be reached", shown);
}

Progress ModuleSession::ProgressOn(ProgressBar& bar) {
    return [&bar](int done, int total, const std::string& text) { bar.Update(done, total, text); };
}

}  // namespace vx42::cli
