// The "Check Calibration" window.
#include "ui/dialogs/frm_calibration_check.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/qt/keyboard_access.h"
#include "app/qt/qt_text.h"

namespace vx42 {

namespace {

std::string Counted(std::size_t n, const char* one) {
    return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
}

}  // namespace

std::string FindingCountText(const std::vector<Finding>& findings) {
    std::size_t errors = 0;
    for (const Finding& f : findings) errors += f.severity == Severity::Error;
    const std::size_t warnings = findings.size() - errors;
    if (findings.empty()) return "No errors or warnings";
    return Counted(errors, "error") + ", " + Counted(warnings, "warning");
}

FrmCalibrationCheck::FrmCalibrationCheck(RunCheck run, ShowFinding show, Prompt& prompt,
                                         const ErrorLog& log, QWidget* parent)
    : TrappedDialog("frmCalibrationCheck", "Check Calibration", prompt, log, parent),
      run_(std::move(run)),
      show_(std::move(show)) {
    auto* layout = new QVBoxLayout(this);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName("lblSummary");
    layout->addWidget(lblSummary);
    lstFindings = new QTreeWidget(this);
    lstFindings->setObjectName("lstFindings");
    NameControl(lstFindings, "Findings");
    lstFindings->setHeaderLabels({"Severity", "Output", "Setting", "Finding"});
    lstFindings->setRootIsDecorated(false);
    lstFindings->setWordWrap(true);
    lstFindings->setUniformRowHeights(false);
    lstFindings->header()->setStretchLastSection(true);
    lstFindings->setToolTip("Double-click a finding to show its setting");
    layout->addWidget(lstFindings, 1);
    lblFinding = new QLabel(this);
    lblFinding->setObjectName("lblFinding");
    lblFinding->setWordWrap(true);
    lblFinding->setMinimumHeight(lblFinding->fontMetrics().height() * 3);
    lblFinding->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblFinding->hide();  // shown with a finding only: no empty band under the list
    layout->addWidget(lblFinding);
    connect(lstFindings, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        const int row = item ? lstFindings->indexOfTopLevelItem(item) : -1;
        lblFinding->setText(row < 0 ? QString()
                                    : Q(FindingLine(findings_[static_cast<std::size_t>(row)])));
        lblFinding->setVisible(row >= 0);
    });
    // A double-click or Enter on a finding shows its setting.
    connect(lstFindings, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        Trapped("lstFindings", "DblClick",
                [this, item] { ShowRow(lstFindings->indexOfTopLevelItem(item)); });
    });

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    cmdCheckAgain = new QPushButton("Check Again", this);
    cmdCheckAgain->setObjectName("cmdCheckAgain");
    connect(cmdCheckAgain, &QPushButton::clicked, this,
            [this] { Trapped("cmdCheckAgain", "Click", [this] { Refresh(); }); });
    row->addWidget(cmdCheckAgain);
    cmdClose = new QPushButton("Close", this);
    cmdClose->setObjectName("cmdClose");
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    row->addWidget(cmdClose);
    layout->addLayout(row);
    resize(820, 360);
}

void FrmCalibrationCheck::Refresh() {
    findings_ = run_();
    lblFinding->clear();
    lblFinding->hide();
    lstFindings->clear();
    for (const Finding& f : findings_) {
        // The message begins with the output's title: the columns show it apart.
        const auto colon = f.message.find(": ");
        const std::string text =
            colon == std::string::npos ? f.message : f.message.substr(colon + 2);
        auto* item = new QTreeWidgetItem(
            lstFindings, {f.severity == Severity::Error ? "Error" : "Warning",
                          QString("Output %1").arg(f.output + 1), Q(f.setting), Q(text)});
        item->setToolTip(3, Q(f.message));
        item->setForeground(
            0, f.severity == Severity::Error ? QColor(0xC0, 0, 0) : QColor(0x90, 0x60, 0));
    }
    for (int c = 0; c < 3; ++c) lstFindings->resizeColumnToContents(c);
    lblSummary->setText(Q(FindingCountText(findings_)));
    if (!findings_.empty()) lstFindings->setCurrentItem(lstFindings->topLevelItem(0));
}

void FrmCalibrationCheck::ShowRow(int row) {
    if (row < 0 || row >= static_cast<int>(findings_.size())) return;
    // The list gives way to the setting it points at: it would stay on top of it otherwise.
    // Check Calibration brings it back, checked again.
    close();
    show_(findings_[static_cast<std::size_t>(row)]);
}

}  // namespace vx42
