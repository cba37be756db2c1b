// The main window's module commands: Connect, Retrieve, Update, the progress of a transfer,
// the write of a whole calibration, and live calibration's writes.

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>

#include "app/qt/qt_text.h"
#include "calibration/number_format.h"
#include "can/message_selection.h"
#include "device/progress_throttle.h"
#include "files/paths.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_page.h"

namespace vx42 {

namespace {

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

void FrmMain::PostLiveWrite(int address, std::uint8_t value) {
    link_->call<bool>([this, address, value] { return module_.WriteLiveByte(address, value); },
                      this,
                      [this](bool written, bool failed) {
                          if (!written || failed) LiveWriteFailed(failed);
                      });
}

void FrmMain::LiveWriteFailed(bool reported) {
    // The module stopped answering (the cable pulled, the module without power): the gauge is
    // no longer driven from here, so live calibration ends on the first write that failed.
    // Writes queued behind it fail the same way once it has stopped, and say nothing more.
    if (!outputPage || !outputPage->LiveCalibrationRunning()) return;
    outputPage->StopLiveCalibration();
    if (reported) return;  // the error's own message said it
    app_.prompt.Message(
        "The module did not answer a live calibration write: live calibration has stopped "
        "and nothing was stored. Check the cable, connect again and start the calibration "
        "anew.",
        "Live Calibration Stopped", Icon::Exclamation);
}

void FrmMain::StageEdits() {
    if (sink_) sink_->Stage();
}

void FrmMain::SettleLink() {
    StageEdits();
    if (!session_->online()) return;
    link_->post([this] { module_.SettleLink(); });
    link_->settle();
}

bool FrmMain::BeginTransfer(Transfer transfer, bool sayWhy) {
    StageEdits();  // what was confirmed before goes first
    if (!session_->Begin(transfer)) {
        if (sayWhy)
            app_.prompt.Message(session_->BusyText(transfer), "Please Wait", Icon::Information);
        return false;
    }
    // A transfer takes the link: a gauge driven live is released first.
    if (outputPage) outputPage->StopLiveCalibration();
    ShowStatus();
    return true;
}

bool FrmMain::MayRun(SessionCommand command) {
    const std::string refused = session_->Refusal(command);
    if (refused.empty()) return true;
    app_.prompt.Message(refused, "Please Wait", Icon::Information);
    return false;
}

void FrmMain::FinishCommand() {
    session_->End();
    ShowStatus();
    emit commandFinished();
}

void FrmMain::FollowConnection(const ModuleIdentity& identity) {
    if (identity.online)
        session_->Connected(identity.connection, identity.serial, identity.firmware);
    else
        session_->Disconnected();
    SetOnlineStatus();
}

void FrmMain::FollowLink(std::function<void()> then) {
    link_->call<ModuleIdentity>([this] { return IdentityOf(module_); }, this,
                                [this, then = std::move(then)](ModuleIdentity identity, bool) {
                                    Trapped("frmMain", "LinkFinished",
                                            [this, &identity] { FollowConnection(identity); });
                                    if (then) then();
                                });
}

void FrmMain::ChangeNotWritten(bool sent) {
    // A failed apply step was reported by the link ("Error Writing Calibration Change").
    if (!sent)
        app_.prompt.Message(
            "A change was not written to the module: the connection it was made for has ended. "
            "The calibration shown keeps it; Update writes it to the module.",
            "Change Not Written", Icon::Exclamation);
    ShowStatus();
}

std::uint64_t FrmMain::StampForEdit(int address, std::size_t count) {
    const EditStamp edit = session_->StampEdit(app_.prompt, address, count);
    // What the command's edits become once it has ended (or the next command begins).
    if (edit.asked)
        QMetaObject::invokeMethod(
            this, [this] { Trapped("frmMain", "ChangeDropped", [this] { EndEdits(); }); },
            Qt::QueuedConnection);
    return edit.stamp;
}

void FrmMain::EndEdits() {
    const EditRoute route = session_->EndEditCommand(app_.files.CalibrationChanged);
    if (route == EditRoute::WriteWhole) UpdateCommand();
    if (route != EditRoute::Drop) return;
    outputPage->PutHistoryBack();
    outputPage->Reload();
    UpdateTitle();
}

void FrmMain::ConnectCommand() {
    FinishEditing();
    const Transfer transfer = session_->ConnectTransfer();
    if (!BeginTransfer(transfer)) return;
    if (transfer == Transfer::Disconnect) {
        Disconnect();
        return;
    }
    const ErrorLocation where = HandlerRunningOr("menuConnect");
    link_->call<ModuleIdentity>(
        [this] {
            if (module_.ConnectIfOffline()) module_.SettleLink();
            return IdentityOf(module_);
        },
        this,
        [this, where](ModuleIdentity identity, bool failed) {
            if (!failed) return ConnectEnded(identity, where);
            // What the link reached before the error, read there: nothing is known of the
            // module, so its calibration is retrieved.
            link_->call<ModuleIdentity>([this] { return IdentityOf(module_); }, this,
                                        [this, where](ModuleIdentity reached, bool) {
                                            session_->ForgetModule();
                                            ConnectEnded(reached, where);
                                        });
        });
}

void FrmMain::Disconnect() {
    link_->call<ModuleIdentity>(
        [this] {
            module_.Disconnect();
            return IdentityOf(module_);
        },
        this,
        [this](ModuleIdentity identity, bool failed) {
            if (!failed) {
                Trapped("menuConnect", "Click", [this, &identity] { FollowConnection(identity); });
                FinishCommand();
                return;
            }
            FollowLink([this] { FinishCommand(); });
        });
}

void FrmMain::ConnectEnded(const ModuleIdentity& identity, const ErrorLocation& where) {
    bool retrieveStarted = false;
    RunTrapped(where, app_.prompt, app_.log, [this, &identity, &retrieveStarted] {
        FollowConnection(identity);
        if (!session_->online()) return;
        if (identity.writtenElsewhere) session_->WrittenElsewhere();
        lblFirmwareVer->setText(Q("Firmware Version: " + session_->firmware()));
        ShowStatus();
        if (session_->AfterConnect(app_.fileContext()).kind != NextStep::Kind::Retrieve) return;
        StartRetrieve();
        retrieveStarted = true;
    });
    if (retrieveStarted) return;  // the retrieve ends the command
    RefreshSelectedTab();
    FinishCommand();
}

void FrmMain::RetrieveCommand() {
    FinishEditing();
    if (!MayRun(SessionCommand::Retrieve)) return;
    SettleLink();
    if (!session_->BeforeRetrieve(app_.fileContext())) return;
    if (!BeginTransfer(Transfer::Retrieve)) return;
    StartRetrieve();
}

// Hides the tabs, retrieves into a scratch image and, when every block arrived, replaces the
// calibration (the session then knows the module as retrieved). Ends the running transfer.
void FrmMain::StartRetrieve() {
    TabStrip->setVisible(false);
    fraConnectStat->setVisible(false);
    for (const char* name : {"fraPresets", "fraMessages"})
        if (auto* w = findChild<QWidget*>(name)) w->setVisible(false);
    SetCompactLayout();
    ShowProgress(0, kCalImageLast - 1, BytesCopiedText(0, kCalImageSize));
    // Its end is reported under the command that started it (Retrieve, or Connect).
    const ErrorLocation where = HandlerRunningOr("menuComRetrieveCal");
    link_->call<std::optional<CalImage>>(
        [this] {
            return WithThrottledProgress(ProgressToWindow(), [this](const Progress& progress) {
                return module_.RetrieveCalibration(progress);
            });
        },
        this,
        [this, where](std::optional<CalImage> image, bool) {
            bool blank = false;
            RunTrapped(where, app_.prompt, app_.log, [this, &image, &blank] {
                if (image) {
                    ShowKeepProblem(session_->Retrieved(*image));
                    ShowProgress(kCalImageLast - 1, kCalImageLast - 1,
                                 BytesCopiedText(kCalImageSize, kCalImageSize));
                    blank = session_->ModuleBlank();
                }
                if (image && !blank) {
                    setWindowTitle(Q(app_.files.Title));
                    CheckUndefinedMessages(app_.libraries, app_.image, app_.prompt);
                    emit imageReplaced();
                }
                // A failed retrieve, or a blank module, leaves the calibration as it was: show it
                // again if there is one.
                if (app_.files.HasCalibration()) SetFullLayout();
                RefreshSelectedTab();
            });
            FinishCommand();
            if (blank)
                RunTrapped(where, app_.prompt, app_.log, [this] { OfferCalibrationForBlank(); });
            RunTrapped(where, app_.prompt, app_.log, [this] { CheckAfterUpgrade(); });
        });
}

void FrmMain::OfferCalibrationForBlank() {
    const Answer answer = app_.prompt.YesNoCancel(
        "The module holds no calibration: its memory is blank.\n\n"
        "Yes: open a calibration file and write it to the module.\n"
        "No: write the demonstration calibration to the module.\n"
        "Cancel: leave the module blank.",
        "Blank Module", Icon::Question);
    if (answer == Answer::Yes)
        OpenFileCommand({}, true);
    else if (answer == Answer::No)
        OpenFileCommand(JoinPath(app_.folders.shared, "Demo.DVF"), true);
}

void FrmMain::UpdateCommand() {
    WriteWhole(restore_event::Update);
}

void FrmMain::RunNext(const NextStep& next) {
    if (next.kind == NextStep::Kind::WriteWhole) WriteWhole(next.event);
}

void FrmMain::WriteWhole(const std::string& event) {
    if (!session_->ConfirmWholeWrite(app_.prompt, &app_.libraries, app_.settings.Units)) return;
    if (!BeginTransfer(Transfer::Write)) return;
    const CalImage image = app_.image;
    // Reported under the command that writes (Update, Open, a restore).
    const ErrorLocation where = HandlerRunningOr("cmdUpdate");
    link_->call<bool>(
        [this, image] {
            return WithThrottledProgress(ProgressToWindow(), [&](const Progress& progress) {
                return module_.WriteWholeCalibration(image, progress);
            });
        },
        this,
        [this, image, event, where](bool written, bool failed) {
            RunTrapped(where, app_.prompt, app_.log, [this, &image, &event, written, failed] {
                ShowKeepProblem(session_->WholeWriteEnded(written && !failed, image, event));
            });
            FinishCommand();
        });
}

}  // namespace vx42
