// The "Firmware Upgrade" window.
#include "ui/dialogs/frm_firmware_upgrade.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt/keyboard_access.h"
#include "app/qt/link_thread.h"
#include "app/qt/qt_text.h"
#include "base/numbers.h"
#include "device/progress_throttle.h"
#include "files/paths.h"
#include "files/settings.h"

namespace vx42 {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel* Label(QWidget* parent, const char* name, const char* caption) {
    auto* l = new QLabel(caption, parent);
    if (name) l->setObjectName(name);
    return l;
}

}  // namespace

FrmFirmwareUpgrade::FrmFirmwareUpgrade(Context context, QWidget* parent)
    : TrappedDialog("frmFirmwareUpgrade", "Firmware Upgrade", context.prompt, context.log, parent),
      ctx_(std::move(context)) {
    Build();
    SetUpgradeButtons(true);
    connect(cmdOpenFile, &QPushButton::clicked, this,
            [this] { Trapped("cmdOpenFile", "Click", [this] { OpenFile(); }); });
    connect(cmdStartUpgrade, &QPushButton::clicked, this,
            [this] { Trapped("cmdStartUpgrade", "Click", [this] { StartUpgrade(); }); });
    connect(cmdGetInfo, &QPushButton::clicked, this,
            [this] { Trapped("cmdGetInfo", "Click", [this] { ShowDeviceInfo(); }); });
    connect(cmdRead, &QPushButton::clicked, this,
            [this] { Trapped("cmdRead", "Click", [this] { ReadAddressCommand(); }); });
    connect(cmdSend, &QPushButton::clicked, this,
            [this] { Trapped("cmdSend", "Click", [this] { SendBootloaderCommand(); }); });
    connect(cmdCreateBLU, &QPushButton::clicked, this,
            [this] { Trapped("cmdCreateBLU", "Click", [this] { CreateBluFile(); }); });
    // An upgrade leaves the module restarting and the link closed: the version shown goes.
    connect(this, &FrmFirmwareUpgrade::linkFinished, this,
            [this] { Trapped("Form", "LinkFinished", [this] { ShowDeviceInfo(); }); });
    ShowDeviceInfo();
}

void FrmFirmwareUpgrade::ShowDeviceInfo() {
    const bool online = ctx_.online && ctx_.online() && linkOnline_;
    lblFirmwareVer->setText(Q(FirmwareVersionText(online, ctx_.firmware ? ctx_.firmware() : "")));
}

void FrmFirmwareUpgrade::Build() {
    auto* layout = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    cmdOpenFile = Button(this, "cmdOpenFile", "Open File ");
    fileRow->addWidget(cmdOpenFile, 0, Qt::AlignVCenter);
    auto* fileInfo = new QGroupBox("File Info", this);
    fileInfo->setObjectName("fraFileInfo");
    auto* fileInfoLayout = new QHBoxLayout(fileInfo);
    fileInfoLayout->addWidget(Label(fileInfo, nullptr, "File Name:"));
    lblFilename = Label(fileInfo, "lblFilename", "");
    lblFilename->setMinimumWidth(lblFilename->fontMetrics().horizontalAdvance('M') * 20);
    fileInfoLayout->addWidget(lblFilename, 1);
    fileRow->addWidget(fileInfo, 1);
    layout->addLayout(fileRow);

    auto* deviceRow = new QHBoxLayout;
    auto* fraTCUInfo = new QGroupBox("Device Information", this);
    fraTCUInfo->setObjectName("fraTCUInfo");
    auto* deviceLayout = new QHBoxLayout(fraTCUInfo);
    deviceLayout->addWidget(Label(fraTCUInfo, nullptr, "Firmware Version:"));
    lblFirmwareVer = Label(fraTCUInfo, "lblFirmwareVer", "0.0.0");
    deviceLayout->addWidget(lblFirmwareVer, 1);
    cmdGetInfo = Button(fraTCUInfo, "cmdGetInfo", "Get Device Info");
    deviceLayout->addWidget(cmdGetInfo);
    deviceRow->addWidget(fraTCUInfo, 1);
    cmdStartUpgrade = Button(this, "cmdStartUpgrade", "Start Upgrade");
    cmdStartUpgrade->setMinimumHeight(cmdStartUpgrade->sizeHint().height() * 3 / 2);
    deviceRow->addWidget(cmdStartUpgrade, 0, Qt::AlignBottom);
    layout->addLayout(deviceRow);

    auto* fraStatus = new QGroupBox("Status", this);
    fraStatus->setObjectName("fraStatus");
    auto* statusLayout = new QVBoxLayout(fraStatus);
    lstStatus = new QListWidget(fraStatus);
    lstStatus->setObjectName("lstStatus");
    NameControl(lstStatus, fraStatus->title());
    lstStatus->setMinimumHeight(lstStatus->fontMetrics().height() * 6);
    statusLayout->addWidget(lstStatus);
    layout->addWidget(fraStatus, 1);

    QLabel* progressTitle = Label(this, nullptr, "File Transfer Status");
    layout->addWidget(progressTitle);
    progressOutput = new QProgressBar(this);
    progressOutput->setObjectName("progressOutput");
    NameAfterCaption(progressOutput, progressTitle);
    progressOutput->setTextVisible(false);
    progressOutput->setValue(0);
    layout->addWidget(progressOutput);
    progressCaption = Label(this, "progressCaption", "0 Bytes of 0 Bytes copied");
    layout->addWidget(progressCaption);

    // The service commands, apart from the installer's.
    auto* fraService = new QGroupBox("Service", this);
    fraService->setObjectName("fraService");
    auto* service = new QHBoxLayout(fraService);
    txtRead = new QLineEdit(fraService);
    txtRead->setObjectName("txtRead");
    QLabel* readCaption = Label(fraService, "lblReadAddress", "Address");
    NameAfterCaption(txtRead, readCaption);
    service->addWidget(readCaption);
    txtRead->setPlaceholderText("&H3B7B");
    txtRead->setMaximumWidth(txtRead->fontMetrics().horizontalAdvance('0') * 12);
    service->addWidget(txtRead);
    cmdRead = Button(fraService, "cmdRead", "Read Address");
    service->addWidget(cmdRead);
    lblValue = Label(fraService, "lblValue", "Value:");
    lblValue->setMinimumWidth(lblValue->fontMetrics().horizontalAdvance("Value: $FF $FF") + 8);
    service->addWidget(lblValue);
    service->addStretch(1);
    cmdSend = Button(fraService, "cmdSend", "Send Bootloader");
    service->addWidget(cmdSend);
    cmdCreateBLU = Button(fraService, "cmdCreateBLU", "Create BLU File");
    service->addWidget(cmdCreateBLU);
    layout->addWidget(fraService);
    setMinimumWidth(560);
}

template <typename R>
void FrmFirmwareUpgrade::OnLink(std::function<R()> op, std::function<void(R)> done) {
    ++running_;
    SetServiceButtons(false);
    // Whether the link is still open is read there, after the operation.
    auto withLink = [op = std::move(op), &link = ctx_.module] {
        R result = op();
        return std::pair<R, bool>(std::move(result), link.Online());
    };
    ctx_.link.call<std::pair<R, bool>>(
        std::move(withLink), this,
        [this, done = std::move(done)](std::pair<R, bool> ended, bool failed) {
            linkOnline_ = ended.second && !failed;
            // A failed operation's default result reads as a failure here.
            Trapped("Form", "LinkFinished", [&] { done(ended.first); });
            --running_;
            if (running_ == 0) SetServiceButtons(true);
            emit linkFinished();
        });
}

void FrmFirmwareUpgrade::SetUpgradeButtons(bool enabled) {
    // Without a file there is nothing to upgrade with.
    cmdStartUpgrade->setEnabled(enabled && !file_.fileName.empty());
    cmdGetInfo->setEnabled(enabled);
    cmdOpenFile->setEnabled(enabled);
}

void FrmFirmwareUpgrade::SetServiceButtons(bool enabled) {
    cmdRead->setEnabled(enabled);
    cmdSend->setEnabled(enabled);
    cmdCreateBLU->setEnabled(enabled);
    SetUpgradeButtons(enabled);
}

void FrmFirmwareUpgrade::AddStatus(const std::string& text) {
    lstStatus->addItem(Q(text));
    lstStatus->setCurrentRow(lstStatus->count() - 1);
    lstStatus->scrollToBottom();
}

void FrmFirmwareUpgrade::ShowProgress(int value, int maximum, const std::string& text) {
    progressOutput->setMaximum(std::max(maximum, 1));
    progressOutput->setValue(std::min(value, progressOutput->maximum()));
    progressCaption->setText(Q(text));
}

void FrmFirmwareUpgrade::OpenFile() {
    FileDialog dialog;
    dialog.title = "Open File";
    dialog.initialFolder = ctx_.settings.FirmwarePath;
    dialog.filter = kUpgradeFileFilter;
    const auto path = ctx_.prompt.OpenFile(dialog);
    if (!path) return;
    UpgradeFile chosen = file_;
    if (!LoadUpgradeFile(*path, chosen, ctx_.prompt)) return;
    file_ = std::move(chosen);
    ctx_.settings.FirmwarePath = file_.folder;
    SaveSettings(ctx_.store, ctx_.settings);
    lblFilename->setText(Q(file_.fileName));
    SetUpgradeButtons(!running());
}

void FrmFirmwareUpgrade::StartUpgrade() {
    if (running()) return;
    SetUpgradeButtons(false);
    lstStatus->clear();
    progressOutput->setValue(0);
    if (file_.fileName.empty()) {
        SetUpgradeButtons(true);
        return;
    }
    const bool reuse = ctx_.online && ctx_.online();
    ModuleLink& link = ctx_.module;
    // The callbacks run on the link's thread: they hand their values to the dialog.
    StatusLine status = [this](const std::string& text) {
        QMetaObject::invokeMethod(
            this, [this, text] { AddStatus(text); }, Qt::QueuedConnection);
    };
    Progress progress = [this](int done, int total, const std::string& text) {
        QMetaObject::invokeMethod(
            this, [this, done, total, text] { ShowProgress(done, total, text); },
            Qt::QueuedConnection);
    };
    OnLink<UpgradeOutcome>(
        [&link, reuse, file = file_, status, progress, before = ctx_.beforeSending] {
            return WithThrottledProgress(progress, [&](const Progress& throttled) {
                return vx42::StartUpgrade(link, reuse, file, status, throttled, before);
            });
        },
        [this](UpgradeOutcome outcome) {
            outcome_ = outcome;
            reachedModule_ = reachedModule_ || UpgradeReachedModule(outcome);
        });
}

void FrmFirmwareUpgrade::ReadAddressCommand() {
    if (running()) return;
    const std::string typed = txtRead->text().toStdString();
    if (!AcceptTypedNumber(ctx_.prompt, typed)) return;
    ModuleLink& link = ctx_.module;
    OnLink<std::optional<std::string>>([&link, text = typed] { return ReadAddress(link, text); },
                                       [this](std::optional<std::string> value) {
                                           if (value) lblValue->setText(Q(*value));
                                       });
}

void FrmFirmwareUpgrade::SendBootloaderCommand() {
    if (running()) return;
    ModuleLink& link = ctx_.module;
    OnLink<bool>([&link] { return SendBootloader(link); }, [](bool) {});
}

void FrmFirmwareUpgrade::CreateBluFile() {
    if (running()) return;
    // The parse lets the window repaint; meanwhile the dialog counts as busy.
    ++running_;
    SetServiceButtons(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CreateBootImageFile(JoinPath(ctx_.dataFolder, kSRecordSourceName),
                        JoinPath(ctx_.dataFolder, kBootUpgradeName), ctx_.prompt,
                        [] { QCoreApplication::processEvents(); });
    QApplication::restoreOverrideCursor();
    --running_;
    SetServiceButtons(true);
}

void FrmFirmwareUpgrade::closeEvent(QCloseEvent* event) {
    if (running()) {
        event->ignore();
        return;
    }
    TrappedDialog::closeEvent(event);
}

void FrmFirmwareUpgrade::reject() {
    if (!running()) TrappedDialog::reject();
}

}  // namespace vx42
