// The main window's module commands: Connect, Retrieve, Update, the progress of a transfer
// and the write of a whole calibration.

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>

#include "calibration/number_format.h"
#include "can/message_selection.h"
#include "device/progress_throttle.h"
#include "ui/frm_main.h"
#include "ui/output_page.h"

namespace vx42 {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr const char* kSaveChangesText =
    "The file has been changed and not saved. Would you like to save now?";
constexpr const char* kSaveChangesTitle = "Save Changes?";

// "count Bytes of total Bytes copied." with both numbers grouped ("" for zero).
std::string BytesCopiedText(int count, int total) {
    return FormatNumber(count, Pattern::Grouped) + " Bytes of " +
           FormatNumber(total, Pattern::Grouped) + " Bytes copied.";
}

}  // namespace

TransferProgress FrmMain::ProgressToWindow() {
    return [this](int value, int maximum, const std::string& text) {
        QMetaObject::invokeMethod(
            this, [this, value, maximum, text] { ShowProgress(value, maximum, text); },
            Qt::QueuedConnection);
    };
}

void FrmMain::ShowProgress(int value, int maximum, const std::string& text) {
    ProgressBar->setMaximum(maximum);
    ProgressBar->setValue(value);
    lblInfo->setText(Q(text));
}

void FrmMain::SetTransferCommands(bool enabled) {
    for (QAction* command : {menuConnect, menuComRetrieveCal, menuComSetCAN, menuComFirmUpgrade,
                             menuFileOpen, menuFileCompare, menuFileCompareRestore})
        if (command) command->setEnabled(enabled);
    cmdUpdate->setEnabled(enabled);
}

void FrmMain::BeginTransfer() {
    if (busy_++ == 0) SetTransferCommands(false);
}

void FrmMain::FinishCommand() {
    if (--busy_ == 0) SetTransferCommands(true);
    emit commandFinished();
}

void FrmMain::ConnectCommand() {
    FinishEditing();
    BeginTransfer();
    if (online_) {
        link_->call<bool>([this] {
            module_.Disconnect();
            return module_.Online();
        }, this, [this](bool online) {
            Trapped("menuConnect", "Click", [this, online] {
                online_ = online;
                SetOnlineStatus();
            });
            FinishCommand();
        });
        return;
    }
    struct Identity {
        bool online = false;
        bool newModule = false;
        std::string serial;
        std::string firmware;
    };
    link_->call<Identity>([this] {
        Identity id;
        id.online = module_.ConnectIfOffline();
        if (id.online) {
            module_.SettleLink();
            id.newModule = module_.IsNewModule();
            id.serial = module_.DeviceSerial();
            id.firmware = module_.FirmwareVersion();
        }
        return id;
    }, this, [this](Identity id) {
        bool retrieveStarted = false;
        Trapped("menuConnect", "Click", [this, &id, &retrieveStarted] {
            online_ = id.online;
            SetOnlineStatus();
            if (!online_) return;
            lblFirmwareVer->setText(Q("Firmware Version: " + id.firmware));
            moduleSerial_ = id.serial;
            moduleFirmware_ = id.firmware;
            ShowStatus();
            // The module whose calibration was last retrieved whole keeps the program's copy.
            if (!id.newModule) return;
            if (app_.files.CalibrationChanged && !app_.files.AutoRetrieved) {
                // The module's calibration is about to replace edits nobody saved.
                if (app_.prompt.YesNo(kSaveChangesText, kSaveChangesTitle) == Answer::Yes)
                    SaveCalibrationFile(app_.fileContext(), app_.image, true);
            } else if (app_.files.HasCalibration() &&
                       app_.prompt.YesNo("Different VX42 module detected. would you like to save "
                                         "the current file before retrieving data from the new "
                                         "Dialvane") == Answer::Yes) {
                // Whatever calibration is shown did not come from this module.
                SaveCalibrationFile(app_.fileContext(), app_.image, true);
            }
            StartRetrieve();
            retrieveStarted = true;
        });
        if (retrieveStarted) return;  // the retrieve ends the command
        RefreshSelectedTab();
        FinishCommand();
    });
}

void FrmMain::RetrieveCommand() {
    if (!online_) return;
    FinishEditing();
    SettleLink();
    if (app_.files.CalibrationChanged &&
        app_.prompt.YesNo(kSaveChangesText, kSaveChangesTitle) == Answer::Yes)
        SaveCalibrationFile(app_.fileContext(), app_.image, true);
    BeginTransfer();
    StartRetrieve();
}

// Hides the tabs, retrieves into a scratch image and, when every block arrived, replaces the
// calibration (the link then records the module as retrieved). Ends the running transfer.
void FrmMain::StartRetrieve() {
    TabStrip->setVisible(false);
    fraConnectStat->setVisible(false);
    for (const char* name : {"fraPresets", "fraMessages"})
        if (auto* w = findChild<QWidget*>(name)) w->setVisible(false);
    SetCompactLayout();
    ShowProgress(0, kCalImageLast - 1, BytesCopiedText(0, kCalImageSize));
    link_->call<std::optional<CalImage>>(
        [this] {
            return WithThrottledProgress(ProgressToWindow(), [this](const Progress& progress) {
                return module_.RetrieveCalibration(progress);
            });
        },
        this,
        [this](std::optional<CalImage> image) {
            Trapped("menuComRetrieveCal", "Click", [this, &image] {
                if (image) {
                    app_.image = *image;
                    KeepRestorePoint(moduleSerial_, app_.image, restore_event::Retrieve);
                    ShowProgress(kCalImageLast - 1, kCalImageLast - 1,
                                 BytesCopiedText(kCalImageSize, kCalImageSize));
                    app_.files.MarkAutoRetrieved();
                    setWindowTitle(Q(app_.files.Title));
                    CheckUndefinedMessages(app_.libraries, app_.image, app_.prompt);
                    emit imageReplaced();
                    menuComSetCAN->setVisible(true);
                }
                // A failed retrieve leaves the calibration as it was: show it again if there is one.
                if (app_.files.HasCalibration()) SetFullLayout();
                RefreshSelectedTab();
            });
            FinishCommand();
        });
}

void FrmMain::UpdateCommand() {
    if (!online_) {
        app_.prompt.Message("You must be connected to write the calibration");
        return;
    }
    WriteWhole(restore_event::Update);
}

void FrmMain::WriteWhole(const std::string& event) {
    if (!ConfirmCheckBeforeWrite()) return;
    BeginTransfer();
    const CalImage image = app_.image;
    struct Written {
        bool ok = false;
        std::string serial;
    };
    link_->call<Written>(
        [this, image] {
            const bool ok =
                WithThrottledProgress(ProgressToWindow(), [&](const Progress& progress) {
                    return module_.WriteWholeCalibration(image, progress);
                });
            return Written{ok, module_.DeviceSerial()};
        },
        this, [this, image, event](Written written) {
            Trapped("cmdUpdate", "Click", [this, &image, &event, &written] {
                if (written.ok) KeepRestorePoint(written.serial, image, event);
            });
            FinishCommand();
        });
}

}  // namespace vx42
