// The "Compare" window.
#include "ui/dialogs/frm_compare.h"

#include <QBrush>
#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/qt/keyboard_access.h"
#include "app/qt/qt_text.h"

namespace vx42 {

namespace {

// A setting's name as a line of its own: "Name", "Primary CAN data, byte index".
QString Capitalised(const std::string& s) {
    QString text = Q(s);
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

// Where an item's setting lives: its group, and its place in the group (-1 for the group).
constexpr int kGroupRole = Qt::UserRole;
constexpr int kSettingRole = Qt::UserRole + 1;

const QColor kDiffering(255, 224, 160);

}  // namespace

FrmCompare::FrmCompare(std::vector<GroupDifferences> groups, const QString& otherName,
                       Prompt& prompt, const ErrorLog& log, QWidget* parent)
    : TrappedDialog("frmCompare", "Compare", prompt, log, parent), groups_(std::move(groups)) {
    auto* layout = new QVBoxLayout(this);
    std::size_t count = 0;
    for (const GroupDifferences& g : groups_) count += g.settings.size();
    lblCompared =
        new QLabel(QString("%1 %2 from %3. Check what to copy into the calibration shown.")
                       .arg(count)
                       .arg(count == 1 ? "setting of the calibration shown differs"
                                       : "settings of the calibration shown differ")
                       .arg(otherName),
                   this);
    lblCompared->setObjectName("lblCompared");
    lblCompared->setWordWrap(true);
    layout->addWidget(lblCompared);

    auto* split = new QSplitter(Qt::Vertical, this);
    lstDifferences = new QTreeWidget(split);
    lstDifferences->setObjectName("lstDifferences");
    NameControl(lstDifferences, "Differing settings");
    lstDifferences->setHeaderLabels({"Setting", "Shown calibration", "Other calibration"});
    lstDifferences->setSelectionMode(QAbstractItemView::SingleSelection);
    lstDifferences->setAlternatingRowColors(true);
    for (int g = 0; g < static_cast<int>(groups_.size()); ++g) {
        const GroupDifferences& group = groups_[static_cast<std::size_t>(g)];
        auto* top = new QTreeWidgetItem(
            lstDifferences, {QString("%1 (%2)").arg(Q(group.title)).arg(group.settings.size())});
        top->setFlags(top->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        top->setData(0, kGroupRole, g);
        top->setData(0, kSettingRole, -1);
        QFont bold = top->font(0);
        bold.setBold(true);
        top->setFont(0, bold);
        for (int s = 0; s < static_cast<int>(group.settings.size()); ++s) {
            const ComparedSetting& setting = group.settings[static_cast<std::size_t>(s)];
            auto* item = new QTreeWidgetItem(
                top, {Capitalised(setting.label), Q(setting.first), Q(setting.second)});
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Unchecked);
            item->setData(0, kGroupRole, g);
            item->setData(0, kSettingRole, s);
        }
        top->setCheckState(0, Qt::Unchecked);
        top->setExpanded(!group.table);  // a table's cells are seen in its grid
    }
    lstDifferences->header()->setSectionResizeMode(QHeaderView::Interactive);
    for (int c = 0; c < 3; ++c) lstDifferences->resizeColumnToContents(c);

    auto* tableBox = new QWidget(split);
    auto* tableLayout = new QVBoxLayout(tableBox);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    lblTable = new QLabel(tableBox);
    lblTable->setObjectName("lblTable");
    tableLayout->addWidget(lblTable);
    grdTable = new QTableWidget(tableBox);
    grdTable->setObjectName("grdTable");
    NameAfterCaption(grdTable, lblTable);
    grdTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdTable->horizontalHeader()->setVisible(false);
    grdTable->verticalHeader()->setVisible(false);
    tableLayout->addWidget(grdTable, 1);
    split->addWidget(lstDifferences);
    split->addWidget(tableBox);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    cmdCopySelected = new QPushButton("Copy selected", this);
    cmdCopySelected->setObjectName("cmdCopySelected");
    cmdCopySelected->setToolTip("Copy the checked settings into the calibration shown");
    row->addWidget(cmdCopySelected);
    cmdClose = new QPushButton("Close", this);
    cmdClose->setObjectName("cmdClose");
    row->addWidget(cmdClose);
    layout->addLayout(row);
    resize(900, 620);

    connect(lstDifferences, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        Trapped("lstDifferences", "Click", [this, item] { ShowTableOf(item); });
    });
    connect(cmdCopySelected, &QPushButton::clicked, this,
            [this] { Trapped("cmdCopySelected", "Click", [this] { CopySelected(); }); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    // The first table in view, else nothing.
    ShowTableOf(nullptr);
    for (int g = 0; g < lstDifferences->topLevelItemCount(); ++g)
        if (groups_[static_cast<std::size_t>(g)].table) {
            lstDifferences->setCurrentItem(lstDifferences->topLevelItem(g));
            break;
        }
}

std::vector<ComparedSetting> FrmCompare::Checked() const {
    std::vector<ComparedSetting> checked;
    for (int g = 0; g < lstDifferences->topLevelItemCount(); ++g) {
        const QTreeWidgetItem* top = lstDifferences->topLevelItem(g);
        for (int s = 0; s < top->childCount(); ++s)
            if (top->child(s)->checkState(0) == Qt::Checked)
                checked.push_back(
                    groups_[static_cast<std::size_t>(g)].settings[static_cast<std::size_t>(s)]);
    }
    return checked;
}

void FrmCompare::CopySelected() {
    if (Checked().empty()) {
        prompt_.Message("No setting is checked: check the settings to copy first.", "Compare",
                        Icon::Information);
        return;
    }
    accept();
}

void FrmCompare::ShowTableOf(const QTreeWidgetItem* item) {
    const int g = item ? item->data(0, kGroupRole).toInt() : -1;
    const TableComparison* table = g >= 0 && groups_[static_cast<std::size_t>(g)].table
                                       ? &*groups_[static_cast<std::size_t>(g)].table
                                       : nullptr;
    grdTable->setVisible(table != nullptr);
    if (!table) {
        lblTable->setText("Choose a table's group to see its grid.");
        return;
    }
    lblTable->setText(Q(groups_[static_cast<std::size_t>(g)].title) +
                      ": marked cells differ (shown" + QString(kChangeArrow) + "other)");
    grdTable->clear();
    grdTable->setRowCount(table->rows);
    grdTable->setColumnCount(table->cols);
    for (int r = 0; r < table->rows; ++r)
        for (int c = 0; c < table->cols; ++c) {
            const int i = table->Index(r, c);
            const bool differs = table->differs[static_cast<std::size_t>(i)];
            QString text = Q(table->first[static_cast<std::size_t>(i)]);
            if (differs)
                text += QString(kChangeArrow) + Q(table->second[static_cast<std::size_t>(i)]);
            auto* cell = new QTableWidgetItem(text);
            cell->setTextAlignment(Qt::AlignCenter);
            if (differs) cell->setBackground(kDiffering);
            // The headers (breakpoints) read as headers.
            if (r == 0 || (table->grid == TableGrid::Analog && c == 0)) {
                QFont bold = cell->font();
                bold.setBold(true);
                cell->setFont(bold);
            }
            grdTable->setItem(r, c, cell);
        }
    grdTable->resizeColumnsToContents();
    grdTable->resizeRowsToContents();
}

QTreeWidgetItem* FrmCompare::GroupItem(const std::string& title) const {
    for (std::size_t g = 0; g < groups_.size(); ++g)
        if (groups_[g].title == title) return lstDifferences->topLevelItem(static_cast<int>(g));
    return nullptr;
}

}  // namespace vx42
