#pragma once
// Live gauge calibration: the tool drives one output of the module directly with a chosen
// value while the user adjusts the gauge. It writes into the module's working memory only;
// the calibration image is never touched.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/prompt.h"
#include "calibration/cal_image.h"

namespace vx42 {

constexpr int kLiveOutputAddress = 0x3901;  // output under calibration: 1 to 4, 0 = none
constexpr int kLiveDriveAddress = 0x390D;   // + 17 x output index: the drive word
constexpr int kLiveDriveStride = 17;
constexpr int kLiveWriteTries = 5;

inline constexpr const char* kStartCalibrateCaption = "Start Calibrate Gauge";
inline constexpr const char* kStopCalibrateCaption = "Stop Calibrate Gauge";
inline constexpr const char* kLiveOfflineText =
    "You must be connected to do real time gauge calibration";

constexpr int LiveDriveAddress(int output) {
    return kLiveDriveAddress + kLiveDriveStride * output;
}

// The module side of live calibration.
class LiveLink {
  public:
    virtual ~LiveLink() = default;
    virtual bool Online() const = 0;
    // Lets a running exchange finish and the receive queue drain before a command.
    virtual void SettleLink() = 0;
    // One single-byte write into the module's memory; false when it failed.
    virtual bool WriteByte(int address, std::uint8_t value) = 0;
    // The pause between two tries (100 ms, events kept alive).
    virtual void PauseBeforeRetry() = 0;
};

enum class LiveGauge {
    Duty,       // analog gauge and voltage output: percent of the period, 0 to 100
    Frequency,  // speedo/tach: hertz, 0 to 6553.5, sent as tenths
};

class LiveCalibration {
  public:
    LiveCalibration(LiveLink& link, LiveGauge gauge) : link_(link), gauge_(gauge) {}

    // The start/stop button: starts (refused offline with a message) or stops.
    void Toggle(int output, Prompt& prompt);
    // Stops a running calibration with the same write as the stop button; nothing while
    // stopped.
    void Stop();
    bool Running() const { return running_; }
    // The output being driven (meaningful while running).
    int Output() const { return output_; }
    std::string Caption() const {
        return running_ ? kStopCalibrateCaption : kStartCalibrateCaption;
    }
    // The up/down buttons and the value box are enabled only while running.
    bool AdjustEnabled() const { return running_; }

    // Up and down by 1 within the range; Enter in the value box clamps and takes the text.
    // Each sends the drive (the image supplies the period of a duty drive); nothing happens
    // while stopped.
    void Up(const CalImage& image);
    void Down(const CalImage& image);
    void Enter(const CalImage& image, std::string_view text);
    // Drives a value, clamped to the range; nothing while stopped.
    void Drive(const CalImage& image, double value);

    double Value() const { return value_; }
    std::string ValueText() const;
    double Maximum() const { return gauge_ == LiveGauge::Duty ? 100 : 6553.5; }

    // The drive word sent for a value: on-time counts of the percent, or tenths of hertz.
    static double DriveWord(LiveGauge gauge, double value, double period);

  private:
    void SetValue(const CalImage& image, double value);
    // A single-byte write tried up to five times; a final failure is given up silently.
    void WriteWithRetry(int address, std::uint8_t value);

    LiveLink& link_;
    LiveGauge gauge_;
    bool running_ = false;
    int output_ = 0;
    double value_ = 0;
};

}  // namespace vx42
