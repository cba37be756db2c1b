// Live gauge calibration: the drive written to the module as the user steps it.
#include "calibration/outputs/live_calibration.h"

#include "base/retry.h"
#include "calibration/converters.h"
#include "calibration/number_format.h"
#include "calibration/outputs/entry_filters.h"
#include "calibration/outputs/output_scope.h"

namespace vx42 {

void LiveCalibration::Toggle(int output, Prompt& prompt) {
    if (!running_) {
        if (!link_.Online()) {
            prompt.Message(kLiveOfflineText);
            return;
        }
        link_.SettleLink();
        running_ = true;
        output_ = output;
        WriteWithRetry(kLiveOutputAddress, static_cast<std::uint8_t>(output + 1));
        value_ = 0;
    } else {
        Stop();
    }
}

void LiveCalibration::Stop() {
    if (!running_) return;
    running_ = false;
    WriteWithRetry(kLiveOutputAddress, 0);
    value_ = 0;
}

void LiveCalibration::Up(const CalImage& image) {
    if (running_ && value_ + 1 <= Maximum()) SetValue(image, value_ + 1);
}

void LiveCalibration::Down(const CalImage& image) {
    if (running_ && value_ - 1 >= 0) SetValue(image, value_ - 1);
}

void LiveCalibration::Enter(const CalImage& image, std::string_view text) {
    Drive(image, TypedNumber(text));
}

void LiveCalibration::Drive(const CalImage& image, double value) {
    if (running_) SetValue(image, Clamp(value, 0, Maximum()));
}

std::string LiveCalibration::ValueText() const {
    return ShortestText(value_);
}

double LiveCalibration::DriveWord(LiveGauge gauge, double value, double period) {
    if (gauge == LiveGauge::Duty) return OnTimeCounts(value, period);
    return TenthsCounts(value);
}

void LiveCalibration::SetValue(const CalImage& image, double value) {
    value_ = value;
    const double word = DriveWord(gauge_, value_, PeriodOf(image, output_));
    const int address = LiveDriveAddress(output_);
    WriteWithRetry(address, HighByte(word));
    WriteWithRetry(address + 1, LowByte(word));
}

void LiveCalibration::WriteWithRetry(int address, std::uint8_t value) {
    Retry(
        kLiveWriteTries, [&] { return link_.WriteByte(address, value); },
        [&] { link_.PauseBeforeRetry(); });
}

}  // namespace vx42
