#include "ui/output_presets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "files/gauge_presets.h"
#include "ui/frm_main.h"
#include "ui/output_context.h"
#include "ui/output_frame_support.h"

namespace vx42 {
using namespace output_frames;

QGroupBox* OutputPresets::Build(QWidget* parent, const QCheckBox* showFormatted) {
    showFormatted_ = showFormatted;
    c_.fraPresets = Named(new QGroupBox("Gauge Presets", parent), "fraPresets");
    auto* pv = new QVBoxLayout(c_.fraPresets);
    c_.cmbPresets = Named(new QComboBox(c_.fraPresets), "cmbPresets");
    c_.cmbPresets->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c_.cmbPresets->setMinimumContentsLength(18);
    for (const std::string& entry : FillPresetList(ctx_.main.app().presets))
        c_.cmbPresets->addItem(Q(entry));
    c_.cmbPresets->setCurrentIndex(0);
    pv->addWidget(c_.cmbPresets);
    pv->addStretch(1);
    c_.fraPresets->setVisible(ctx_.main.app().mode != StartupMode::Relay);
    return c_.fraPresets;
}

void OutputPresets::Connect() {
    QObject::connect(c_.cmbPresets, &QComboBox::activated, &ctx_.page, [this](int k) {
        ctx_.Handler(c_.cmbPresets, "Click", [this, k] { ApplyPresetEntry(k); });
    });
}

void OutputPresets::ApplyPresetEntry(int entry) {
    if (!ctx_.screenLoaded || presetsChanging_) return;
    const std::vector<PresetStep> steps = ApplyPreset(
        ctx_.main.app().presets, entry, showFormatted_->isChecked(), ctx_.main.app().prompt);
    if (steps.empty()) return;
    {
        WaitCursor wait;
        ctx_.main.SettleLink();
        ctx_.Edit([&](const OutputEdit& out) { CarryOutPreset(out, steps); });
        ctx_.history.Clear();
        ctx_.UpdateEditActions();
    }
    ctx_.LoadScreen();
}

void OutputPresets::Follow(const OutputDisplay& display) {
    if (!c_.fraPresets->isVisibleTo(&ctx_.page) && ctx_.main.app().mode == StartupMode::Relay)
        return;
    presetsChanging_ = true;
    c_.cmbPresets->setCurrentIndex(
        SelectMatchingPreset(ctx_.main.app().presets, ctx_.main.app().image, ctx_.output, display));
    presetsChanging_ = false;
}

}  // namespace vx42
