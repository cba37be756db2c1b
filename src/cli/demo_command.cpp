// vx42ctl demo: the tool at work on the simulated module, for a first run without a display:
// connect, retrieve, describe. A simulated module that has never been written is given a
// demonstration calibration first (messages of the SAE J1939 example library).

#include <cmath>
#include <iostream>
#include <memory>

#include "calibration/converters.h"
#include "can/can_message.h"
#include "cli/calibration_text.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/module_session.h"

namespace vx42::cli {

namespace {

struct DemoSignal {
    const char* canId;  // hexadecimal, as in the library
    const char* name;
    const char* description;
    int startByte, bitLength;
    double multiplier;
    std::int32_t offset;
    const char* unit;
};

constexpr DemoSignal kCoolant{
    "18FEEE00", "Coolant Temperature", "SPN 110, PGN 65262 (ET1)", 0, 8, 1, -40, "°C"};
constexpr DemoSignal kFuel{"18FEFC17", "Fuel Level 1", "SPN 96, PGN 65276 (DD)", 1, 8, 0.4, 0, "%"};
constexpr DemoSignal kSpeed{
    "18FEF100", "Wheel-Based Veh Speed", "SPN 84, PGN 65265 (CCVS)", 1, 16, 1.0 / 256, 0, "KPH"};

// Output `output`'s primary data from message slot 2 x output.
void SetPrimary(CalImage& image, int output, const DemoSignal& s) {
    const auto& m = CalAddresses();
    const int slot = 2 * output;
    const auto& ds = m.OutputCal[output].DataSource[0];
    image.SetByte(ds.MessageSlot, static_cast<std::uint8_t>(slot + 1));
    image.SetByte(ds.ByteIndex, static_cast<std::uint8_t>(s.startByte));
    image.SetByte(ds.StartBit, 0);
    image.SetByte(ds.BitLength, static_cast<std::uint8_t>(s.bitLength));
    image.SetByte(ds.FilterSize, 4);
    image.SetByte(ds.SamplePeriod, 10);
    image.SetByte(m.ShowFormatted[output], 1);
    const auto& reg = m.MessageSlot[slot];
    image.CopyIntoImage(HexToBytes(CanIdToModule(s.canId), width::CanId), ImageIndex(reg.CanId));
    image.SetByte(reg.DataLength, 8);
    image.StoreWord(reg.Timeout, 1000);
    const auto& def = m.MessageDefSlot[slot];
    image.StoreText(def.LibraryName, width::LibraryName, "SAE J1939");
    image.StoreText(def.MessageName, width::MessageName, s.name);
    image.StoreText(def.Description, width::Description, s.description);
    image.StoreText(def.Unit, width::Unit, s.unit);
    image.StoreDouble(def.Multiplier, s.multiplier);
    image.StoreLong(def.Offset, s.offset);
    image.SetByte(m.EndianLength[slot], static_cast<std::uint8_t>(s.bitLength / 8));
}

CalImage DemoCalibration() {
    const auto& m = CalAddresses();
    CalImage image;
    image.StoreWord(m.CanSpeed, 250);

    // Output 1: the cooling fan relay, on at 95 °C and off again at 90 °C.
    image.StoreText(m.OutputName[0], width::OutputName, "Cooling Fan");
    image.SetByte(m.OutputCal[0].FunctionFlags, 0x0C);  // relay: open when off, voltage when on
    image.StoreWord(m.OutputCal[0].Period, 500);        // time delay, ms
    SetPrimary(image, 0, kCoolant);
    image.StoreWord(m.OutputCal[0].PrimaryBlock, 95 + 40);      // On A
    image.StoreWord(m.OutputCal[0].PrimaryBlock + 2, 90 + 40);  // Off A

    // Output 2: a fuel gauge at 100 Hz, 10 % to 90 % duty, less as the battery voltage rises.
    const auto& fuel = m.OutputCal[1];
    image.StoreText(m.OutputName[1], width::OutputName, "Fuel Gauge");
    image.SetByte(fuel.FunctionFlags, 0x02);
    const double period = 10000;  // 1,000,000 / 100 Hz
    image.StoreWord(fuel.Period, period);
    SetPrimary(image, 1, kFuel);
    const double battery[] = {595, 743, 892, 1043, 1192, 1341};
    for (int c = 0; c < 16; ++c)
        image.StoreWord(fuel.PrimaryBlock + 2 * c, std::round(c * 250 / 15.0));
    for (int r = 0; r < 6; ++r) {
        image.StoreWord(fuel.SecondaryBlock + 2 * r, battery[r]);
        for (int c = 0; c < 16; ++c) {
            const double percent = (10 + 80 * c / 15.0) * std::min(1.0, battery[2] / battery[r]);
            image.StoreWord(fuel.TableBlock + 32 * r + 2 * c, percent / 100 * period);
        }
    }

    // Output 3: a speedometer of 8,000 pulses per mile up to 150 km/h.
    const auto& speedo = m.OutputCal[2];
    image.StoreText(m.OutputName[2], width::OutputName, "Speedometer");
    image.SetByte(speedo.FunctionFlags, 0x20);
    image.StoreWord(speedo.Period, 50 * 36);  // 50 % duty
    SetPrimary(image, 2, kSpeed);
    for (int c = 0; c < 16; ++c) {
        const double kph = c * 10;
        image.StoreWord(speedo.PrimaryBlock + 2 * c, kph * 256);
        image.StoreWord(speedo.TableBlock + 2 * c, kph / 1.609344 * 8000 / 3600 * 10);
    }
    return image;
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
