// The function and drive frames of an output tab.
#include "ui/output/output_function_frame.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "calibration/outputs/output_settings.h"
#include "files/gauge_presets.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_context.h"
#include "ui/output/output_frame_support.h"

namespace vx42 {
using namespace output_frames;

namespace {

// The arrow keys move the focus among a group's options without choosing one, so that
// passing an option on the way to another applies nothing; Space (as every button takes it)
// or Enter chooses the option that has the focus. A click still chooses at once.
class MoveWithoutChoosing : public QObject {
  public:
    MoveWithoutChoosing(std::vector<QAbstractButton*> options, QObject* parent)
        : QObject(parent), options_(std::move(options)) {
        for (QAbstractButton* option : options_) option->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto at = std::find(options_.begin(), options_.end(), watched);
        if (at == options_.end()) return false;
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Up:
            case Qt::Key_Left:
                Move(at, -1);
                return true;
            case Qt::Key_Down:
            case Qt::Key_Right:
                Move(at, 1);
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                (*at)->click();
                return true;
            default:
                return false;
        }
    }

  private:
    // The focus to the nearest option in `step`'s direction that can take it.
    void Move(std::vector<QAbstractButton*>::iterator at, int step) {
        for (auto k = at - options_.begin() + step;
             k >= 0 && k < static_cast<std::ptrdiff_t>(options_.size()); k += step) {
            QAbstractButton* option = options_[static_cast<std::size_t>(k)];
            if (!option->isEnabled() || !option->isVisible()) continue;
            option->setFocus(Qt::TabFocusReason);
            return;
        }
    }

    std::vector<QAbstractButton*> options_;
};

}  // namespace

void OutputFunctionFrame::Build(QGridLayout* frames, QWidget* row) {
    auto* fraFunction = Named(new QGroupBox("Output Function", row), "fraFunction");
    auto* fv = new QGridLayout(fraFunction);
    for (int i = 0; i < 5; ++i) {
        c_.optType[i] =
            Named(new QRadioButton(kFunctionCaptions[i], fraFunction), Indexed("optType", i));
        fv->addWidget(c_.optType[i], i % 3, i / 3);
    }
    frames->addWidget(fraFunction, 0, 0);

    auto* fraState = Named(new QGroupBox("Output State", row), "fraOutputState");
    auto* sg = new QGridLayout(fraState);
    auto* offBox = new QWidget(fraState);  // each column is its own exclusive group
    auto* onBox = new QWidget(fraState);
    auto* offCol = new QVBoxLayout(offBox);
    auto* onCol = new QVBoxLayout(onBox);
    offCol->setContentsMargins(0, 0, 0, 0);
    onCol->setContentsMargins(0, 0, 0, 0);
    offCol->addWidget(Caption("<b>Off</b>", offBox));
    onCol->addWidget(Caption("<b>On</b>", onBox));
    for (int i = 0; i < 3; ++i) {
        c_.optOff[i] = Named(new QRadioButton(kDriveCaptions[i], offBox), Indexed("optOff", i));
        c_.optOn[i] = Named(new QRadioButton(kDriveCaptions[i], onBox), Indexed("optOn", i));
        NameControl(c_.optOff[i], QString("Off ") + kDriveCaptions[i]);
        NameControl(c_.optOn[i], QString("On ") + kDriveCaptions[i]);
        offCol->addWidget(c_.optOff[i]);
        onCol->addWidget(c_.optOn[i]);
    }
    sg->addWidget(offBox, 0, 0);
    sg->addWidget(onBox, 0, 1);
    frames->addWidget(fraState, 1, 0);

    auto* settings = new QGroupBox("Output Settings", row);
    auto* g = new QGridLayout(settings);
    c_.txtOutputName = Named(new EntryBox(settings), "txtOutputName");
    g->addWidget(CaptionFor("Output Name", settings, c_.txtOutputName), 0, 0);
    c_.txtOutputName->setMaxLength(24);
    g->addWidget(c_.txtOutputName, 0, 1);
    c_.lblOutSetting = Named(Caption("Frequency (hz)", settings), "lblOutSetting");
    g->addWidget(c_.lblOutSetting, 1, 0);
    c_.txtPeriod = Named(new EntryBox(settings), "txtPeriod");
    NameAfterCaption(c_.txtPeriod, c_.lblOutSetting);
    g->addWidget(c_.txtPeriod, 1, 1);
    c_.chkFormatCAN = Named(new QCheckBox("Show formatted CAN data", settings), "chkFormatCAN");
    g->addWidget(c_.chkFormatCAN, 2, 0, 1, 2);
    g->setColumnStretch(1, 1);
    frames->addWidget(settings, 0, 1);
}

void OutputFunctionFrame::Connect() {
    // Driven by the state, not by the mouse: Space, Enter and assistive technology choose
    // through the same signal; the arrow keys only move. Loading the screen sets the state
    // with screenLoaded clear.
    new MoveWithoutChoosing({c_.optType.begin(), c_.optType.end()}, &ctx_.page);
    for (int k = 0; k < 5; ++k)
        OnChosen(c_.optType[k], &ctx_.page, [this, k] {
            ctx_.Handler(c_.optType[k], "Click", [this, k] { FunctionClicked(k); });
        });
    for (int k = 0; k < 3; ++k) {
        OnChosen(c_.optOff[k], &ctx_.page, [this, k] {
            ctx_.Handler(c_.optOff[k], "Click", [this, k] { DriveClicked(true, k); });
        });
        OnChosen(c_.optOn[k], &ctx_.page, [this, k] {
            ctx_.Handler(c_.optOn[k], "Click", [this, k] { DriveClicked(false, k); });
        });
    }
    QObject::connect(c_.chkFormatCAN, &QCheckBox::toggled, &ctx_.page, [this](bool ticked) {
        ctx_.Handler(c_.chkFormatCAN, "Click", [this, ticked] {
            if (!ctx_.screenLoaded) return;
            ctx_.EditStep(c_.chkFormatCAN->text().remove('&').toStdString(),
                          [ticked](const OutputEdit& out) { StoreShowFormatted(out, ticked); });
            ctx_.LoadScreen();
        });
    });

    ctx_.EnterNumber(
        c_.txtPeriod,
        [](const OutputEdit& out, const std::string& t) { return StorePeriod(out, t); },
        [this] {
            ctx_.ShowTables();  // the duty cells read against the new period, the voltage
                                // output's duty cycles too
            ctx_.FollowPreset();
        });
    ctx_.Colour(c_.txtPeriod, [this] {
        const PeriodRule rule = PeriodRuleOf(ctx_.Scope().FunctionFlags());
        return DataRange{rule.minimum, rule.maximum};
    });
    ctx_.Enter(
        c_.txtOutputName,
        [](const OutputEdit& out, const std::string& t) { return StoreOutputName(out, t); },
        [this] { ctx_.FollowPreset(); });
}

void OutputFunctionFrame::Show(const OutputView& v) {
    c_.optType[static_cast<int>(v.function)]->setChecked(true);
    c_.optOff[static_cast<int>(v.drive.off)]->setChecked(true);
    c_.optOn[static_cast<int>(v.drive.on)]->setChecked(true);
    c_.txtOutputName->setText(Q(v.outputName));
    c_.chkFormatCAN->setChecked(v.showFormatted);
    c_.txtPeriod->setText(Q(v.period));
    c_.lblOutSetting->setText(Q(v.periodLabel));
    NameAfterCaption(c_.txtPeriod, c_.lblOutSetting);
    const bool relayMode = ctx_.main.app().mode == StartupMode::Relay;
    for (int k = 0; k < 5; ++k)
        c_.optType[k]->setEnabled(!relayMode ||
                                  k == static_cast<int>(OutputFunction::RelayControl));
}

OutputDisplay OutputFunctionFrame::Display() const {
    OutputDisplay display;
    display.periodText = S(c_.txtPeriod->text());
    for (int k = 0; k < 5; ++k)
        if (c_.optType[k]->isChecked()) display.function = k;
    for (int k = 0; k < 3; ++k) {
        if (c_.optOn[k]->isChecked()) display.on = k;
        if (c_.optOff[k]->isChecked()) display.off = k;
    }
    return display;
}

void OutputFunctionFrame::FunctionClicked(int index) {
    if (!ctx_.screenLoaded) return;
    ctx_.StopLiveCalibration();  // the gauge it drove is no longer this output's function
    ctx_.main.SettleLink();
    ctx_.EditStep(FunctionStepName(kFunctionCaptions[static_cast<std::size_t>(index)]),
                  [index](const OutputEdit& out) {
                      SelectFunction(out, static_cast<OutputFunction>(index));
                  });
    ctx_.LoadScreen();
}

void OutputFunctionFrame::DriveClicked(bool offGroup, int index) {
    if (!ctx_.screenLoaded) return;
    ctx_.main.SettleLink();
    auto checked = [](const std::array<QRadioButton*, 3>& group) {
        for (int k = 0; k < 3; ++k)
            if (group[k] && group[k]->isChecked()) return static_cast<Drive>(k);
        return Drive::Open;
    };
    DriveStates states{};
    ctx_.EditStep(
        DriveStepName(offGroup, kDriveCaptions[static_cast<std::size_t>(index)]),
        [&](const OutputEdit& out) {
            states = offGroup ? StoreDriveOff(out, static_cast<Drive>(index), checked(c_.optOn))
                              : StoreDriveOn(out, static_cast<Drive>(index), checked(c_.optOff));
        });
    // The stored states shown: no second store from the buttons' own signals.
    auto quiet = [this](bool on) {
        for (QRadioButton* b : c_.optOff) b->blockSignals(on);
        for (QRadioButton* b : c_.optOn) b->blockSignals(on);
    };
    quiet(true);
    c_.optOff[static_cast<int>(states.off)]->setChecked(true);
    c_.optOn[static_cast<int>(states.on)]->setChecked(true);
    quiet(false);
    ctx_.FollowPreset();
}

}  // namespace vx42
