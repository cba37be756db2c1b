#pragma once
// Everything an output tab shows for one output, read from the image in the order the tab
// is loaded. The window copies it into its widgets; nothing here stores or writes.

#include <array>
#include <optional>
#include <string>

#include "calibration/outputs/entry_filters.h"
#include "calibration/outputs/output_function.h"
#include "calibration/outputs/output_scope.h"
#include "calibration/outputs/output_tables.h"
#include "calibration/outputs/relay_drive.h"
#include "calibration/outputs/switching.h"

namespace vx42 {

inline constexpr const char* kUnformattedCaption = "Unformated CAN Data";
inline constexpr const char* kNoFormatCaption = "CAN Data With No Format";
inline constexpr const char* kFormattedInCaption = "CAN Data Formated in ";
inline constexpr const char* kRawUnit = "Raw";
inline constexpr const char* kNoneName = "None";

// The "CAN data" captions (`lblDataStat`) and the unit of each data source.
struct CanDataCaptions {
    std::string caption;
    std::array<std::string, 2> units;
    bool operator==(const CanDataCaptions&) const = default;
};
CanDataCaptions CanDataCaptionsOf(const OutputScope& out);

// The library and message names a data source's lists select ("None" for an empty name).
struct MessageSelection {
    std::string library;
    std::string message;
    bool operator==(const MessageSelection&) const = default;
};
// Nothing when the data source's slot number is not 1 to 8 (the lists are left as they are).
std::optional<MessageSelection> StoredMessageSelection(const OutputScope& out, int dataIndex);

struct DataSourceView {
    // The settings kept in the message slot (timeout, data on timeout) take entries only
    // while the data source has a message.
    bool slotSettingsEnabled;
    std::string timeout;                        // txtTimoutTimer
    std::optional<MessageSelection> selection;  // cmbLibrary, cmbMessage
    std::string averageLength;                  // txtAverageLength
    std::string samplePeriod;                   // txtSamplePeriod
    std::string dataOnTimeout;                  // txtDataOnTimeout
    std::string voltOutDuty;                    // txtVoltOutDuty
    std::string voltOutData;                    // txtVoltOutData
    // The relay section of this data source.
    SwitchFunction switchFunction;            // cmbOptions
    std::array<std::string, 4> switchPoints;  // txtOnA, txtOffA, txtOnB, txtOffB
    std::array<TextColour, 4> switchColours;
    bool bPointsShown;  // txtOnB, txtOffB and their labels
    bool operator==(const DataSourceView&) const = default;
};

struct OutputView {
    // Function and relay drive.
    OutputFunction function;  // optType
    DriveStates drive;        // optOff, optOn
    // Name and switches.
    std::string outputName;      // txtOutputName
    bool showFormatted;          // chkFormatCAN
    bool useSecondary;           // chkUseSecondary, chkUseSecondary1
    std::optional<AndOr> andOr;  // cmbAndOr; nothing leaves it unchanged
    // The output's setting value.
    std::string period;                  // txtPeriod
    std::array<DataSourceView, 2> data;  // primary, secondary
    // Tables.
    TableTexts analogTable;    // mshAnalogTable, 7 x 17
    TableTexts freqTable;      // mshFreqTable, 2 x 16
    CanDataCaptions captions;  // lblDataStat and the unit labels
    // Arrangement for the function.
    FunctionFrame frame;
    std::string periodLabel;          // lblOutSetting
    std::string useSecondaryCaption;  // chkUseSecondary's caption
    bool operator==(const OutputView&) const = default;
};

// Fills the view of one output from the image. `out.ctx` holds the messages the data
// sources' lists will show and the unit settings.
OutputView GetCalValues(const OutputScope& out);

}  // namespace vx42
