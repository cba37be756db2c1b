// The "Module History" window.
#include "ui/dialogs/frm_module_history.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/qt/keyboard_access.h"
#include "app/qt/qt_text.h"
#include "review/calibration_diff.h"

namespace vx42 {

namespace {

QTreeWidget* List(QWidget* parent, const char* name, const QStringList& headers) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QWidget* Titled(QWidget* parent, const QString& title, QWidget* content) {
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(title, box);
    NameAfterCaption(content, caption);
    layout->addWidget(caption);
    content->setParent(box);
    layout->addWidget(content, 1);
    return box;
}

}  // namespace

FrmModuleHistory::FrmModuleHistory(RestorePoints& store, const CalImage& shown,
                                   const UnitFlags& units, Prompt& prompt, const ErrorLog& log,
                                   QWidget* parent, Use use)
    : TrappedDialog("frmModuleHistory", "Module History", prompt, log, parent),
      store_(store),
      shown_(shown),
      units_(units) {
    auto* layout = new QVBoxLayout(this);
    auto* split = new QSplitter(Qt::Vertical, this);
    auto* lists = new QSplitter(Qt::Horizontal, split);
    lstModules = List(lists, "lstModules", {"Serial", "Last seen", "Entries"});
    lstEntries = List(lists, "lstEntries", {"Time", "Event", "Settings changed"});
    lists->addWidget(Titled(lists, "Modules", lstModules));
    lists->addWidget(Titled(lists, "Restore points", lstEntries));
    lists->setStretchFactor(1, 2);
    txtDifferences = new QPlainTextEdit(split);
    txtDifferences->setObjectName("txtDifferences");
    NameControl(txtDifferences, "Differences from the calibration shown");
    txtDifferences->setReadOnly(true);
    txtDifferences->setTabChangesFocus(true);
    txtDifferences->setLineWrapMode(QPlainTextEdit::NoWrap);
    split->addWidget(lists);
    split->addWidget(Titled(
        split,
        QString("Differences from the calibration shown (restore point%1shown)").arg(kChangeArrow),
        txtDifferences));
    layout->addWidget(split, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    const bool compare = use == Use::Compare;
    cmdRestore = new QPushButton(compare ? "Compare" : "Restore", this);
    cmdRestore->setObjectName("cmdRestore");
    cmdRestore->setToolTip(compare ? "Compare this restore point with the calibration shown"
                                   : "Make this restore point the calibration shown");
    cmdRestore->setEnabled(false);
    row->addWidget(cmdRestore);
    cmdClose = new QPushButton("Close", this);
    cmdClose->setObjectName("cmdClose");
    row->addWidget(cmdClose);
    layout->addLayout(row);
    resize(860, 560);

    connect(lstModules, &QTreeWidget::currentItemChanged, this, [this] {
        Trapped("lstModules", "Click", [this] {
            SelectModule(lstModules->indexOfTopLevelItem(lstModules->currentItem()));
        });
    });
    connect(lstEntries, &QTreeWidget::currentItemChanged, this, [this] {
        Trapped("lstEntries", "Click", [this] {
            SelectEntry(lstEntries->indexOfTopLevelItem(lstEntries->currentItem()));
        });
    });
    connect(lstEntries, &QTreeWidget::itemDoubleClicked, this,
            [this] { Trapped("lstEntries", "DblClick", [this] { Restore(); }); });
    connect(cmdRestore, &QPushButton::clicked, this,
            [this] { Trapped("cmdRestore", "Click", [this] { Restore(); }); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    Trapped("Form", "Load", [this] {
        modules_ = store_.Modules();
        for (const ModuleHistory& m : modules_)
            new QTreeWidgetItem(lstModules, {Q(m.serial), Q(RestoreTimeText(m.lastSeen)),
                                             QString::number(m.entries.size())});
        for (int c = 0; c < 3; ++c) lstModules->resizeColumnToContents(c);
        if (!modules_.empty()) lstModules->setCurrentItem(lstModules->topLevelItem(0));
        if (modules_.empty()) txtDifferences->setPlainText("No restore points have been kept yet.");
    });
}

void FrmModuleHistory::SelectModule(int row) {
    module_ = row;
    entry_ = -1;
    lstEntries->clear();
    txtDifferences->clear();
    cmdRestore->setEnabled(false);
    if (row < 0 || row >= static_cast<int>(modules_.size())) return;
    const ModuleHistory& m = modules_[static_cast<std::size_t>(row)];
    for (const EntrySummary& s : SummariseEntries(store_, m, units_))
        new QTreeWidgetItem(
            lstEntries, {Q(RestoreTimeText(s.entry.time)), Q(s.entry.event),
                         s.changed < 0 ? QString("(file missing)") : QString::number(s.changed)});
    for (int c = 0; c < 3; ++c) lstEntries->resizeColumnToContents(c);
    // The newest entry first in view.
    if (lstEntries->topLevelItemCount() > 0)
        lstEntries->setCurrentItem(lstEntries->topLevelItem(lstEntries->topLevelItemCount() - 1));
}

void FrmModuleHistory::SelectEntry(int row) {
    entry_ = row;
    txtDifferences->clear();
    cmdRestore->setEnabled(false);
    if (module_ < 0 || row < 0) return;
    const ModuleHistory& m = modules_[static_cast<std::size_t>(module_)];
    if (row >= static_cast<int>(m.entries.size())) return;
    const CalImage image = store_.Load(m, m.entries[static_cast<std::size_t>(row)]);
    const auto lines = DescribeDifferences(image, shown_, units_);
    QString text = lines.empty()       ? QString("The restore point equals the calibration shown.")
                   : lines.size() == 1 ? QString("1 setting differs:\n")
                                       : QString("%1 settings differ:\n").arg(lines.size());
    for (const std::string& line : lines) text += Q(line) + "\n";
    txtDifferences->setPlainText(text);
    cmdRestore->setEnabled(true);
}

void FrmModuleHistory::Restore() {
    if (module_ < 0 || entry_ < 0) return;
    const ModuleHistory& m = modules_[static_cast<std::size_t>(module_)];
    if (entry_ >= static_cast<int>(m.entries.size())) return;
    chosen_ = Chosen{m.serial, store_.Load(m, m.entries[static_cast<std::size_t>(entry_)])};
    accept();
}

}  // namespace vx42
