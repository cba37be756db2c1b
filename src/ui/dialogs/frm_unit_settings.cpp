// The "Unit Settings" window.
#include "ui/dialogs/frm_unit_settings.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/widgets/control_names.h"

namespace vx42 {

namespace {

struct Family {
    const char* frame;
    const char* option;
    const char* metric;
    const char* standard;
    bool UnitFlags::*flag;
};

// The option captions of the temperature group use "º" (U+00BA).
const std::array<Family, 6> kFamilies{{
    {"Temperature", "optTemp", "\u00BAC", "\u00BAF", &UnitFlags::MetricTemperature},
    {"Speed", "optSpeed", "KPH", "MPH", &UnitFlags::MetricSpeed},
    {"Pressure", "optMap", "kPa", "PSI/in.Hg", &UnitFlags::MetricPressure},
    {"Air/Fuel Flow", "optFlow", "g/sec", "lbs/hr", &UnitFlags::MetricFlow},
    {"Torque", "optTorque", "N\u00B7m", "ft\u00B7lb", &UnitFlags::MetricTorque},
    {"Volume", "optVolume", "l", "gal", &UnitFlags::MetricVolume},
}};

}  // namespace

FrmUnitSettings::FrmUnitSettings(Settings& settings, SettingsStore& store, Prompt& prompt,
                                 const ErrorLog& log, std::function<void()> refresh,
                                 QWidget* parent)
    : TrappedDialog("frmUnitSettings", "Unit Settings", prompt, log, parent),
      settings_(settings),
      store_(store),
      refresh_(std::move(refresh)) {
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    for (std::size_t f = 0; f < kFamilies.size(); ++f) {
        const Family& family = kFamilies[f];
        auto* frame = new QGroupBox(family.frame, this);
        auto* column = new QVBoxLayout(frame);
        for (int option = 0; option < 2; ++option) {
            auto* button = new QRadioButton(
                QString::fromUtf8(option == 0 ? family.metric : family.standard), frame);
            button->setObjectName(Indexed(family.option, option));
            column->addWidget(button);
            groups[f][static_cast<std::size_t>(option)] = button;
        }
        grid->addWidget(frame, static_cast<int>(f) / 3, static_cast<int>(f) % 3);
    }
    layout->addLayout(grid);

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    cmdMetric = button("cmdMetric", "Metric");
    cmdStandard = button("cmdStandard", "Standard");
    cmdApply = button("cmdApply", "Apply");
    cmdOK = button("cmdOK", "OK");
    cmdCancel = button("cmdCancel", "Cancel");
    cmdOK->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addWidget(cmdMetric);
    row->addWidget(cmdStandard);
    row->addStretch(1);
    row->addWidget(cmdApply);
    row->addWidget(cmdOK);
    row->addWidget(cmdCancel);
    layout->addLayout(row);

    connect(cmdMetric, &QPushButton::clicked, this,
            [this] { Trapped("cmdMetric", "Click", [this] { SelectAll(0); }); });
    connect(cmdStandard, &QPushButton::clicked, this,
            [this] { Trapped("cmdStandard", "Click", [this] { SelectAll(1); }); });
    connect(cmdApply, &QPushButton::clicked, this,
            [this] { Trapped("cmdApply", "Click", [this] { Apply(); }); });
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        Trapped("cmdOK", "Click", [this] {
            TakeUnitChoices();
            SaveSettings(store_, settings_);
            accept();
            if (refresh_) refresh_();
        });
    });
    // Cancel and Esc close without taking the choices.
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    ShowUnitChoices();
}

void FrmUnitSettings::ShowUnitChoices() {
    for (std::size_t f = 0; f < kFamilies.size(); ++f)
        groups[f][settings_.Units.*kFamilies[f].flag ? 0 : 1]->setChecked(true);
}

void FrmUnitSettings::TakeUnitChoices() {
    for (std::size_t f = 0; f < kFamilies.size(); ++f) {
        if (groups[f][0]->isChecked()) settings_.Units.*kFamilies[f].flag = true;
        if (groups[f][1]->isChecked()) settings_.Units.*kFamilies[f].flag = false;
    }
}

void FrmUnitSettings::SelectAll(int option) {
    for (auto& group : groups) group[static_cast<std::size_t>(option)]->setChecked(true);
}

void FrmUnitSettings::Apply() {
    TakeUnitChoices();
    SaveSettings(store_, settings_);
    ShowUnitChoices();
    if (refresh_) refresh_();
}

}  // namespace vx42
