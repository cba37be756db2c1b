// The "Set CAN Speed" window.
#include "ui/dialogs/frm_can_speed.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/widgets/control_names.h"

namespace vx42 {

FrmCanSpeed::FrmCanSpeed(Prompt& prompt, const ErrorLog& log, QWidget* parent)
    : TrappedDialog("frmCANSpeed", "Set CAN Speed", prompt, log, parent) {
    auto* layout = new QVBoxLayout(this);
    fraSpeed = new QGroupBox("CAN Speed", this);
    fraSpeed->setObjectName("fraSpeed");
    auto* grid = new QGridLayout(fraSpeed);
    group_ = new QButtonGroup(this);
    for (std::size_t i = 0; i < kCanSpeeds.size(); ++i) {
        auto* option = new QRadioButton(kCanSpeeds[i].caption, fraSpeed);
        option->setObjectName(Indexed("optSpeedCAN", static_cast<int>(i)));
        group_->addButton(option, static_cast<int>(i));
        grid->addWidget(option, static_cast<int>(i) % 3, static_cast<int>(i) / 3);
        optSpeedCAN[i] = option;
    }
    layout->addWidget(fraSpeed);
    // The choice follows the state, however it was made (mouse, keyboard, assistive tool).
    connect(group_, &QButtonGroup::idToggled, this, [this](int index, bool on) {
        if (on) Trapped("optSpeedCAN", "Click", [this, index] { choice_.Click(index); });
    });

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setAutoDefault(false);
    row->addWidget(cmdOK);
    row->addWidget(cmdCancel);
    layout->addLayout(row);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmCanSpeed::Load(const CalImage& image) {
    Trapped("Form", "Load", [this, &image] {
        const auto index = choice_.Load(image);
        const QSignalBlocker loading(group_);
        // A value not in the table shows no option at all.
        group_->setExclusive(false);
        for (auto* option : optSpeedCAN) option->setChecked(false);
        group_->setExclusive(true);
        if (index) optSpeedCAN[static_cast<std::size_t>(*index)]->setChecked(true);
    });
}

}  // namespace vx42
