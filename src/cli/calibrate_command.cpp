// vx42ctl calibrate: the calibration assistant from the command line. The gauge of an output
// is driven live at each mark in turn, the installer moves it with keys typed on the terminal
// (or a script gives the drive of each mark), and the kept marks are stored into the output's
// table in the module, only the cells that change.

#include <iostream>
#include <memory>
#include <optional>

#include "base/numbers.h"
#include "calibration/grid/grid_model.h"
#include "calibration/outputs/calibration_assistant.h"
#include "calibration/outputs/output_function.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/module_session.h"
#include "cli/terminal_keys.h"
#include "device/clock.h"
#include "files/calibration_file.h"
#include "review/calibration_text.h"

namespace vx42::cli {
namespace {

struct CalibrateOptions {
    int output = 0;  // 1 to 4
    std::string marks;
    bool keepBreakpoints = false;
    std::optional<double> voltsNow;
    std::string fill = "same";
    std::vector<std::string> drives;  // a script's drive of each mark in turn ("skip")
    std::string file;                 // the calibration afterwards, when wanted
};

// Live calibration over the command's link: each single-byte write with the live tries.
class CommandLiveLink : public LiveLink {
  public:
    explicit CommandLiveLink(ModuleLink& link) : link_(link) {}
    bool Online() const override { return link_.Online(); }
    void SettleLink() override { link_.SettleLink(); }
    bool WriteByte(int address, std::uint8_t value) override {
        return link_.Write1ByteDevice(value, address);
    }
    void PauseBeforeRetry() override { Delay(link_.timing().retryPauseMs); }

  private:
    ModuleLink& link_;
};

// Stops live calibration however the command ends.
struct StopOnExit {
    CalibrationAssistant& assistant;
    ~StopOnExit() { assistant.Stop(); }
};

std::string Where(const CalibrationAssistant& a) {
    if (a.Reviewing()) return "review";
    return "mark " + std::to_string(a.Mark() + 1) + " of " + std::to_string(a.MarkCount()) + ": " +
           ShortestText(a.choice().marks[a.Mark()]) + ", driven at " + ShortestText(a.Value());
}

// One line typed on the terminal: "+" "-" (1), "++" "--" (10), "+." "-." (a tenth), a number
// to drive, an empty line keeps, "b" back, "s" skip, "e" end, "t" store (in the review), "q"
// quit. False: quit, nothing stored.
enum class Typed { Go, Store, Quit };
Typed ApplyLine(CalibrationAssistant& a, const std::string& line) {
    const std::pair<const char*, double> steps[] = {{"+", NeedleStep(NeedleKey::Up, false)},
                                                    {"-", NeedleStep(NeedleKey::Down, false)},
                                                    {"++", NeedleStep(NeedleKey::PageUp, false)},
                                                    {"--", NeedleStep(NeedleKey::PageDown, false)},
                                                    {"+.", NeedleStep(NeedleKey::Up, true)},
                                                    {"-.", NeedleStep(NeedleKey::Down, true)}};
    for (const auto& [key, delta] : steps)
        if (line == key) {
            a.Step(delta);
            return Typed::Go;
        }
    if (line.empty())
        a.Keep();
    else if (line == "b")
        a.Back();
    else if (line == "s")
        a.Skip();
    else if (line == "e")
        a.End();
    else if (line == "t" && a.Reviewing())
        return Typed::Store;
    else if (line == "q")
        return Typed::Quit;
    else if (const auto value = ReadCellNumber(line))
        a.Drive(*value);
    else
        Note("calibrate: " + Quoted(line) +
             " is no key: + - ++ -- +. -. a number, Enter, b, s, e, t, q");
    return Typed::Go;
}

// One key pressed on the terminal: the arrows by 1, Page Up and Down by 10, with Shift a
// tenth; Enter keeps, Escape quits, any other character as a line of it.
Typed ApplyKey(CalibrationAssistant& a, const KeyPress& key) {
    const std::pair<KeyPress::Kind, NeedleKey> needle[] = {
        {KeyPress::Up, NeedleKey::Up},
        {KeyPress::Down, NeedleKey::Down},
        {KeyPress::PageUp, NeedleKey::PageUp},
        {KeyPress::PageDown, NeedleKey::PageDown}};
    for (const auto& [kind, step] : needle)
        if (key.kind == kind) {
            a.Step(NeedleStep(step, key.shift));
            return Typed::Go;
        }
    if (key.kind == KeyPress::Escape) return Typed::Quit;
    if (key.kind == KeyPress::Enter) return ApplyLine(a, "");
    if (key.kind == KeyPress::Char) return ApplyLine(a, std::string(1, key.ch));
    return Typed::Go;
}

// The marks from the terminal, a key at a time (a line at a time when standard input is no
// terminal); false when the installer quit.
bool FromTerminal(CalibrationAssistant& a) {
    KeyReader keys;
    if (keys.Available())
        Note(
            "calibrate: the arrows move the needle by 1, Page Up and Down by 10, with Shift a "
            "tenth; Enter keeps, b back, s skip, e end, q or Escape quits");
    else
        Note(
            "calibrate: + - ++ -- +. -. move the needle, Enter keeps, b back, s skip, e end, "
            "q quit");
    std::string line;
    for (;;) {
        Note("calibrate: " + Where(a) + (a.Reviewing() ? " (t stores, b back, q quits)" : ""));
        Typed typed = Typed::Go;
        if (keys.Available()) {
            const auto key = keys.Read();
            if (!key) return false;
            typed = ApplyKey(a, *key);
        } else {
            if (!std::getline(std::cin, line)) return false;
            typed = ApplyLine(a, line);
        }
        if (typed == Typed::Quit) return false;
        if (typed == Typed::Store) return true;
    }
}

// The marks from a script: each drive is kept for the next mark, "skip" leaves one out.
void FromScript(CalibrationAssistant& a, const std::vector<std::string>& drives) {
    for (const std::string& drive : drives) {
        if (a.Reviewing()) throw CliError("calibrate: more --drive values than marks");
        if (drive == "skip") {
            a.Skip();
            continue;
        }
        const auto value = ReadCellNumber(drive);
        if (!value) throw CliError("calibrate: --drive " + Quoted(drive) + " is not a number");
        a.Drive(*value);
        a.Keep();
    }
    a.End();
}

nlohmann::ordered_json TableJson(const OutputScope& out, TableGrid grid) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const auto& row : GetTableTexts(out, grid)) rows.push_back(row);
    return rows;
}

void Calibrate(Session& session, const DeviceOptions& device, const CalibrateOptions& o) {
    session.prompt.SetOperation("calibrate");
    const int output = o.output - 1;
    ModuleSession module(device, session.prompt);
    module.Connect();
    const int shown = session.prompt.MessagesShown();
    CalImage image;
    {
        ProgressBar bar;
        if (!module.link().RetrieveCalibration(image, module.ProgressOn(bar)))
            session.prompt.Fail("the module's calibration could not be read", shown);
    }
    const FormatContext ctx = StoredFormatContext(image, output, UnitFlags{});
    const OutputScope out{image, ctx, output};
    const FunctionFrame frame = FrameOf(out.FunctionFlags(), out.OutputOptions());
    if (frame != FunctionFrame::Table && frame != FunctionFrame::FreqTable)
        throw CliError("calibrate: " + OutputTitle(output) + " drives no gauge table");
    AssistantChoice choice;
    choice.grid = frame == FunctionFrame::Table ? TableGrid::Analog : TableGrid::Freq;
    choice.keepBreakpoints = o.keepBreakpoints;
    if (o.keepBreakpoints) {
        choice.marks = CurrentMarks(out, choice.grid);
    } else {
        auto marks = ReadMarks(o.marks);
        if (!marks) throw CliError("calibrate: --marks: " + marks.error().message);
        choice.marks = std::move(*marks);
    }
    if (auto words = ChoiceWords(out, choice); !words)
        throw CliError("calibrate: " + words.error().message);
    choice.voltsNow = o.voltsNow.value_or(DefaultVoltsNow(out));
    choice.fill = o.fill == "scaled" ? BatteryFill::ScaledByBattery : BatteryFill::SameDuty;

    CommandLiveLink live(module.link());
    CalibrationAssistant assistant(live, out, choice);
    StopOnExit stop{assistant};
    if (!assistant.Start(session.prompt)) session.prompt.Fail("live calibration did not start");
    if (o.drives.empty()) {
        if (!FromTerminal(assistant)) throw CliError("calibrate: quit; nothing was stored");
    } else {
        FromScript(assistant, o.drives);
    }
    bool changed = false;
    EditTarget target{image, changed, module.link()};
    const auto stored = assistant.Store({target, ctx, output});
    if (!stored) throw CliError("calibrate: " + stored.error().message);
    if (choice.grid == TableGrid::Analog)
        Note("calibrate: " + FillRuleText(choice.fill, choice.voltsNow));
    Note("calibrate: " + std::to_string(stored->size()) + " cells of " + OutputTitle(output) +
         " stored into module " + module.link().DeviceSerial());
    if (!o.file.empty()) WriteCalibrationOutput(o.file, image);
    nlohmann::ordered_json j;
    j["Output"] = o.output;
    j["Table"] = choice.grid == TableGrid::Analog ? "analog" : "frequency";
    j["Cells"] = TableJson(out, choice.grid);
    PrintJson(j);
}

}  // namespace

void AddCalibrateCommand(CLI::App& app, Session& session, std::shared_ptr<DeviceOptions> device) {
    auto o = std::make_shared<CalibrateOptions>();
    Session* s = &session;
    auto* command = app.add_subcommand(
        "calibrate",
        "Calibrate a gauge with the assistant: the output is driven live at each mark of the "
        "dial in turn, moved with the keys of the terminal (the arrows by 1, Page Up and Down "
        "by 10, with Shift a tenth; Enter keeps, b back, s skip, e end, t stores, q quits; "
        "from a pipe one a line: + - ++ -- +. -. or a number) or by --drive values, and the "
        "kept marks are stored into its table in the module (only the cells that change); "
        "prints the table as JSON");
    command->group("Module commands");
    AddDeviceOptions(*command, *device);
    command->add_option("OUTPUT", o->output, "The output (1 to 4)")
        ->required()
        ->check(CLI::Range(1, 4));
    command->add_option("--marks", o->marks,
                        "The dial's marks in the data's display units, 2 to 16, increasing "
                        "(0,20,40,...)");
    command->add_flag("--keep-breakpoints", o->keepBreakpoints,
                      "Calibrate at the table's current breakpoints");
    command->add_option("--volts", o->voltsNow,
                        "Analog gauge: the battery voltage now (default: the 14.01 V row's)");
    command
        ->add_option("--fill", o->fill,
                     "Analog gauge: the other battery rows get the same duty, or it scaled by "
                     "battery voltage (duty x V now / V row, at most 100 %)")
        ->check(CLI::IsMember({"same", "scaled"}))
        ->default_str("same");
    command->add_option("--drive", o->drives,
                        "For scripts: the drive kept at the next mark (percent or hertz), or "
                        "skip; repeat for each mark");
    command->add_option("-o,--output", o->file,
                        "Also write the calibration afterwards to this file (.DVF)");
    command->callback([s, o, device] {
        if (o->marks.empty() == !o->keepBreakpoints)
            throw CliError("calibrate: give --marks or --keep-breakpoints (one of them)");
        Calibrate(*s, *device, *o);
    });
}

}  // namespace vx42::cli
