// The main window's "CAN Status" tab: the indicators, "Check CAN Status" and the watch that
// repeats the reads while the tab is shown.

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/main_window/can_status_frame.h"
#include "ui/main_window/frm_main.h"

namespace vx42 {

void FrmMain::BuildCanStatus() {
    // The indicators below the connection frame.
    canStatus_ = new CanStatusFrame(canStatusPage);
    BindCommand(canStatus_->cmdCheckCANStats, SessionCommand::CanStatus);
    static_cast<QVBoxLayout*>(canStatusPage->layout())->insertWidget(1, canStatus_);
    canStatus_->ShowMessages(app_.image);
    // Opening a file hides the frames of the old calibration; the new one shows it again.
    connect(this, &FrmMain::imageReplaced, canStatus_, [this] {
        canStatus_->setVisible(true);
        canStatus_->ShowMessages(app_.image);
    });
    connect(canStatus_->cmdCheckCANStats, &QPushButton::clicked, this, [this] {
        Trapped("cmdCheckCANStats", "Click", [this] {
            if (!module_.DeviceLink() || !MayRun(SessionCommand::CanStatus)) return;
            SettleLink();
            ReadCanStatus("cmdCheckCANStats");
        });
    });

    canWatchTimer_ = new QTimer(this);
    canWatchTimer_->setInterval(kCanWatchIntervalMs);
    connect(canWatchTimer_, &QTimer::timeout, this, [this] {
        Trapped("chkWatchCAN", "Timer", [this] {
            if (canWatch_.RoundDue(CanWatchNow()))
                ReadCanStatus("chkWatchCAN");
            else
                FollowCanWatch();
        });
    });
    connect(canStatus_->chkWatchCAN, &QCheckBox::clicked, this, [this] {
        Trapped("chkWatchCAN", "Click", [this] {
            canWatch_.Toggle(CanWatchNow());
            FollowCanWatch();
            // The first round at once, then about once a second.
            if (canWatch_.RoundDue(CanWatchNow())) ReadCanStatus("chkWatchCAN");
        });
    });
    // Offline, a transfer, or another tab: the watch stops by itself.
    connect(this, &FrmMain::stateShown, this, [this] { FollowCanWatch(); });
    connect(pages, &QStackedWidget::currentChanged, this, [this] {
        if (pages->currentWidget() == canStatusPage) canStatus_->ShowMessages(app_.image);
        FollowCanWatch();
    });
}

CanWatchConditions FrmMain::CanWatchNow() const {
    return {session_->online() && module_.DeviceLink() != nullptr,
            pages->currentWidget() == canStatusPage && isVisible(), session_->transfer()};
}

void FrmMain::FollowCanWatch() {
    const CanWatchConditions now = CanWatchNow();
    canWatch_.Follow(now);
    // Its own rounds leave the toggle in use: it does not flicker once a second.
    canStatus_->chkWatchCAN->setEnabled(CanStatusWatch::Usable(now));
    canStatus_->chkWatchCAN->setChecked(canWatch_.On());
    if (canWatch_.On() && !canWatchTimer_->isActive()) canWatchTimer_->start();
    if (!canWatch_.On()) canWatchTimer_->stop();
}

void FrmMain::ReadCanStatus(const char* command) {
    ModuleLink* device = module_.DeviceLink();
    // A round of the watch runs without the hourglass (the window stays in use), and one that
    // cannot begin now waits for the next round without a word.
    const bool watching = canWatch_.On();
    if (!device || !BeginTransfer(Transfer::CanStatus, !watching)) return;
    if (!watching) QApplication::setOverrideCursor(Qt::WaitCursor);
    link_->call<std::array<SlotStatus, kMessageSlots>>(
        [device, image = app_.image] { return CanSlotStatus(*device, image); }, this,
        [this, command, watching](std::array<SlotStatus, kMessageSlots> shown, bool failed) {
            if (!watching) QApplication::restoreOverrideCursor();
            // A read that failed leaves the indicators as they were; a watch stops at it
            // rather than repeat the message every second.
            if (failed)
                Trapped(command, "Click", [this] {
                    if (canWatch_.On()) canWatch_.Toggle(CanWatchNow());
                    app_.prompt.Message(
                        "The CAN status could not be read from the module: the indicators "
                        "show the last status read.",
                        "CAN Status", Icon::Exclamation);
                });
            else
                canStatus_->Show(shown, RestoreTimeText(NowSeconds()));
            FinishCommand();
        });
}

}  // namespace vx42
