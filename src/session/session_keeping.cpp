// Where the session's restore points are written: at once (vx42ctl), or on the link's thread
// (the window), so that waiting for the history's lock never stops the window.
#include "session/calibration_session.h"

namespace vx42 {

void CalibrationSession::KeepElsewhere(KeepRunner run,
                                       std::function<void(const Result<void>&)> report) {
    keepRun_ = std::move(run);
    keepReport_ = std::move(report);
}

Result<void> CalibrationSession::Keep(const CalImage& image, const std::string& event) {
    if (!keepRun_ || !keeper_.enabled()) return keeper_.Keep(serial_, image, event);
    keepRun_([this, serial = serial_, image, event] {
        const auto kept = keeper_.Keep(serial, image, event);
        if (!kept && keepReport_) keepReport_(kept);
    });
    return {};  // a failure is reported when the work has run
}

void CalibrationSession::KeepChanged() {
    if (!keepRun_ || !keeper_.enabled()) return keeper_.Changed();
    keepRun_([this] { keeper_.Changed(); });
}

}  // namespace vx42
