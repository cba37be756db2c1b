// Writes the demonstration calibration that a new simulated module starts with: four outputs
// set up the way an installer would, from the example message library, through the same
// rules as the window's edits.
//
// make_demo_calibration LIBRARY.json OUT.DVF

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "base/scripted_prompt.h"
#include "calibration/edit_target.h"
#include "calibration/outputs/output_function.h"
#include "calibration/outputs/output_settings.h"
#include "calibration/outputs/output_tables.h"
#include "calibration/outputs/relay_drive.h"
#include "calibration/outputs/switching.h"
#include "can/library_json.h"
#include "can/message_selection.h"
#include "files/calibration_file.h"

using namespace vx42;

namespace {

const CanMessage& Message(const CanLibrary& library, const std::string& name) {
    for (const auto& m : library.Messages)
        if (Trimmed(m.Name) == name) return m;
    throw std::runtime_error("the example library has no message \"" + name + "\"");
}

void Select(EditTarget& target, const LibrarySet& set, int output, const std::string& name) {
    const CanLibrary& library = set.MessageLibraries[0];
    StoreMessageSelection(target, set, output, 0, &library, &Message(library, name));
    StoreMessageSelection(target, set, output, 1, nullptr, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_demo_calibration LIBRARY.json OUT.DVF\n");
        return 2;
    }
    try {
        LibrarySet set;
        set.MessageLibraries.push_back(ReadLibraryJsonFile(argv[1]));
        set.MessageLibraries[0].Name = "SAE J1939";
        CalImage image;
        for (int i = 0; i < kCalImageSize; ++i) image[i] = 0;
        bool changed = false;
        OfflineSink offline;
        EditTarget target{image, changed, offline};
        const FormatContext raw;  // every value below is a raw CAN value
        image.StoreWord(CalAddresses().CanSpeed, 250);

        for (int o = 0; o < kOutputs; ++o) {
            const OutputEdit out{target, raw, o};
            StoreSamplePeriod(out, 0, "100");
            StoreFilterSize(out, 0, "4");
            StoreSamplePeriod(out, 1, "100");
            StoreFilterSize(out, 1, "4");
            StoreShowFormatted(out, true);
        }

        // Output 1: a fuel gauge, 100 Hz, 10 % empty to 90 % full.
        {
            const OutputEdit out{target, raw, 0};
            Select(target, set, 0, "Fuel Level 1");
            SelectFunction(out, OutputFunction::AnalogGauge);
            StoreOutputName(out, "Fuel Gauge");
            StorePeriod(out, "100");
            StoreTimeout(out, 0, "2000");
            SetDefaultBatteryBreakpoints(out);
            for (int c = 1; c <= 16; ++c) {
                StoreTableCell(out, TableGrid::Analog, 0, c, (c - 1) * 250.0 / 15);
                for (int r = 1; r <= 6; ++r)
                    StoreTableCell(out, TableGrid::Analog, r, c, 10 + (c - 1) * 80.0 / 15);
            }
        }
        // Output 2: the coolant fan relay, on at 95 °C, off again at 90 °C, after 500 ms.
        {
            const OutputEdit out{target, raw, 1};
            Select(target, set, 1, "Coolant Temperature");
            SelectFunction(out, OutputFunction::RelayControl);
            StoreOutputName(out, "Coolant Fan");
            StorePeriod(out, "500");
            StoreDriveOn(out, Drive::Ground, Drive::Open);
            StoreDriveOff(out, Drive::Open, Drive::Ground);
            StoreSwitchFunction(out, 0, SwitchFunction::SimpleOffToOn);
            StoreSwitchPoint(out, 0, SwitchPoint::OnA, "135");   // 95 °C
            StoreSwitchPoint(out, 0, SwitchPoint::OffA, "130");  // 90 °C
            StoreTimeout(out, 0, "1000");
        }
        // Output 3: an electronic speedometer from wheel-based vehicle speed.
        {
            const OutputEdit out{target, raw, 2};
            Select(target, set, 2, "Wheel-Based Veh Speed");
            SelectFunction(out, OutputFunction::SpeedoTach);
            StoreOutputName(out, "Speedometer");
            StorePeriod(out, "50");
            StoreTimeout(out, 0, "1000");
            for (int c = 0; c < 16; ++c) {
                const double kph = c * 200.0 / 15;
                StoreTableCell(out, TableGrid::Freq, 0, c, kph * 256);
                StoreTableCell(out, TableGrid::Freq, 1, c, kph * 2.2);
            }
        }
        // Output 4: a tachometer signal as a voltage output.
        {
            const OutputEdit out{target, raw, 3};
            Select(target, set, 3, "Engine Speed");
            SelectFunction(out, OutputFunction::VoltageOut);
            StoreOutputName(out, "Tach Voltage");
            StorePeriod(out, "200");
            SetDefaultBatteryBreakpoints(out);
            ScriptedPrompt refusals;  // the boxes' texts are numbers: nothing is refused
            StoreVoltOutDuty(out, 0, "5", refusals);
            StoreVoltOutDuty(out, 1, "95", refusals);
            StoreVoltOutData(out, 0, "0", refusals);
            StoreVoltOutData(out, 1, "56000", refusals);  // 7000 rpm
            if (!refusals.Unexpected().empty())
                throw std::runtime_error(refusals.Unexpected().front());
        }
        WriteCalibrationFile(argv[2], image);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_demo_calibration: %s\n", e.what());
        return 1;
    }
    return 0;
}
