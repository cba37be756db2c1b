// vx42ctl info, retrieve, write, verify, can-speed, can-status, read, upgrade: the commands
// that talk to a module.

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

#include "base/numbers.h"
#include "base/system_text.h"
#include "calibration/converters.h"
#include "can/hex_text.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/module_session.h"
#include "device/can_bus.h"
#include "files/paths.h"
#include "files/restore_points.h"
#include "files/window_settings.h"
#include "firmware/upgrade.h"
#include "firmware/upgrade_restore_point.h"
#include "review/calibration_diff.h"
#include "review/calibration_text.h"
#include "session/calibration_session.h"
#include "session/can_status_watch.h"

namespace vx42::cli {

namespace {

struct ModuleOptions {
    DeviceOptions device;
    std::string file;
    std::string output;
    std::string value;  // the CAN speed to set, or the address to read
    std::string historyFolder;
    bool noHistory = false;
    bool force = false;  // write a calibration the check finds errors in
    bool watch = false;  // can-status: a line per round until interrupted
};

// The restore points of retrieve, write and upgrade: the window's history unless another
// folder is given; none with --no-history.
std::string HistoryFolderOf(const ModuleOptions& o) {
    if (o.noHistory) return {};
    const std::string folder = o.historyFolder.empty() ? DefaultHistoryFolder() : o.historyFolder;
    if (folder.empty())
        throw CliError(
            "No history folder for the restore point: give one with --history-folder, "
            "or --no-history to keep none");
    return folder;
}

// The session over a connected module: what the window's session does, one step at a time,
// keeping as many restore points a module as the window's setting says.
struct CommandSession {
    CommandSession(const ModuleOptions& o, ModuleSession& module)
        : session(shown, files, HistoryFolderOf(o), RestorePointLimit(WindowSettings())) {
        Connected(module);
    }
    void Connected(ModuleSession& module) {
        session.Connected(module.link().Connection(), module.link().DeviceSerial(),
                          module.link().FirmwareVersion());
    }
    // A restore point that could not be kept fails the command (after its work is done).
    static void Kept(const char* command, const Result<void>& kept) {
        if (!kept)
            throw CliError(std::string(command) +
                           ": the restore point could not be kept: " + kept.error().message);
    }
    CalImage shown;
    FileState files;
    CalibrationSession session;
};

// The calibration check's findings in the file, each once as a note; when there are errors,
// a summary that points to them.
std::string CheckErrors(const char* command, const std::string& file, const CalImage& image) {
    const auto findings = CheckCalibration(image, nullptr, UnitFlags{});
    for (const Finding& f : findings) Note(std::string(command) + ": " + FindingLine(f));
    if (!HasErrors(findings)) return {};
    return "the calibration check found errors in " + Quoted(file) + " (listed above)";
}

// Runs a module command: the prompt names the command, the session is connected.
template <typename Body>
void WithModule(Session& session, const ModuleOptions& o, const char* command, Body body) {
    session.prompt.SetOperation(command);
    ModuleSession module(o.device, session.prompt);
    module.Connect();
    body(module);
}

void Info(Session& session, const ModuleOptions& o) {
    WithModule(session, o, "info", [](ModuleSession& module) {
        nlohmann::ordered_json j;
        j["SerialNumber"] = module.link().DeviceSerial();
        j["FirmwareVersion"] = module.link().FirmwareVersion();
        PrintJson(j);
    });
}

// The module's whole calibration, with a progress bar.
CalImage RetrieveFrom(Session& session, ModuleSession& module) {
    const int shown = session.prompt.MessagesShown();
    CalImage image;
    ProgressBar bar;
    if (!module.link().RetrieveCalibration(image, module.ProgressOn(bar)))
        session.prompt.Fail("the module's calibration could not be read", shown);
    return image;
}

void Retrieve(Session& session, const ModuleOptions& o) {
    HistoryFolderOf(o);  // before the module is touched
    WithModule(session, o, "retrieve", [&](ModuleSession& module) {
        CommandSession command(o, module);
        const CalImage image = RetrieveFrom(session, module);
        const auto kept = command.session.Retrieved(image);
        WriteCalibrationOutput(o.output, image);
        if (command.session.ModuleBlank())
            Note("retrieve: module " + module.link().DeviceSerial() +
                 " holds no calibration (its memory is blank); the blank image was written to " +
                 Quoted(o.output));
        else
            Note("retrieve: the calibration of module " + module.link().DeviceSerial() +
                 " was written to " + Quoted(o.output));
        CommandSession::Kept("retrieve", kept);
    });
}

void Write(Session& session, const ModuleOptions& o) {
    const CalImage image = ReadCalibrationInput(o.file);
    HistoryFolderOf(o);
    if (const std::string errors = CheckErrors("write", o.file, image); !errors.empty()) {
        if (!o.force)
            throw CliError("write: " + errors + "\nNothing was written; --force writes it anyway.");
        Note("write: written despite the errors (--force)");
    }
    WithModule(session, o, "write", [&](ModuleSession& module) {
        CommandSession command(o, module);
        if (!command.session.ReplaceShown(image, ImageOrigin::File, o.file))
            throw CliError("write: " + command.session.BusyText(Transfer::Write));
        const int shown = session.prompt.MessagesShown();
        ProgressBar bar;
        const bool written = module.link().WriteWholeCalibration(image, module.ProgressOn(bar));
        bar.Finish();
        const auto kept = command.session.WholeWriteEnded(
            written, image,
            std::string(restore_event::ProgrammedFromFile) + " " + FileNameOfPath(o.file));
        if (!written) session.prompt.Fail("the calibration was not written", shown);
        Note("write: " + Quoted(o.file) + " was written to module " + module.link().DeviceSerial());
        CommandSession::Kept("write", kept);
    });
}

void Verify(Session& session, const ModuleOptions& o) {
    const CalImage expected = ReadCalibrationInput(o.file);
    if (const std::string errors = CheckErrors("verify", o.file, expected); !errors.empty())
        Note("verify: " + errors);
    std::vector<SettingDifference> differences;
    WithModule(session, o, "verify", [&](ModuleSession& module) {
        differences = DiffCalibrations(expected, RetrieveFrom(session, module), UnitFlags{});
    });
    for (const auto& d : differences) std::cout << DifferenceLine(d) << "\n";
    if (!differences.empty()) {
        Note("verify: the module differs from " + Quoted(o.file) + " in " +
             std::to_string(differences.size()) +
             (differences.size() == 1 ? " setting" : " settings") + " (file -> module)");
        throw ExitStatus(kExitDiffer);
    }
    Note("verify: the module holds " + Quoted(o.file));
}

// Two bytes of the module's memory, read with the usual attempts.
Bytes ReadTwoBytes(ModuleSession& module, int address, const std::string& what) {
    Bytes data;
    if (!module.link().Read2BytesRetry(address, data) || data.size() < 2)
        throw CliError(what + " could not be read from the module");
    return data;
}

void CanSpeed(Session& session, const ModuleOptions& o) {
    std::optional<unsigned> wanted;
    if (!o.value.empty()) {
        const auto kbits = ReadUnsigned(o.value, 10, UINT32_MAX);
        if (!kbits || !CanSpeedOptionIndex(static_cast<unsigned>(*kbits))) {
            std::string choices;
            for (const auto& option : kCanSpeeds)
                choices += (choices.empty() ? "" : ", ") + std::to_string(option.kbits);
            throw CliError("can-speed: " + Quoted(o.value) + " is not a CAN speed; choose one of " +
                           choices + " (kbit/s)");
        }
        wanted = static_cast<unsigned>(*kbits);
    }
    WithModule(session, o, "can-speed", [&](ModuleSession& module) {
        const int address = CalAddresses().CanSpeed;
        if (wanted) {
            const std::uint8_t bytes[2] = {HighByte(*wanted), LowByte(*wanted)};
            if (!module.link().WriteStagedChange(address, bytes))
                throw CliError("can-speed: Error Writing Calibration Change");
        }
        const Bytes now = ReadTwoBytes(module, address, "can-speed: the CAN speed");
        const unsigned kbits = MakeWord(now[0], now[1]);
        if (wanted && kbits != *wanted)
            throw CliError("can-speed: the module reads back " + std::to_string(kbits) +
                           " kbit/s after " + std::to_string(*wanted) + " kbit/s was written");
        nlohmann::ordered_json j;
        j["CanSpeed"] = kbits;
        PrintJson(j);
    });
}

// Set by Ctrl+C while can-status --watch runs: the round under way ends, then the command.
volatile std::sig_atomic_t watchInterrupted = 0;
extern "C" void InterruptWatch(int) {
    watchInterrupted = 1;
}

// can-status --watch: a round of reads about once a second, each printed as a line, until
// Ctrl+C; a slot whose read failed is "not read" in its round.
void WatchCanStatus(ModuleSession& module, const CalImage& image) {
    watchInterrupted = 0;
    const auto previous = std::signal(SIGINT, InterruptWatch);
    while (!watchInterrupted) {
        const auto start = std::chrono::steady_clock::now();
        std::cout << CanStatusLine(RestoreTimeText(NowSeconds()),
                                   CanSlotStatus(module.link(), image))
                  << std::endl;
        const auto next = start + std::chrono::milliseconds(kCanWatchIntervalMs);
        while (!watchInterrupted && std::chrono::steady_clock::now() < next)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
}

void CanStatus(Session& session, const ModuleOptions& o) {
    WithModule(session, o, "can-status", [&](ModuleSession& module) {
        // The slot rules need only each output's use of its secondary data.
        CalImage image;
        for (int k = 0; k < kOutputs; ++k) {
            const int address = CalAddresses().OutputCal[k].SecondaryMode;
            image.SetByte(address, ReadTwoBytes(module, address,
                                                "can-status: how " + OutputTitle(k) +
                                                    " uses its secondary data")[0]);
        }
        if (o.watch) return WatchCanStatus(module, image);
        const auto status = CanSlotStatus(module.link(), image);
        nlohmann::ordered_json slots = nlohmann::ordered_json::array();
        for (int s = 0; s < kMessageSlots; ++s) {
            if (status[s] == SlotStatus::Unchanged)
                throw CliError("can-status: the status of message slot " + std::to_string(s + 1) +
                               " could not be read from the module");
            nlohmann::ordered_json j;
            j["Slot"] = s + 1;
            j["Output"] = s / 2 + 1;
            j["Data"] = s % 2 == 0 ? "primary" : "secondary";
            j["Used"] = status[s] != SlotStatus::NotUsed;
            j["Receiving"] = status[s] == SlotStatus::Receiving;
            slots.push_back(j);
        }
        PrintJson(slots);
    });
}

// A module address: decimal, or hexadecimal after "0x" or "&H"; 0 to 65535.
std::optional<int> ParseAddress(std::string text) {
    const bool hex = text.size() > 2 && ((text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) ||
                                         (text[0] == '&' && (text[1] == 'H' || text[1] == 'h')));
    const auto value = hex ? ReadUnsigned(std::string_view(text).substr(2), 16, 0xFFFF)
                           : ReadUnsigned(text, 10, 0xFFFF);
    if (!value) return std::nullopt;
    return static_cast<int>(*value);
}

void Read(Session& session, const ModuleOptions& o) {
    const auto address = ParseAddress(o.value);
    if (!address)
        throw CliError("read: " + Quoted(o.value) +
                       " is not a module address (0 to 65535, or 0x0000 to 0xFFFF)");
    WithModule(session, o, "read", [&](ModuleSession& module) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%04X", *address);
        const Bytes data = ReadTwoBytes(module, *address, std::string("read: the bytes at ") + hex);
        nlohmann::ordered_json j;
        j["Address"] = *address;
        j["Bytes"] = BytesToHex(std::span(data.data(), 2));
        j["Word"] = MakeWord(data[0], data[1]);
        PrintJson(j);
    });
}

const char* OutcomeText(UpgradeOutcome outcome) {
    switch (outcome) {
        case UpgradeOutcome::NoFile:
        case UpgradeOutcome::NothingToSend:
            return "there was nothing to send";
        case UpgradeOutcome::NoLink:
            return "the module could not be reached";
        case UpgradeOutcome::Refused:
            return "the module did not hand over to its bootloader";
        case UpgradeOutcome::Failed:
            return "the upgrade stopped before it was complete";
        case UpgradeOutcome::Cancelled:
            return "the upgrade was cancelled before anything was sent";
        case UpgradeOutcome::Complete:
            break;
    }
    return "complete";
}

// After an upgrade: the module is retrieved again and, when the upgrade changed its
// calibration, the differences are listed and the one from before is offered to be written
// back (--yes writes it).
void CheckAfterUpgrade(Session& session, ModuleSession& module, CommandSession& command) {
    module.link().ConnectIfOffline();
    if (!module.link().Online()) {
        Note(
            "upgrade: the module could not be reached again to check its calibration; "
            "retrieve and verify it before use");
        return;
    }
    command.Connected(module);
    CalImage image;
    ProgressBar bar;
    const bool retrieved = module.link().RetrieveCalibration(image, module.ProgressOn(bar));
    bar.Finish();
    if (!retrieved) {
        Note("upgrade: the module's calibration could not be read back after the upgrade");
        return;
    }
    CommandSession::Kept("upgrade", command.session.Retrieved(image));
    const auto before = command.session.TakeUpgradeChange();
    if (!before) return;
    const auto differences = DiffCalibrations(*before, image, UnitFlags{});
    for (const auto& d : differences) std::cout << DifferenceLine(d) << "\n";
    const NextStep next =
        command.session.OfferWriteBack(session.prompt, *before, differences.size());
    if (next.kind != NextStep::Kind::WriteWhole) {
        Note(
            "upgrade: the module keeps the calibration the upgrade left (before -> after "
            "listed above)");
        return;
    }
    const int shown = session.prompt.MessagesShown();
    const bool written = module.link().WriteWholeCalibration(*before, module.ProgressOn(bar));
    bar.Finish();
    const auto kept = command.session.WholeWriteEnded(written, *before, next.event);
    if (!written)
        session.prompt.Fail("upgrade: the calibration from before was not written back", shown);
    Note("upgrade: the calibration from before the upgrade was written back to module " +
         module.link().DeviceSerial());
    CommandSession::Kept("upgrade", kept);
}

void Upgrade(Session& session, const ModuleOptions& o) {
    session.prompt.SetOperation("upgrade");
    if (UpgradeKindOf(ExtensionOfPath(o.file)) == UpgradeKind::None)
        throw CliError("upgrade: " + Quoted(o.file) +
                       " is not a firmware file (.ROM, .RM2) or a bootloader upgrade (.BLU)");
    if (!FileExists(o.file)) throw CliError("upgrade: File not found: " + Quoted(o.file));
    UpgradeFile file;
    // The loader keeps the folder and the name apart: it needs a path with a folder.
    const std::string path = Utf8FromPath(std::filesystem::absolute(PathFromUtf8(o.file)));
    if (!LoadUpgradeFile(path, file, session.prompt))
        session.prompt.Fail("upgrade: " + Quoted(o.file) + " could not be loaded");
    const bool history = !HistoryFolderOf(o).empty();
    ModuleSession module(o.device, session.prompt);
    CommandSession command(o, module);  // connected once the upgrade has opened the link
    const int shown = session.prompt.MessagesShown();
    ProgressBar bar;
    const auto status = [&bar](const std::string& line) {
        bar.Finish();
        Note("upgrade: " + line);
    };
    // The module's calibration is kept before anything is sent, as the window keeps it.
    BeforeSending before;
    if (history)
        before = [&](ModuleLink& link) {
            command.Connected(module);
            return KeepRestorePointBeforeUpgrade(link, command.session.keeper(), session.prompt,
                                                 module.ProgressOn(bar));
        };
    const UpgradeOutcome outcome =
        StartUpgrade(module.link(), false, file, status, module.ProgressOn(bar), before);
    bar.Finish();
    if (history && UpgradeReachedModule(outcome)) {
        command.session.UpgradeEnded();
        CheckAfterUpgrade(session, module, command);
    }
    if (outcome != UpgradeOutcome::Complete)
        session.prompt.Fail(std::string("upgrade: ") + OutcomeText(outcome), shown);
}

}  // namespace

void AddModuleCommands(CLI::App& app, Session& session) {
    auto o = std::make_shared<ModuleOptions>();
    Session* s = &session;
    // The module options may also come before the command's name, as global options do.
    AddDeviceOptions(app, o->device);
    const auto add = [&](const char* name, const char* help,
                         void (*run)(Session&, const ModuleOptions&)) {
        auto* command = app.add_subcommand(name, help);
        command->group("Module commands");
        AddDeviceOptions(*command, o->device);
        command->callback([s, o, run] { run(*s, *o); });
        return command;
    };

    add("info", "Connect to the module and print its serial number and firmware version as JSON",
        Info);
    // Retrieve, write and upgrade keep what passes as restore points, as the window does.
    const auto history = [o](CLI::App* command) {
        command
            ->add_option("--history-folder", o->historyFolder,
                         "Keep the restore point in this folder (default: the window's history "
                         "in the user's data folder)")
            ->group("Restore points");
        command->add_flag("--no-history", o->noHistory, "Keep no restore point")
            ->group("Restore points");
        return command;
    };
    history(add("retrieve",
                "Read the module's whole calibration into a calibration file (kept as a "
                "restore point)",
                Retrieve))
        ->add_option("-o,--output", o->output, "Calibration file to write (.DVF)")
        ->required();
    auto* write = history(add("write",
                              "Check a calibration file and write it to the module whole (frozen "
                              "for the update; kept as a restore point); a calibration with "
                              "check errors is refused unless --force",
                              Write));
    write->add_option("FILE", o->file, "Calibration file (.DVF)")->required();
    write->add_flag("--force", o->force, "Write even when the calibration check finds errors");
    add("verify",
        "Read the module's calibration back and compare it with a calibration file: one line "
        "per setting that differs (file -> module); exit status 0 when equal, 1 when not. The "
        "calibration check's findings in the file are noted",
        Verify)
        ->add_option("FILE", o->file, "Calibration file (.DVF)")
        ->required();
    add("can-speed",
        "Print the CAN bus speed the module listens at, or set it first (1000, 500, 250, 125, "
        "100, 50, 20, 10 or 5 kbit/s)",
        CanSpeed)
        ->add_option("KBITS", o->value, "The CAN speed to set, in kbit/s");
    add("can-status",
        "Print whether each of the eight message slots is receiving its CAN message, as JSON; "
        "with --watch a line per round of reads, about once a second, until Ctrl+C",
        CanStatus)
        ->add_flag("--watch", o->watch, "Read again about once a second, a line per round");
    add("read", "Read two bytes of the module's memory and print them as JSON", Read)
        ->add_option("ADDRESS", o->value, "Module address: decimal, or hexadecimal after 0x")
        ->required();
    history(add("upgrade",
                "Upgrade the module's firmware (.ROM, .RM2) through its bootloader, or its "
                "bootloader (.BLU) through the running firmware; the module's calibration is "
                "kept as a restore point first",
                Upgrade))
        ->add_option("FILE", o->file, "Firmware file (.ROM, .RM2) or bootloader upgrade (.BLU)")
        ->required();
    AddCalibrateCommand(app, session, std::shared_ptr<DeviceOptions>(o, &o->device));
}

void RefuseStrayModuleOptions(const CLI::App& app) {
    bool given = false;
    for (const char* name : {"--device", "--sim-state", "--sim"})
        if (const CLI::Option* option = app.get_option_no_throw(name)) given |= option->count() > 0;
    if (!given) return;
    for (const CLI::App* command : app.get_subcommands())
        if (command->get_option_no_throw("--device") == nullptr)
            throw CLI::ValidationError(
                "--device, --sim-state and --sim",
                "they apply to the module commands only, not to \"" + command->get_name() + "\"");
}

}  // namespace vx42::cli
