// The "Import DBC" window.
#include "ui/dialogs/frm_import_dbc.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/qt/keyboard_access.h"
#include "app/qt/qt_text.h"

namespace vx42 {

namespace {

QString Scaling(const DbcSignal& s) {
    return QString("x %1 %2 %3")
        .arg(s.factor, 0, 'g', 10)
        .arg(s.offset < 0 ? "-" : "+")
        .arg(std::abs(s.offset), 0, 'g', 10);
}

}  // namespace

FrmImportDbc::FrmImportDbc(DbcImportList& list, const std::string& fileName, Prompt& prompt,
                           const ErrorLog& log, QWidget* parent)
    : TrappedDialog("frmImportDbc", "Import DBC - " + Q(fileName), prompt, log, parent),
      list_(list) {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* label = new QLabel("Filter", this);
    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName("txtFilter");
    txtFilter->setPlaceholderText("Message, signal, identifier, unit or comment");
    txtFilter->setClearButtonEnabled(true);
    NameAfterCaption(txtFilter, label);
    top->addWidget(label);
    top->addWidget(txtFilter, 1);
    layout->addLayout(top);

    tvwSignals = new QTreeWidget(this);
    tvwSignals->setObjectName("tvwSignals");
    NameControl(tvwSignals, "Messages and signals to import");
    tvwSignals->setHeaderLabels({"Message / Signal", "CAN ID / Bits", "Scaling", "Unit", "Import"});
    tvwSignals->setUniformRowHeights(true);
    tvwSignals->setAlternatingRowColors(true);
    layout->addWidget(tvwSignals, 1);

    auto* bottom = new QHBoxLayout;
    lblSummary = new QLabel(this);
    lblSummary->setObjectName("lblSummary");
    cmdOK = new QPushButton("Import", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    bottom->addWidget(lblSummary, 1);
    bottom->addWidget(cmdOK);
    bottom->addWidget(cmdCancel);
    layout->addLayout(bottom);

    Fill();
    connect(txtFilter, &QLineEdit::textChanged, this, [this](const QString& text) {
        Trapped("txtFilter", "Change", [this, text] { Filter(text); });
    });
    connect(tvwSignals, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        Trapped("tvwSignals", "ItemCheck", [this, item] { ItemChanged(item); });
    });
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Wide enough for every reason in full where the screen has the room; a reason still
    // longer ends in an ellipsis, and its tooltip shows it whole.
    tvwSignals->resizeColumnToContents(4);
    int wanted = tvwSignals->header()->length() + 2 * tvwSignals->frameWidth() +
                 tvwSignals->verticalScrollBar()->sizeHint().width();
    wanted += layout->contentsMargins().left() + layout->contentsMargins().right();
    if (const QScreen* s = screen())
        wanted = std::min(wanted, s->availableGeometry().width() * 19 / 20);
    resize(std::max(860, wanted), 520);
}

QTreeWidgetItem* FrmImportDbc::MessageItem(int message) const {
    return messageItems_.at(static_cast<std::size_t>(message));
}

QTreeWidgetItem* FrmImportDbc::RowItem(int row) const {
    return rowItems_.at(static_cast<std::size_t>(row));
}

void FrmImportDbc::Fill() {
    syncing_ = true;
    const DbcFile& file = list_.file();
    for (std::size_t m = 0; m < file.messages.size(); ++m) {
        const DbcMessage& message = file.messages[m];
        auto* item = new QTreeWidgetItem(tvwSignals);
        item->setText(0, Q(message.name));
        item->setText(1, Q(IdentifierText(message)));
        item->setText(2, QString("%1 bytes").arg(message.length));
        item->setToolTip(0, Q(message.comment));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        messageItems_.push_back(item);
        bool any = false;
        for (int r : list_.RowsOf(static_cast<int>(m))) {
            const auto& row = list_.rows()[static_cast<std::size_t>(r)];
            const DbcSignal& s = message.signalList[static_cast<std::size_t>(row.signal)];
            auto* child = new QTreeWidgetItem(item);
            child->setText(0, Q(s.name));
            child->setText(1, QString("%1|%2 %3")
                                  .arg(s.startBit)
                                  .arg(s.length)
                                  .arg(s.motorola ? "Motorola" : "Intel"));
            child->setText(2, Scaling(s));
            child->setToolTip(0, Q(s.comment));
            if (row.import.importable) {
                child->setText(3, Q(row.import.definition.Unit));
                QStringList notes;
                for (const auto& n : row.import.notes) notes << Q(n);
                child->setText(4, notes.join("; "));
                child->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
                child->setCheckState(0, Qt::Unchecked);
                any = true;
            } else {
                child->setText(3, Q(s.unit));
                child->setText(4, "Not imported: " + Q(row.import.reason));
                child->setFlags(Qt::NoItemFlags);
            }
            child->setToolTip(4, child->text(4));
            rowItems_.push_back(child);
        }
        if (any)
            item->setCheckState(0, Qt::Unchecked);
        else
            item->setFlags(Qt::NoItemFlags);
    }
    tvwSignals->expandAll();
    for (int c = 0; c < 4; ++c) tvwSignals->resizeColumnToContents(c);
    syncing_ = false;
    ShowChecks();
}

void FrmImportDbc::Filter(const QString& text) {
    list_.SetFilter(text.toStdString());
    for (std::size_t m = 0; m < messageItems_.size(); ++m)
        messageItems_[m]->setHidden(!list_.MessageShown(static_cast<int>(m)));
    for (std::size_t r = 0; r < rowItems_.size(); ++r)
        rowItems_[r]->setHidden(!list_.RowShown(static_cast<int>(r)));
}

void FrmImportDbc::ItemChanged(QTreeWidgetItem* item) {
    if (syncing_) return;
    const bool checked = item->checkState(0) == Qt::Checked;
    if (item->parent() == nullptr) {
        const auto m = std::find(messageItems_.begin(), messageItems_.end(), item);
        if (m == messageItems_.end()) return;
        list_.SetMessageChecked(static_cast<int>(m - messageItems_.begin()), checked);
    } else {
        const auto r = std::find(rowItems_.begin(), rowItems_.end(), item);
        if (r == rowItems_.end()) return;
        list_.SetChecked(static_cast<int>(r - rowItems_.begin()), checked);
    }
    ShowChecks();
}

// The check boxes as the list holds them; a message is partly checked when some of its
// importable signals are.
void FrmImportDbc::ShowChecks() {
    syncing_ = true;
    int importable = 0;
    for (std::size_t m = 0; m < messageItems_.size(); ++m) {
        int can = 0, chosen = 0;
        for (int r : list_.RowsOf(static_cast<int>(m))) {
            const auto& row = list_.rows()[static_cast<std::size_t>(r)];
            if (!row.import.importable) continue;
            ++can;
            chosen += row.checked;
            rowItems_[static_cast<std::size_t>(r)]->setCheckState(
                0, row.checked ? Qt::Checked : Qt::Unchecked);
        }
        importable += can;
        if (can > 0)
            messageItems_[m]->setCheckState(0, chosen == 0     ? Qt::Unchecked
                                               : chosen == can ? Qt::Checked
                                                               : Qt::PartiallyChecked);
    }
    const int chosen = list_.CheckedCount();
    const int all = static_cast<int>(list_.rows().size());
    lblSummary->setText(QString("%1 of %2 signals chosen; %3 cannot be imported")
                            .arg(chosen)
                            .arg(importable)
                            .arg(all - importable));
    cmdOK->setEnabled(chosen > 0);
    syncing_ = false;
}

}  // namespace vx42
