// Building the output page: each frame builds itself into the controls the page holds, and
// the page lays them out. The handlers are wired in output_page.cpp.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "calibration/outputs/output_settings.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_data_sources.h"
#include "ui/output/output_frame_support.h"
#include "ui/output/output_function_frame.h"
#include "ui/output/output_live_calibration.h"
#include "ui/output/output_page.h"
#include "ui/output/output_presets.h"
#include "ui/output/output_relay_rules.h"
#include "ui/output/output_tables_frame.h"
#include "ui/output/output_voltage_out.h"
#include "ui/widgets/entry_box.h"

namespace vx42 {
using namespace output_frames;

// ---------------------------------------------------------------------------------------
// Building the page

void OutputPage::Build() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    // The output's function, state, settings and presets beside its two CAN data sources
    // (in `fraMessages`), so that the page fits a laptop's screen.
    auto* topRow = new QHBoxLayout;
    topRow->addWidget(BuildTopRow());
    topRow->addWidget(data_->Build(this), 2);
    layout->addLayout(topRow);

    {
        const OutputLiveCalibration::Controls& live = live_->Build(LiveGauge::Duty, this);
        fraGaugeCal = live.frame;
        cmdCalibrate = live.calibrate;
        cmdUp = live.up;
        cmdDown = live.down;
        txtDutyCycle = live.value;
    }

    layout->addWidget(relay_->Build(this, chkUseSecondary), 1);
    layout->addWidget(voltage_->Build(this), 1);
    layout->addWidget(tables_->Build(TableGrid::Analog, this, fraGaugeCal), 1);
    layout->addWidget(tables_->Build(TableGrid::Freq, this, nullptr), 1);
    layout->addStretch(0);
    tables_->BuildMenu();
    {
        const OutputLiveCalibration::Controls& live = live_->ControlsOf(LiveGauge::Frequency);
        cmdCalibrateSpeed = live.calibrate;
        cmdUpSpeed = live.up;
        cmdDownSpeed = live.down;
        txtDutyCycleSpeed = live.value;
    }
    KeepSizesSteady();
}

// The window takes its size once, when a calibration is first shown: what changes with the
// output shown (captions, the relay's second switch points, where the live calibration
// sits) keeps the frames' sizes, so no tab needs more room than the first one.
void OutputPage::KeepSizesSteady() {
    int label = 0, check = 0;
    const QString useSecondary = chkUseSecondary->text();
    for (int flags = 0; flags < 256; ++flags) {
        const auto f = static_cast<std::uint8_t>(flags);
        label =
            std::max(label, lblOutSetting->fontMetrics().horizontalAdvance(PeriodRuleOf(f).label));
        chkUseSecondary->setText(Q(UseSecondaryCaption(f)));
        check = std::max(check, chkUseSecondary->sizeHint().width());
    }
    chkUseSecondary->setText(useSecondary);
    lblOutSetting->setMinimumWidth(label);
    chkUseSecondary->setMinimumWidth(check);
    chkUseSecondary1->setMinimumWidth(check);
    for (int i = 0; i < 2; ++i)
        for (QWidget* w : {static_cast<QWidget*>(txtOnB[i]), static_cast<QWidget*>(txtOffB[i]),
                           static_cast<QWidget*>(lblOnB[i]), static_cast<QWidget*>(lblOffB[i])}) {
            QSizePolicy policy = w->sizePolicy();
            policy.setRetainSizeWhenHidden(true);
            w->setSizePolicy(policy);
        }
    tables_->gaugeSide->addStrut(fraGaugeCal->sizeHint().height());
}

QSize OutputPage::sizeHint() const {
    QSize hint = QWidget::sizeHint();
    QSize shown(0, 0), largest(0, 0);
    for (const QWidget* frame : {fraRelay, fraVoltageOut, fraTable, fraFreqTable}) {
        if (!frame) continue;
        if (!frame->isHidden()) shown = shown.expandedTo(frame->sizeHint());
        largest = largest.expandedTo(frame->sizeHint());
    }
    if (shown.isNull()) largest.rheight() += layout()->spacing();
    return {std::max(hint.width(), largest.width() + 8),
            hint.height() + largest.height() - shown.height()};
}

QWidget* OutputPage::BuildTopRow() {
    auto* row = new QWidget(this);
    auto* frames = new QGridLayout(row);  // function over state, settings over presets
    frames->setContentsMargins(0, 0, 0, 0);

    function_->Build(frames, row);
    fraPresets = presets_->Build(row, chkFormatCAN);
    frames->addWidget(fraPresets, 1, 1);
    if (main_.app().mode == StartupMode::Relay) {
        // No presets in relay mode: the output state takes their place beside it.
        if (auto* state = row->findChild<QGroupBox*>("fraOutputState")) {
            frames->removeWidget(state);
            frames->addWidget(state, 1, 0, 1, 2);
            // Its Off and On columns keep their spacing, the room left over to their right.
            if (auto* columns = qobject_cast<QGridLayout*>(state->layout()))
                for (int c = 0; c < 3; ++c) columns->setColumnStretch(c, 1);
        }
    }
    frames->setRowStretch(2, 1);
    return row;
}

}  // namespace vx42
