// vx42ctl demo: the tool at work on the simulated module, for a first run without a display:
// connect, retrieve, describe. A simulated module that has never been written is given the
// demonstration calibration first.

#include <iostream>
#include <memory>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/module_session.h"
#include "files/calibration_file.h"
#include "files/folders.h"
#include "files/paths.h"
#include "review/calibration_text.h"

namespace vx42::cli {

namespace {

// The demonstration calibration built with the program (Demo.DVF in its folder): four outputs
// set up from the SAE J1939 example library the way an installer would.
CalImage DemoCalibration() {
    return ReadCalibrationFile(JoinPath(ProgramFolders().shared, "Demo.DVF")).image;
}

bool Erased(const CalImage& image) {
    for (std::uint8_t b : image.bytes())
        if (b != 0xFF) return false;
    return true;
}

struct DemoOptions {
    std::string simState;
    bool metric = false;
};

void Demo(Session& session, const DemoOptions& o) {
    session.prompt.SetOperation("demo");
    DeviceOptions device;
    device.device = "sim";
    device.simState = o.simState;
    ModuleSession module(device, session.prompt);
    Note("demo: connecting to the simulated module");
    module.Connect();
    Note("demo: module " + module.link().DeviceSerial() + ", firmware " +
         module.link().FirmwareVersion() + "; retrieving its calibration");
    const int shown = session.prompt.MessagesShown();
    CalImage image;
    ProgressBar bar;
    if (!module.link().RetrieveCalibration(image, module.ProgressOn(bar)))
        session.prompt.Fail("the module's calibration could not be read", shown);
    if (Erased(image)) {
        bar.Finish();
        Note("demo: the module's calibration is erased; writing a demonstration calibration");
        image = DemoCalibration();
        if (!module.link().WriteWholeCalibration(image, module.ProgressOn(bar)))
            session.prompt.Fail("the demonstration calibration was not written", shown);
        if (!module.link().RetrieveCalibration(image, module.ProgressOn(bar)))
            session.prompt.Fail("the module's calibration could not be read", shown);
    }
    bar.Finish();
    std::cout << "Calibration of module " << module.link().DeviceSerial() << "\n"
              << DescribeCalibration(image, o.metric ? UnitFlags::AllMetric() : UnitFlags{});
}

}  // namespace

void AddDemoCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<DemoOptions>();
    Session* s = &session;
    auto* demo = app.add_subcommand(
        "demo",
        "Show the tool at work on the simulated module: connect, retrieve the "
        "calibration and describe it (a never-written module first gets a demonstration "
        "calibration)");
    demo->group("Module commands");
    demo->add_option("--sim-state", o->simState,
                     "Keep the simulated module's memory in this file between runs");
    demo->add_flag("--metric", o->metric, "Show formatted values in metric units");
    demo->callback([s, o] { Demo(*s, *o); });
}

}  // namespace vx42::cli
