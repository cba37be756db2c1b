// vx42ctl presets show, firmware show, srec2blu.

#include <memory>

#include "calibration/converters.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "files/gauge_presets.h"
#include "files/json_input.h"
#include "files/paths.h"
#include "firmware/firmware_files.h"

namespace vx42::cli {

namespace {

struct FileOptions {
    std::string file;
    std::string output;
};

template <typename Array>
nlohmann::ordered_json Numbers(const Array& values) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (double v : values) list.push_back(JsonNumber(v));
    return list;
}

nlohmann::ordered_json PresetToJson(const GaugePreset& p) {
    nlohmann::ordered_json j;
    j["GaugeName"] = p.GaugeName;
    j["GaugePartNum"] = p.GaugePartNum;
    j["OutputName"] = p.OutputName;
    j["Function"] = p.Function;
    j["Frequency"] = p.Frequency;
    j["OutputOn"] = p.OutputOn;
    j["OutputOff"] = p.OutputOff;
    j["DataBreakpoints"] = Numbers(p.DataBreakpoints);
    j["BatteryBreakpoints"] = Numbers(p.BatteryBreakpoints);
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const auto& row : p.DataRows) rows.push_back(Numbers(row));
    j["DataRows"] = rows;
    return j;
}

void ShowPresets(Session& session, const FileOptions& o) {
    // The window creates a missing presets file; here a missing file is a mistyped argument.
    if (!FileExists(o.file)) throw CliError("File not found: " + Quoted(o.file));
    session.prompt.SetOperation(Quoted(o.file));
    const auto presets = ReadGaugePresets(o.file, session.prompt);
    if (session.prompt.MessagesShown() > 0) throw ReportedFailure();
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (std::size_t k = 0; k < presets.size(); ++k) {
        if (!presets[k].Usable())
            Note(Quoted(o.file) + ": preset " + std::to_string(k + 1) + " (" +
                 presets[k].GaugeName + ") cannot be applied: " + presets[k].Problem);
        list.push_back(PresetToJson(presets[k]));
    }
    PrintJson(list);
}

void ShowFirmware(const FileOptions& o) {
    FirmwareFile firmware;
    try {
        firmware = ParseFirmwareFile(ReadInputFile(o.file, limits::kFirmwareFileBytes), o.file);
    } catch (const FirmwareFormatError& e) {
        throw CliError(e.what());
    }
    nlohmann::ordered_json j;
    j["RecordCount"] = firmware.recordCount;
    j["Identification"] = BytesToHex(firmware.identification);
    j["VersionAddress"] = firmware.versionAddress;
    j["InfoAddress"] = firmware.infoAddress;
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (auto& r : firmware.records) {
        nlohmann::ordered_json record;
        record["Type"] = r.type;
        record["Length"] = r.length;
        record["Address"] = r.address;
        record["Data"] = BytesToHex(r.data);
        std::vector<std::uint8_t>().swap(r.data);  // shown in hexadecimal from here on
        records.push_back(std::move(record));
    }
    j["Records"] = records;
    PrintJson(j);
}

void SRecordsToBlu(Session& session, const FileOptions& o) {
    // The S-record reader creates a missing source; a command line names an existing one.
    if (!FileExists(o.file)) throw CliError("File not found: " + Quoted(o.file));
    session.prompt.SetOperation("srec2blu");
    if (!CreateBootImageFile(o.file, o.output, session.prompt))
        session.prompt.Fail("no BLU file was made from " + Quoted(o.file));
}

}  // namespace

void AddFileCommands(CLI::App& app, Session& session) {
    auto o = std::make_shared<FileOptions>();
    Session* s = &session;

    auto* presets = app.add_subcommand("presets", "Gauge presets files (GaugePresets.CFG)");
    presets->require_subcommand(1);
    auto* presetsShow = presets->add_subcommand(
        "show", "Print the presets of a gauge presets file as a JSON array");
    presetsShow->add_option("FILE", o->file, "Gauge presets file (.CFG)")->required();
    presetsShow->callback([s, o] { ShowPresets(*s, *o); });

    auto* firmware = app.add_subcommand("firmware", "Firmware files (.ROM, .RM2)");
    firmware->require_subcommand(1);
    auto* firmwareShow = firmware->add_subcommand(
        "show",
        "Print a firmware file as JSON: its header and every record with its data in "
        "hexadecimal");
    firmwareShow->add_option("FILE", o->file, "Firmware file (.ROM or .RM2)")->required();
    firmwareShow->callback([o] { ShowFirmware(*o); });

    auto* srec = app.add_subcommand(
        "srec2blu",
        "Build a bootloader upgrade file (.BLU) from Motorola S-records: the data of "
        "the S1, S2 and S3 records from the first record's address on, gaps as 0x00");
    srec->add_option("IN", o->file, "S-record file (.s19)")->required();
    srec->add_option("-o,--output", o->output, "Bootloader upgrade file to write (.BLU)")
        ->required();
    srec->callback([s, o] { SRecordsToBlu(*s, *o); });
}

}  // namespace vx42::cli
