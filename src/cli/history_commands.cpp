// vx42ctl calibration check, and history list | show | export over the restore points the
// window keeps.

#include <filesystem>
#include <iostream>
#include <memory>

#include "base/system_text.h"
#include "can/library_files.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "files/paths.h"
#include "files/restore_points.h"
#include "files/settings.h"
#include "review/calibration_check.h"
#include "review/restore_history.h"

namespace vx42::cli {

namespace {

using nlohmann::ordered_json;

struct HistoryOptions {
    std::string file;
    std::string libraryFolder;
    std::string historyFolder;
    std::string serial;
    int entry = 0;  // 1-based; 0 is the newest
    std::string output;
    bool metric = false;
};

UnitFlags UnitsOf(const HistoryOptions& o) {
    return o.metric ? UnitFlags::AllMetric() : UnitFlags{};
}

void Check(const HistoryOptions& o, Session& session) {
    const CalImage image = ReadCalibrationInput(o.file);
    LibrarySet libraries;
    if (!o.libraryFolder.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_directory(PathFromUtf8(o.libraryFolder), ec))
            throw CliError(Quoted(o.libraryFolder) + " is not a folder");
        LoadLibraries(libraries, o.libraryFolder, session.prompt);
    }
    const auto findings =
        CheckCalibration(image, o.libraryFolder.empty() ? nullptr : &libraries, UnitsOf(o));
    ordered_json list = ordered_json::array();
    int errors = 0;
    for (const Finding& f : findings) {
        errors += f.severity == Severity::Error;
        list.push_back({{"identifier", f.rule},
                        {"severity", SeverityText(f.severity)},
                        {"output", f.output + 1},
                        {"setting", f.setting},
                        {"message", f.message}});
    }
    PrintJson(ordered_json{{"file", o.file},
                           {"errors", errors},
                           {"warnings", static_cast<int>(findings.size()) - errors},
                           {"findings", std::move(list)}});
    if (errors > 0) throw ExitStatus(kExitDiffer);
}

// Where the window keeps its restore points: the user's application data folder.
RestorePoints StoreOf(const HistoryOptions& o) {
    const std::string folder = o.historyFolder.empty() ? DefaultHistoryFolder() : o.historyFolder;
    if (folder.empty()) throw CliError("No history folder: give one with --history-folder");
    return RestorePoints(folder);
}

ModuleHistory ModuleOf(const RestorePoints& store, const HistoryOptions& o) {
    auto module = store.Module(o.serial);
    if (!module) throw CliError("No restore points for the module " + Quoted(o.serial));
    return *module;
}

void List(const HistoryOptions& o) {
    ordered_json list = ordered_json::array();
    for (const ModuleHistory& m : StoreOf(o).Modules())
        list.push_back({{"serial", m.serial},
                        {"lastSeen", RestoreTimeText(m.lastSeen)},
                        {"entries", m.entries.size()},
                        {"changedSinceLastEntry", m.movedOn}});
    PrintJson(list);
}

void Show(const HistoryOptions& o) {
    const RestorePoints store = StoreOf(o);
    const ModuleHistory module = ModuleOf(store, o);
    ordered_json list = ordered_json::array();
    int number = 0;
    for (const EntrySummary& s : SummariseEntries(store, module, UnitsOf(o))) {
        ordered_json entry{{"entry", ++number},
                           {"time", RestoreTimeText(s.entry.time)},
                           {"event", s.entry.event},
                           {"file", store.PathOf(module, s.entry)}};
        if (s.changed >= 0)
            entry["settingsChanged"] = s.changed;
        else
            entry["settingsChanged"] = nullptr;
        list.push_back(std::move(entry));
    }
    PrintJson(ordered_json{{"serial", module.serial}, {"entries", std::move(list)}});
}

void Export(const HistoryOptions& o) {
    const RestorePoints store = StoreOf(o);
    const ModuleHistory module = ModuleOf(store, o);
    const int count = static_cast<int>(module.entries.size());
    if (count == 0) throw CliError("The module " + Quoted(o.serial) + " has no entries");
    if (o.entry < 0 || o.entry > count)
        throw CliError("The module " + Quoted(o.serial) + " has entries 1 to " +
                       std::to_string(count));
    const RestoreEntry& entry = module.entries[o.entry == 0 ? count - 1 : o.entry - 1];
    WriteCalibrationOutput(o.output, store.Load(module, entry));
}

}  // namespace

void AddCalibrationCheck(CLI::App& calibration, Session& session) {
    auto o = std::make_shared<HistoryOptions>();
    auto* check = calibration.add_subcommand(
        "check",
        "Check a calibration for settings that cannot work as meant (errors) or are probably "
        "unintended (warnings); print the findings as JSON; exit status 1 when there are errors");
    check->add_option("FILE", o->file, "Calibration file (.DVF)")->required();
    check->add_option("--library-folder", o->libraryFolder,
                      "Folder of message libraries (.DVM) the messages must be found in");
    check->add_flag("--metric", o->metric, "Show formatted values in metric units");
    check->callback([o, &session] { Check(*o, session); });
}

void AddHistoryCommands(CLI::App& app, Session&) {
    auto o = std::make_shared<HistoryOptions>();
    auto* group =
        app.add_subcommand("history",
                           "The restore points the window keeps: every calibration read from or "
                           "written to a module, per module");
    group->require_subcommand(1);
    auto folder = [o](CLI::App* command) {
        command->add_option("--history-folder", o->historyFolder,
                            "Folder of the restore points (the user's own by default)");
    };

    auto* list = group->add_subcommand("list", "Print the modules seen as JSON");
    folder(list);
    list->callback([o] { List(*o); });

    auto* show = group->add_subcommand(
        "show",
        "Print a module's entries as JSON, each with the settings changed from the one "
        "before");
    show->add_option("SERIAL", o->serial, "The module's serial number")->required();
    show->add_flag("--metric", o->metric, "Compare formatted values in metric units");
    folder(show);
    show->callback([o] { Show(*o); });

    auto* exportCommand = group->add_subcommand(
        "export", "Write one of a module's entries (the newest by default) as a calibration file");
    exportCommand->add_option("SERIAL", o->serial, "The module's serial number")->required();
    exportCommand->add_option("ENTRY", o->entry, "Entry number, as \"history show\" prints it");
    exportCommand->add_option("-o,--output", o->output, "Calibration file to write (.DVF)")
        ->required();
    folder(exportCommand);
    exportCommand->callback([o] { Export(*o); });
}

}  // namespace vx42::cli
