// The gauge presets frame of an output tab.
#include "ui/output/output_presets.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QVBoxLayout>
#include <algorithm>

#include "files/gauge_presets.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_context.h"
#include "ui/output/output_frame_support.h"

namespace vx42 {
using namespace output_frames;

namespace {

// A list box whose shown entry, when longer than the box, ends in an ellipsis rather than
// being cut off mid-letter.
class ElidingComboBox : public QComboBox {
  public:
    using QComboBox::QComboBox;

  protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, this);
        option.currentText =
            fontMetrics().elidedText(option.currentText, Qt::ElideRight, field.width());
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }
};

}  // namespace

QGroupBox* OutputPresets::Build(QWidget* parent, const QCheckBox* showFormatted) {
    showFormatted_ = showFormatted;
    c_.fraPresets = Named(new QGroupBox("Gauge Presets", parent), "fraPresets");
    auto* pv = new QVBoxLayout(c_.fraPresets);
    c_.cmbPresets = Named(new ElidingComboBox(c_.fraPresets), "cmbPresets");
    NameControl(c_.cmbPresets, "Gauge Presets");
    c_.cmbPresets->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c_.cmbPresets->setMinimumContentsLength(18);
    for (const std::string& entry : FillPresetList(ctx_.main.app().presets))
        c_.cmbPresets->addItem(Q(entry));
    c_.cmbPresets->setCurrentIndex(0);
    // A long preset name is cut in the box (the frame's width is the settings' above): the
    // list opens as wide as the longest name, and the box's tooltip shows the whole name.
    int widest = 0;
    for (int k = 0; k < c_.cmbPresets->count(); ++k)
        widest = std::max(
            widest, c_.cmbPresets->fontMetrics().horizontalAdvance(c_.cmbPresets->itemText(k)));
    c_.cmbPresets->view()->setMinimumWidth(widest + 32);
    c_.cmbPresets->setToolTip(c_.cmbPresets->currentText());
    QObject::connect(c_.cmbPresets, &QComboBox::currentTextChanged, c_.cmbPresets,
                     [box = c_.cmbPresets](const QString& text) { box->setToolTip(text); });
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
    const GaugePreset& preset = ctx_.main.app().presets[static_cast<std::size_t>(entry - 1)];
    {
        WaitCursor wait;
        ctx_.main.SettleLink();
        ctx_.EditStep(PresetStepName(preset.GaugePartNum, preset.GaugeName),
                      [&](const OutputEdit& out) { CarryOutPreset(out, steps); });
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
