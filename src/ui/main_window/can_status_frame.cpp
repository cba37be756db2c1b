// The "CAN Status" tab's frame.
#include "ui/main_window/can_status_frame.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt/qt_text.h"
#include "calibration/outputs/output_view.h"
#include "ui/widgets/control_names.h"

namespace vx42 {

namespace {
constexpr unsigned kReceiving = 0x00FF00;
constexpr unsigned kNotReceiving = 0xFF0000;
constexpr unsigned kUnknown = 0xC0C0C0;
constexpr unsigned kNotUsed = 0xE8E8E8;
}  // namespace

CanStatusFrame::CanStatusFrame(QWidget* parent) : QGroupBox("CAN Status", parent) {
    setObjectName("fraCANStat");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    for (int output = 0; output < kMessageSlots / 2; ++output) {
        auto* caption = new QLabel(QString("Output %1 CAN Data Status").arg(output + 1), this);
        caption->setObjectName(Indexed("lblCanDesc", output));
        QFont bold = caption->font();
        bold.setBold(true);
        caption->setFont(bold);
        lblCanDesc[static_cast<std::size_t>(output)] = caption;
        grid->addWidget(caption, output * 3, 0, 1, 4);
        for (int reference = 0; reference < 2; ++reference) {
            const int slot = output * 2 + reference;
            auto* shape = new QLabel(this);
            shape->setObjectName(Indexed("shaOutCAN", slot));
            const int side = shape->fontMetrics().height();
            shape->setFixedSize(side * 2, side);
            shaOutCAN[static_cast<std::size_t>(slot)] = shape;
            Fill(slot, kUnknown);
            grid->addWidget(shape, output * 3 + 1, reference * 2);
            grid->addWidget(
                new QLabel(reference == 0 ? "Primary CAN Data" : "Secondary CAN Data", this),
                output * 3 + 1, reference * 2 + 1);
            auto* message = new QLabel(this);
            message->setObjectName(Indexed("lblCanMessage", slot));
            message->setStyleSheet("color: #505050;");  // quieter than the captions
            lblCanMessage[static_cast<std::size_t>(slot)] = message;
            grid->addWidget(message, output * 3 + 2, reference * 2 + 1);
        }
    }
    grid->setColumnStretch(4, 1);
    layout->addLayout(grid);
    cmdCheckCANStats = new QPushButton("Check CAN Status", this);
    cmdCheckCANStats->setObjectName("cmdCheckCANStats");
    chkWatchCAN = new QCheckBox("Watch", this);
    chkWatchCAN->setObjectName("chkWatchCAN");
    chkWatchCAN->setToolTip("Read the CAN status again about once a second");
    lblCanLastRead = new QLabel(this);
    lblCanLastRead->setObjectName("lblCanLastRead");
    auto* row = new QHBoxLayout;
    row->addWidget(cmdCheckCANStats);
    row->addWidget(chkWatchCAN);
    row->addWidget(lblCanLastRead);
    row->addStretch(1);
    layout->addLayout(row);
}

void CanStatusFrame::Fill(int slot, unsigned rgb) {
    QLabel* shape = shaOutCAN[static_cast<std::size_t>(slot)];
    shape->setProperty("rgb", rgb);
    shape->setStyleSheet(
        QString("background-color: #%1; border: 1px solid #404040;").arg(rgb, 6, 16, QChar('0')));
}

void CanStatusFrame::ShowMessages(const CalImage& image) {
    for (int slot = 0; slot < kMessageSlots; ++slot) {
        const auto k = static_cast<std::size_t>(slot);
        const bool used =
            slot % 2 == 0 || image.Byte(CalAddresses().OutputCal[k / 2].SecondaryMode) != 0;
        const auto selection = StoredMessageSelection(OutputScope{image, {}, slot / 2}, slot % 2);
        messages_[k] = selection ? selection->library + " / " + selection->message : "no message";
        if (!used) Fill(slot, kNotUsed);
        lblCanMessage[k]->setText(Q(used ? messages_[k] : SlotStatusText(SlotStatus::NotUsed)));
    }
}

void CanStatusFrame::Show(const std::array<SlotStatus, kMessageSlots>& status,
                          const std::string& time) {
    for (int slot = 0; slot < kMessageSlots; ++slot) {
        const auto k = static_cast<std::size_t>(slot);
        switch (status[k]) {
            case SlotStatus::Receiving:
                Fill(slot, kReceiving);
                break;
            case SlotStatus::NotReceiving:
                Fill(slot, kNotReceiving);
                break;
            case SlotStatus::NotUsed:
                Fill(slot, kNotUsed);
                break;
            case SlotStatus::Unchanged:
                break;
        }
        if (status[k] != SlotStatus::Unchanged)
            lblCanMessage[k]->setText(
                Q(status[k] == SlotStatus::NotUsed ? SlotStatusText(status[k]) : messages_[k]));
    }
    lblCanLastRead->setText(Q("Last read: " + time));
}

unsigned CanStatusFrame::Colour(int slot) const {
    return shaOutCAN[static_cast<std::size_t>(slot)]->property("rgb").toUInt();
}

}  // namespace vx42
