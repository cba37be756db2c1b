#pragma once
// The live gauge calibration of an output tab: the frame of the analog gauge and voltage
// output (duty cycle) and the frame of the speedo/tach (frequency), each with start/stop, the
// value, down and up, and the two calibrations that write to the module while it runs. A
// duty and a speed calibration never run at once.

#include <memory>

#include "calibration/outputs/live_calibration.h"

class QGroupBox;
class QPushButton;
class QString;
class QWidget;

namespace vx42 {

class EntryBox;
class FrmMain;

class OutputLiveCalibration {
  public:
    // The controls of one gauge's frame; those of the speedo/tach carry the suffix "Speed".
    struct Controls {
        QGroupBox* frame = nullptr;
        QPushButton* calibrate = nullptr;
        QPushButton* up = nullptr;
        QPushButton* down = nullptr;
        EntryBox* value = nullptr;
    };

    explicit OutputLiveCalibration(FrmMain& main);
    ~OutputLiveCalibration();

    // Builds the frame of `gauge` in `parent` (fraGaugeCal, or fraGaugeCalSpeed).
    const Controls& Build(LiveGauge gauge, QWidget* parent);

    // The controls of `gauge`'s frame, once built.
    const Controls& ControlsOf(LiveGauge gauge) const {
        return gauge == LiveGauge::Duty ? duty_.controls : speed_.controls;
    }

    // The frame's commands: start/stop for `output`, one step down or up, a typed value.
    void Toggle(LiveGauge gauge, int output);
    void Adjust(LiveGauge gauge, int step);
    void Enter(LiveGauge gauge);
    // Stops a running calibration with the stop button's writes.
    void Stop();
    bool Running() const { return duty_.live->Running() || speed_.live->Running(); }
    // The buttons' captions, the values and what may be adjusted.
    void Show();
    // The module side of live calibration, for the calibration assistant's drive.
    LiveLink& link();

  private:
    class Link;
    struct Gauge {
        std::unique_ptr<LiveCalibration> live;
        Controls controls;
    };
    Gauge& Of(LiveGauge gauge) { return gauge == LiveGauge::Duty ? duty_ : speed_; }

    FrmMain& main_;
    std::unique_ptr<Link> link_;
    Gauge duty_;
    Gauge speed_;
};

}  // namespace vx42
