// The About box.
#include "ui/dialogs/frm_about.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/qt/keyboard_access.h"
#include "base/error_log.h"

namespace vx42 {

bool FrmAbout::focusNextPrevChild(bool next) {
    return FocusInReadingOrder(this, next);
}

bool FrmAbout::eventFilter(QObject* watched, QEvent* event) {
    // The web address's one link takes the focus with it (Enter opens it); Tab and Shift+Tab
    // then go on, rather than round the label's links.
    if (watched == lblWebSite && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            return FocusInReadingOrder(this, key == Qt::Key_Tab);
    }
    return QDialog::eventFilter(watched, event);
}

FrmAbout::FrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("About VX42");
    if (parent) setWindowIcon(parent->windowIcon());
    auto* layout = new QVBoxLayout(this);
    lblTitle = new QLabel(QString(kMakerName) + " VX42", this);
    lblTitle->setObjectName("lblTitle");
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    layout->addWidget(lblTitle);
    lblVersion = new QLabel(QString::fromStdString("Version " + ProgramVersion()), this);
    lblVersion->setObjectName("lblVersion");
    layout->addWidget(lblVersion);
    auto* description = new QLabel(
        "Configuration tool for the VX42 CAN interface module: relay, gauge and "
        "speedometer outputs driven by CAN-bus data.",
        this);
    description->setWordWrap(true);
    layout->addWidget(description);
    lblWebSite = new QLabel(QString("<a href=\"%1\">%1</a>").arg(kMakerWebAddress), this);
    lblWebSite->setObjectName("lblWebSite");
    lblWebSite->setTextInteractionFlags(Qt::TextBrowserInteraction);
    lblWebSite->installEventFilter(this);
    connect(lblWebSite, &QLabel::linkActivated, this,
            [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
    layout->addWidget(lblWebSite);
    auto* disclaimer = new QLabel(
        "Check every output on the vehicle after programming a module. The installer is "
        "responsible for the settings written to it.",
        this);
    disclaimer->setWordWrap(true);
    disclaimer->setStyleSheet("color: palette(mid);");
    layout->addWidget(disclaimer);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(cmdOK);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

}  // namespace vx42
