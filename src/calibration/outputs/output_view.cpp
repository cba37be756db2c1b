// Everything an output tab shows for one output, read from the image.
#include "calibration/outputs/output_view.h"

#include "base/trim.h"
#include "calibration/outputs/output_settings.h"
#include "calibration/text_codec.h"
#include "calibration/units.h"

namespace vx42 {

CanDataCaptions CanDataCaptionsOf(const OutputScope& out) {
    if (!out.ShowFormatted()) return {kUnformattedCaption, {kRawUnit, kRawUnit}};
    CanDataCaptions c;
    for (int i = 0; i < 2; ++i) {
        const DataFormat& d = out.ctx.data[i];
        c.units[i] = d.selected ? DisplayUnitLabel(Trimmed(d.Unit), out.ctx.units) : kNoneName;
    }
    const bool primaryHasUnit = c.units[0] != kRawUnit && c.units[0] != kNoneName;
    c.caption = primaryHasUnit ? kFormattedInCaption + c.units[0] : kNoFormatCaption;
    return c;
}

std::optional<MessageSelection> StoredMessageSelection(const OutputScope& out, int dataIndex) {
    const auto slot = out.MessageSlot(dataIndex);
    if (!slot) return std::nullopt;
    const auto& def = CalAddresses().MessageDefSlot[*slot];
    const auto nameOrNone = [](std::string name) { return name.empty() ? kNoneName : name; };
    return MessageSelection{nameOrNone(out.image.Text(def.LibraryName, width::LibraryName)),
                            nameOrNone(out.image.Text(def.MessageName, width::MessageName))};
}

namespace {

DataSourceView DataSourceViewOf(const OutputScope& out, int i) {
    DataSourceView v;
    v.slotSettingsEnabled = out.MessageSlot(i).has_value();
    v.timeout = TimeoutText(out, i);
    v.selection = StoredMessageSelection(out, i);
    v.averageLength = FilterSizeText(out, i);
    v.samplePeriod = SamplePeriodText(out, i);
    v.dataOnTimeout = DataOnTimeoutText(out, i);
    v.voltOutDuty = VoltOutDutyText(out, i);
    v.voltOutData = VoltOutDataText(out, i);
    v.switchFunction = SwitchFunctionShown(out, i);
    for (int p = 0; p < 4; ++p)
        v.switchPoints[p] = SwitchPointText(out, i, static_cast<SwitchPoint>(p));
    v.switchColours = SwitchPointColours(out, i, v.switchPoints);
    v.bPointsShown = ShowsBPoints(v.switchFunction);
    return v;
}

}  // namespace

OutputView GetCalValues(const OutputScope& out) {
    OutputView v;
    const std::uint8_t flags = out.FunctionFlags();
    v.function = FunctionOf(flags, out.OutputOptions());
    v.drive = DriveStatesOf(flags);
    v.outputName = OutputNameText(out);
    v.showFormatted = out.ShowFormatted();
    const std::uint8_t mode = out.image.Byte(out.Cal().SecondaryMode);
    v.useSecondary = UseSecondaryShown(mode);
    v.andOr = AndOrShown(mode);
    v.period = PeriodTextOf(out);
    for (int i = 0; i < 2; ++i) v.data[i] = DataSourceViewOf(out, i);
    v.analogTable = GetTableTexts(out, TableGrid::Analog);
    v.freqTable = GetTableTexts(out, TableGrid::Freq);
    v.captions = CanDataCaptionsOf(out);
    v.frame = FrameOf(flags, out.OutputOptions());
    v.periodLabel = PeriodRuleOf(flags).label;
    v.useSecondaryCaption = UseSecondaryCaption(flags);
    return v;
}

}  // namespace vx42
