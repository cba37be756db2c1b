// vx42ctl calibration show | build | describe | diff | report, and map.

#include <cstdio>
#include <iostream>
#include <memory>
#include <span>
#include <stdexcept>

#include "calibration/cal_image.h"
#include "calibration/converters.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "files/calibration_json.h"
#include "files/restore_points.h"
#include "review/calibration_diff.h"
#include "review/calibration_text.h"
#include "review/job_sheet.h"

namespace vx42::cli {

namespace {

struct CalibrationOptions {
    std::string file;
    std::string second;
    std::string output;
    bool metric = false;
    std::string serial, firmware;  // of the module the calibration is for (report)
};

UnitFlags UnitsOf(const CalibrationOptions& o) {
    return o.metric ? UnitFlags::AllMetric() : UnitFlags{};
}

void Show(const CalibrationOptions& o) {
    PrintJson(CalibrationToJson(ReadCalibrationInput(o.file)));
}

void Build(const CalibrationOptions& o) {
    const auto json = ReadJsonFile(o.file, limits::kCalibrationJson);
    CalImage image;
    try {
        image = CalibrationFromJson(json);
    } catch (const std::invalid_argument& e) {
        throw CliError(Quoted(o.file) + ": " + e.what());
    }
    WriteCalibrationOutput(o.output, image);
}

void Describe(const CalibrationOptions& o) {
    const CalImage image = ReadCalibrationInput(o.file);
    if (image.Blank()) {
        std::cout << Quoted(o.file) << " holds no calibration: every byte is blank (0xFF).\n";
        return;
    }
    std::cout << "Calibration " << Quoted(o.file) << "\n" << DescribeCalibration(image, UnitsOf(o));
}

void Diff(const CalibrationOptions& o) {
    const CalImage first = ReadCalibrationInput(o.file);
    const CalImage second = ReadCalibrationInput(o.second);
    const auto differences = DiffCalibrations(first, second, UnitsOf(o));
    for (const auto& d : differences) std::cout << DifferenceLine(d) << "\n";
    if (!differences.empty()) throw ExitStatus(kExitDiffer);
}

// The job sheet as HTML, into a file or on standard output.
void Report(const CalibrationOptions& o) {
    const CalImage image = ReadCalibrationInput(o.file);
    const JobSheetHeader header{o.serial, o.firmware, RestoreTimeText(NowSeconds()), o.file};
    const std::string html = JobSheetHtml(image, UnitsOf(o), header);
    if (o.output.empty()) {
        std::cout << html;
        return;
    }
    WriteOutputFile(o.output,
                    std::span(reinterpret_cast<const std::uint8_t*>(html.data()), html.size()));
}

std::string Hex4(int address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", address);
    return text;
}

// Where the settings live, and what a calibration holds at each output's head.
void Map(const CalibrationOptions& o) {
    const CalImage image = o.file.empty() ? CalImage{} : ReadCalibrationInput(o.file);
    const auto& m = CalAddresses();
    std::cout << "Calibration image: " << kCalImageSize << " bytes, module addresses "
              << Hex4(kCalBaseAddress) << " to " << Hex4(kCalBaseAddress + kCalImageLast) << "\n";
    for (int o = 0; o < kOutputs; ++o) {
        const auto& out = m.OutputCal[o];
        std::cout << "Output " << o + 1 << " at " << Hex4(out.FunctionFlags) << ": name \""
                  << image.Text(m.OutputName[o], width::OutputName) << "\", function byte 0x"
                  << ByteToHex(image.Byte(out.FunctionFlags)) << ", period "
                  << image.Word(out.Period) << ", table at " << Hex4(out.TableBlock) << "\n";
    }
    std::cout << "CAN speed at " << Hex4(m.CanSpeed) << ": " << image.Word(m.CanSpeed)
              << " kbit/s\n";
    for (int s = 0; s < kMessageSlots; ++s) {
        const auto& def = m.MessageDefSlot[s];
        std::cout << "Message slot " << s + 1 << " at " << Hex4(m.MessageSlot[s].CanId) << ": id "
                  << BytesToHex(image.CopyFromImage(ImageIndex(m.MessageSlot[s].CanId), 3))
                  << ", \"" << image.Text(def.LibraryName, width::LibraryName) << "\" / \""
                  << image.Text(def.MessageName, width::MessageName) << "\"\n";
    }
    std::cout << "Last laid-out setting ends at " << Hex4(m.End - 1)
              << "; the image carries one byte more.\n";
}

}  // namespace

void AddCalibrationCommands(CLI::App& app, Session& session) {
    auto o = std::make_shared<CalibrationOptions>();
    auto* group = app.add_subcommand("calibration",
                                     "Calibration files (.DVF): show, build, "
                                     "describe and compare them");
    group->require_subcommand(1);

    auto* show = group->add_subcommand(
        "show",
        "Print a calibration file as JSON: every setting of the four outputs, the CAN "
        "speed and the eight message slots");
    show->add_option("FILE", o->file, "Calibration file (.DVF)")->required();
    show->callback([o] { Show(*o); });

    auto* build = group->add_subcommand(
        "build",
        "Write a calibration file from JSON in the shape \"calibration show\" prints "
        "(texts are padded with blanks)");
    build->add_option("IN", o->file, "JSON file")->required();
    build->add_option("-o,--output", o->output, "Calibration file to write (.DVF)")->required();
    build->callback([o] { Build(*o); });

    auto* describe = group->add_subcommand(
        "describe",
        "Print a calibration as a person reads it: per output its name, function, "
        "relay drive, settings, switch rules, tables and the messages it listens to");
    describe->add_option("FILE", o->file, "Calibration file (.DVF)")->required();
    describe->add_flag("--metric", o->metric, "Show formatted values in metric units");
    describe->callback([o] { Describe(*o); });

    auto* diff = group->add_subcommand(
        "diff",
        "Print one line per setting in which two calibrations differ, with both values; "
        "exit status 0 when they are equal, 1 when they differ");
    diff->add_option("A", o->file, "First calibration file (.DVF)")->required();
    diff->add_option("B", o->second, "Second calibration file (.DVF)")->required();
    diff->add_flag("--metric", o->metric, "Show formatted values in metric units");
    diff->callback([o] { Diff(*o); });

    auto* report = group->add_subcommand(
        "report",
        "Write the job sheet of a calibration as HTML: the module, the date, the file and "
        "per output its function, drive, messages, switch rules and table with a plot");
    report->add_option("FILE", o->file, "Calibration file (.DVF)")->required();
    report->add_option("-o,--output", o->output, "HTML file to write (standard output without it)");
    report->add_option("--serial", o->serial, "The module's serial number, for the sheet");
    report->add_option("--firmware", o->firmware, "The module's firmware version, for the sheet");
    report->add_flag("--metric", o->metric, "Show formatted values in metric units");
    report->callback([o] { Report(*o); });

    AddCalibrationCheck(*group, session);

    auto* map = app.add_subcommand("map",
                                   "Print the address map and the head of each output of a "
                                   "calibration file (or of a fresh, empty image)");
    map->add_option("FILE", o->file, "Calibration file (.DVF)");
    map->callback([o] { Map(*o); });
}

}  // namespace vx42::cli
