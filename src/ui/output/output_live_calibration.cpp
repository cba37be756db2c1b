// The live gauge calibration of an output tab.
#include "ui/output/output_live_calibration.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>

#include "base/numbers.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_frame_support.h"
#include "ui/widgets/entry_box.h"

namespace vx42 {
using namespace output_frames;

namespace {

// A value box as wide as the longest value with its frame and margins.
int WholeValueWidth(const QLineEdit* box) {
    QStyleOptionFrame option;
    option.initFrom(box);
    const QMargins margins = box->textMargins();
    const QSize text(
        box->fontMetrics().horizontalAdvance("06553.5") + margins.left() + margins.right() + 4,
        box->fontMetrics().height());
    return box->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, box).width();
}

}  // namespace

// Live calibration's link: the writes go to the link's thread, which tries each one up to
// five times; the window never waits for them.
class OutputLiveCalibration::Link : public LiveLink {
  public:
    explicit Link(FrmMain& main) : main_(main) {}
    bool Online() const override { return main_.online(); }
    void SettleLink() override { main_.SettleLink(); }
    bool WriteByte(int address, std::uint8_t value) override {
        main_.PostLiveWrite(address, value);
        return true;
    }
    void PauseBeforeRetry() override {}

  private:
    FrmMain& main_;
};

OutputLiveCalibration::OutputLiveCalibration(FrmMain& main)
    : main_(main), link_(std::make_unique<Link>(main)) {
    duty_.live = std::make_unique<LiveCalibration>(*link_, LiveGauge::Duty);
    speed_.live = std::make_unique<LiveCalibration>(*link_, LiveGauge::Frequency);
}

OutputLiveCalibration::~OutputLiveCalibration() = default;

const OutputLiveCalibration::Controls& OutputLiveCalibration::Build(LiveGauge gauge,
                                                                    QWidget* parent) {
    const bool speed = gauge == LiveGauge::Frequency;
    const QString suffix = speed ? "Speed" : "";
    Controls& c = Of(gauge).controls;
    c.frame = Named(new QGroupBox("Live Gauge Calibration", parent), "fraGaugeCal" + suffix);
    c.frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* g = new QGridLayout(c.frame);
    // Close spacing inside the frame, so that the page fits a laptop's screen.
    g->setContentsMargins(6, 2, 6, 4);
    g->setSpacing(4);
    c.calibrate = Named(new QPushButton(kStartCalibrateCaption, c.frame), "cmdCalibrate" + suffix);
    c.up = Named(new QPushButton("Up", c.frame), "cmdUp" + suffix);
    c.down = Named(new QPushButton("Down", c.frame), "cmdDown" + suffix);
    c.value = Named(new EntryBox(c.frame), "txtDutyCycle" + suffix);
    // One line: start, the value and its two steps.
    g->addWidget(c.calibrate, 0, 0);
    g->addWidget(CaptionFor(speed ? "Frequency (hz)" : "Duty Cycle (%)", c.frame, c.value,
                            "Live Gauge Calibration"),
                 0, 1);
    g->addWidget(c.value, 0, 2);
    g->addWidget(c.down, 0, 3);
    g->addWidget(c.up, 0, 4);
    // The whole of the widest value ("6553.5") at any scale: the box keeps this width
    // however narrow the frame is laid out.
    c.value->setFixedWidth(WholeValueWidth(c.value));
    c.value->setStepKeys(true);
    return c;
}

void OutputLiveCalibration::Toggle(LiveGauge gauge, int output) {
    LiveCalibration& live = *Of(gauge).live;
    // A duty and a speed calibration never run at once.
    Gauge& other = gauge == LiveGauge::Duty ? speed_ : duty_;
    if (!live.Running()) other.live->Stop();
    live.Toggle(output, main_.app().prompt);
    Show();
}

void OutputLiveCalibration::Stop() {
    if (!Running()) return;
    duty_.live->Stop();
    speed_.live->Stop();
    Show();
}

void OutputLiveCalibration::Adjust(LiveGauge gauge, int step) {
    LiveCalibration& live = *Of(gauge).live;
    if (step > 0)
        live.Up(main_.app().image);
    else
        live.Down(main_.app().image);
    Show();
}

void OutputLiveCalibration::Enter(LiveGauge gauge) {
    Gauge& g = Of(gauge);
    const std::string typed = g.controls.value->text().toStdString();
    if (!AcceptTypedNumber(main_.app().prompt, typed)) {
        // The box shows what the gauge is still driven at, selected for typing again.
        Show();
        g.controls.value->refuseCommit();
        return;
    }
    g.live->Enter(main_.app().image, typed);
    Show();
}

LiveLink& OutputLiveCalibration::link() {
    return *link_;
}

void OutputLiveCalibration::Show() {
    for (const Gauge* g : {&duty_, &speed_}) {
        const Controls& c = g->controls;
        c.calibrate->setText(Q(g->live->Caption()));
        c.value->setText(Q(g->live->ValueText()));
        for (QWidget* w : {static_cast<QWidget*>(c.up), static_cast<QWidget*>(c.down),
                           static_cast<QWidget*>(c.value)})
            w->setEnabled(g->live->AdjustEnabled());
    }
}

}  // namespace vx42
