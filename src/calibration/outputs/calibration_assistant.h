#pragma once
// The calibration assistant: a guided live calibration that fills a gauge table from the
// needle. The installer names the marks of the dial (in the data's display units), the tool
// drives the gauge live at each mark in turn from a guess, the installer moves the needle onto
// the mark and keeps the drive, and at the end the kept marks become the table in one step:
// the marks' raw values as data breakpoints, the kept drives as the frequency row or, for an
// analog gauge, as the battery row the vehicle is at now with every other row filled by the
// rule the installer picks. Nothing enters the image before that store; live calibration
// stops (0 to the output-under-calibration byte) on every way out.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "calibration/outputs/live_calibration.h"
#include "calibration/outputs/output_tables.h"
#include "calibration/outputs/table_plot_data.h"

namespace vx42 {

inline constexpr int kMaxMarks = 16;
inline constexpr const char* kAssistantCaption = "Calibrate Gauge...";
inline constexpr const char* kAssistantTitle = "Calibrate Gauge";
inline constexpr const char* kAssistantStep = "Calibrate Gauge";
inline constexpr const char* kAssistantOfflineText =
    "You must be connected to calibrate a gauge with the assistant";

// How the battery rows an analog gauge was not calibrated at are filled.
enum class BatteryFill {
    SameDuty,         // the same duty cycle in every row
    ScaledByBattery,  // duty x V now / V row, at most 100 %
};

// What the installer chose before the gauge is driven.
struct AssistantChoice {
    TableGrid grid = TableGrid::Analog;
    std::vector<double> marks;  // the dial's values in the data's display units
    // The marks are the current breakpoints: their stored words are kept as they are (a
    // display value read back need not give the same word).
    bool keepBreakpoints = false;
    double voltsNow = 14.01;  // analog: the battery voltage the vehicle is at now
    BatteryFill fill = BatteryFill::SameDuty;
};

// The marks of the current data breakpoints, in display units: the choice of keeping them.
std::vector<double> CurrentMarks(const OutputScope& out, TableGrid grid);
// The marks typed as a list ("0, 20, 40" or "0 20 40"): at least two, at most 16.
Result<std::vector<double>> ReadMarks(std::string_view text);
// The data breakpoint words of the marks, through the conversion of typed breakpoints;
// refused unless they increase.
Result<std::vector<unsigned>> MarkWords(const OutputScope& out, TableGrid grid,
                                        const std::vector<double>& marks);
// The data breakpoint words of a choice: the current words when it keeps the breakpoints
// (refused unless they increase), the marks' words otherwise.
Result<std::vector<unsigned>> ChoiceWords(const OutputScope& out, const AssistantChoice& choice);
// The battery row (1 to 6) whose voltage is nearest `volts`; the first of two as near.
int BatteryRowFor(const OutputScope& out, double volts);
// The voltage the assistant offers for "now": that of the row nearest 14.01 V.
double DefaultVoltsNow(const OutputScope& out);
// The row of drives the marks are kept for: the battery row nearest the voltage now, or the
// frequency row.
int AssistantDriveRow(const OutputScope& out, const AssistantChoice& choice);
// The drive a table row gives at a value of the data (display units): straight between its
// breakpoints, held flat beyond its ends.
double TableDriveAt(const OutputScope& out, TableGrid grid, int row, double x);
// The battery fill's rule as shown to the installer.
std::string FillRuleText(BatteryFill fill, double voltsNow);
// The review's plot: the row the marks were kept for, as the table is now ("Current") and as
// `after` would store it ("Calibrated"), both over every breakpoint of either table, each
// straight between its own breakpoints.
TablePlotData AssistantReviewPlot(const OutputScope& out, const CalImage& after, TableGrid grid,
                                  const AssistantChoice& choice);

// The drive of a mark: its value and whether the installer kept it.
using KeptDrives = std::vector<std::optional<double>>;

// Every cell the assistant's store sets, with the word it stores: the 16 data breakpoints
// (after the last kept mark spread on to the top of the signal, the drive held there) and
// the drive row or rows. Refused with fewer than two kept marks.
Result<std::vector<CellWord>> AssistantCells(const OutputScope& out, const AssistantChoice& choice,
                                             const KeptDrives& kept);
// The image as it would be once those cells are stored: what the review shows.
CalImage AssistantPreview(const OutputScope& out, TableGrid grid,
                          const std::vector<CellWord>& cells);

// The keys that move the needle: the arrows by 1 (percent or hertz), Page Up and Down by 10,
// and with Shift (fine) a tenth of that.
enum class NeedleKey { Up, Down, PageUp, PageDown };
double NeedleStep(NeedleKey key, bool fine);

// The sequence itself, driving the gauge through live calibration.
class CalibrationAssistant {
  public:
    // The choice's marks were accepted by MarkWords.
    CalibrationAssistant(LiveLink& link, const OutputScope& out, AssistantChoice choice);

    // Starts live calibration of the output at the first mark's guess; refused offline.
    bool Start(Prompt& prompt);
    // Stops live calibration (0 to the output-under-calibration byte); nothing when stopped.
    void Stop();
    bool Running() const { return live_.Running(); }

    const AssistantChoice& choice() const { return choice_; }
    int MarkCount() const { return static_cast<int>(choice_.marks.size()); }
    // The mark being set, 0 first; MarkCount() once the marks are done (the review).
    int Mark() const { return mark_; }
    bool Reviewing() const { return mark_ >= MarkCount(); }
    const KeptDrives& Kept() const { return kept_; }
    int KeptCount() const;

    // The drive now and its range (percent of the period, or hertz).
    double Value() const { return live_.Value(); }
    double Maximum() const { return live_.Maximum(); }
    // The drive of a mark before the installer moves it: extrapolated from the two kept marks
    // nearest it (those before it first), else the current table's drive at the mark.
    double Guess(int mark) const;

    // Moves the drive by `delta` (clamped to its range) or sets it.
    void Step(double delta);
    void Drive(double value);
    // Keeps the drive for the mark and goes on to the next; skip leaves the mark out; back
    // returns to the mark before (driving what was kept there, or its guess); end goes to the
    // review at once.
    void Keep();
    void Skip();
    void Back();
    void End();

    // The cells the store would set now.
    Result<std::vector<CellWord>> Cells() const { return AssistantCells(out_, choice_, kept_); }
    // Stops live calibration and stores the table in one batch: only the cells whose word
    // changes are stored and written. Refused (nothing stored, still running) with fewer than
    // two kept marks.
    Result<std::vector<WordChange>> Store(const OutputEdit& edit);

  private:
    void GoTo(int mark);

    LiveLink& link_;
    OutputScope out_;
    AssistantChoice choice_;
    LiveCalibration live_;
    KeptDrives kept_;
    int mark_ = 0;
};

}  // namespace vx42
