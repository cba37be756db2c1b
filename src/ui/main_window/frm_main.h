#pragma once
// The main window: menus, the output tabs, the connection and retrieve frames, the title,
// the file commands and the module commands. Handlers are thin: they gather input, call one
// operation below, and show the result; every handler runs inside the error trap.

#include <QLabel>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "app/app_context.h"
#include "app/qt/link_thread.h"
#include "app/qt/queued_change_sink.h"
#include "base/error_log.h"
#include "calibration/edit_target.h"
#include "files/restore_points.h"
#include "firmware/upgrade.h"
#include "review/calibration_check.h"
#include "review/calibration_diff.h"
#include "session/calibration_session.h"
#include "session/can_status_watch.h"
#include "session/module_service.h"

class QAction;
class QGroupBox;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTimer;
class QTabBar;

namespace vx42 {

class OutputPage;
class FrmCalibrationCheck;
class CanStatusFrame;

// A label that acts as a button (lblOnline).
class ClickLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The session command a menu entry, button or page stands for: the window gives it the state
// the session's rule gives that command.
inline constexpr const char* kSessionCommandProperty = "sessionCommand";
inline void BindCommand(QObject* control, SessionCommand command) {
    control->setProperty(kSessionCommandProperty, static_cast<int>(command));
}

class FrmMain : public QMainWindow {
    Q_OBJECT
  public:
    // The window does not own the context or the module; the module is used only on the
    // link's thread.
    FrmMain(AppContext& app, ModuleService& module, QWidget* parent = nullptr);
    ~FrmMain() override;

    AppContext& app() { return app_; }
    LinkThread& link() { return *link_; }
    bool online() const { return session_->online(); }
    int selectedOutput() const { return selectedOutput_; }
    ModuleService& module() { return module_; }

    // What an edit works on: the image, the changed flag and the module (nothing is sent
    // offline). Call UpdateTitle after the change.
    EditTarget edit() { return {app_.image, app_.files.CalibrationChanged, *sink_}; }
    // A live-calibration byte, written on the link's thread after everything posted before.
    void PostLiveWrite(int address, std::uint8_t value);
    // A live write the module did not take (`reported`: its error was shown already).
    void LiveWriteFailed(bool reported);

    // Runs a handler body inside the error trap with the handler's names.
    bool Trapped(const char* object, const char* procedure, const std::function<void()>& body);
    // The handler running now (the one whose command a transfer's end belongs to), or this
    // window's `object` "Click" when none runs.
    static ErrorLocation HandlerRunningOr(const char* object);

    // The commands, as the menus run them (public for tests and the screenshot script).
    // Connect, Retrieve, Update and the transfers' progress are in frm_main_module.cpp.
    void ConnectCommand();
    void RetrieveCommand();
    void UpdateCommand();
    void OpenCommand();
    // Open for a file already chosen (the program's command line): as OpenCommand once its
    // dialog has chosen `path` (the dialog when `path` is empty). `programChosen`: the user
    // already chose to write what is opened to the module, which is then not asked again.
    void OpenFileCommand(const std::string& path, bool programChosen = false);
    void SaveCommand(bool saveAs);
    void SettleLink();
    void SetOnlineStatus();
    void SetCompactLayout();
    void SetFullLayout();
    void UpdateTitle();
    void RefreshSelectedTab();
    // The status bar from the connection, the module, the file state and the image.
    void ShowStatus();
    // A passing note in the status bar, such as what a value brought to its limit stored.
    void ShowNote(const std::string& text);
    // The window's load ran to its end (an error in it leaves the window unusable).
    bool loaded() const { return loaded_; }
    // Restore points and the calibration check (frm_main_history.cpp).
    void CheckCommand();
    void HistoryCommand();
    // Shows the output tab of a finding and puts the focus on its control.
    void ShowFinding(const Finding& finding);
    RestoreKeeper& keeper() { return session_->keeper(); }
    // The session with the module: the calibration shown, what the module holds, the transfer.
    CalibrationSession& session() { return *session_; }
    // File > Compare With File and Compare With Restore Point (frm_main_compare.cpp): the
    // differences from the calibration shown, and the copy of the settings checked there.
    void CompareCommand(bool restorePoint);
    // File > Print... and Export Job Sheet... (frm_main_job_sheet.cpp): the job sheet of the
    // calibration shown on the printer chosen, or as a PDF file.
    void PrintCommand();
    void ExportJobSheetCommand();

    // A pending cell edit is committed to its own output before a command runs; before the
    // output, the calibration or the link changes, a live gauge calibration also stops.
    void CommitPendingEdit();
    void FinishEditing();

    // A transfer is running on the link (connect and its retrieve, retrieve, update, the CAN
    // status read, an upgrade): the commands take their state from the session's rule.
    bool busy() const { return session_->transfer() != Transfer::None; }
    // Confirmed edits wait to be staged (they are, once the command that made them has ended).
    bool editsHeld() const { return sink_ && sink_->Held(); }
    // Every command bound to a session command takes the state the session's rule gives it.
    void ApplyCommandState();

  signals:
    // The image was replaced whole (retrieve or open): the tabs must show it again.
    void imageReplaced();
    // A long command finished (for tests and the screenshot script).
    void commandFinished();
    // The status bar shows the state anew: online, a transfer begun or ended.
    void stateShown();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab and Shift+Tab go through the controls shown in reading order.
    bool focusNextPrevChild(bool next) override;

  private:
    void BuildMenus();
    void BuildFrames();
    void BuildStatusBar();
    ClickLabel* NewConnectionLabel(const char* name, const QString& caption, QWidget* parent);
    // The commands of the dialogs (Units, CAN Message Setup, Update Library, Set CAN Speed,
    // Firmware Upgrade) and the CAN status frame (frm_main_dialogs.cpp).
    void BuildDialogCommands();
    // The "CAN Status" tab: its frame, "Check CAN Status" and the watch
    // (frm_main_can_status.cpp).
    void BuildCanStatus();
    // One round of status reads on the link; `command` names the control it runs for.
    void ReadCanStatus(const char* command);
    // The conditions of the watch now; a watch that may not go on is switched off.
    CanWatchConditions CanWatchNow() const;
    void FollowCanWatch();
    // Edit > Check Calibration and File > Module History.
    void BuildHistoryCommands();
    void BuildCompareCommands();
    void BuildJobSheetCommands();
    void ShowComparison(const CalImage& other, const std::string& otherName);
    // Copies the settings chosen in Compare from `other` into the calibration shown.
    void CopyCompared(const CalImage& other, const std::string& otherName,
                      const std::vector<ComparedSetting>& chosen);
    // What the session says runs next (a whole write).
    void RunNext(const NextStep& next);
    // The whole write of the calibration shown, kept as a restore point under `event`.
    void WriteWhole(const std::string& event);
    // What went wrong keeping a restore point, shown; nothing for nothing.
    void ShowKeepProblem(const Result<void>& kept);
    // What the firmware upgrade runs before it sends anything: the restore point.
    BeforeSending BeforeUpgrade();
    // After the retrieve that follows an upgrade which changed the module's calibration: the
    // differences in Compare, and the offer to write the calibration from before back.
    void CheckAfterUpgrade();
    void StartRetrieve();
    // After a retrieve found the module blank: Open, the demonstration calibration, or nothing.
    void OfferCalibrationForBlank();
    void ShowProgress(int value, int maximum, const std::string& text);
    // A transfer begins; false (and nothing starts, the user told why unless not `sayWhy`)
    // while another runs.
    bool BeginTransfer(Transfer transfer, bool sayWhy = true);
    // Whether the session lets `command` run now; the user is told why not.
    bool MayRun(SessionCommand command);
    // The edits of the command that ended: the whole write chosen for them runs now (before
    // any other transfer), or the page shows the calibration without the dropped ones.
    void EndEdits();
    // The transfer ended, however it ended.
    void FinishCommand();
    // The connection as the link reports it: the session and the displays follow.
    void FollowConnection(const ModuleIdentity& identity);
    // The same, the identity read on the link's thread first; `then` runs once it is followed.
    void FollowLink(std::function<void()> then = {});
    void Disconnect();
    void ConnectEnded(const ModuleIdentity& identity, const ErrorLocation& where);
    // A confirmed edit that did not reach the module it was made for.
    void ChangeNotWritten(bool sent);
    // The connection a confirmed edit is sent over (0: not sent), as the session stamps it;
    // once the command has ended, what the session's question made of its edits.
    std::uint64_t StampForEdit(int address, std::size_t count);
    // The confirmed edits held so far go to the link, or stay out of the module when they make
    // the check fail; before anything else uses the link.
    void StageEdits();
    void About();
    void Manual();
    TransferProgress ProgressToWindow();

    AppContext& app_;
    ModuleService& module_;
    std::unique_ptr<LinkThread> link_;
    std::unique_ptr<CalibrationSession> session_;
    std::unique_ptr<QueuedChangeSink> sink_;
    FrmCalibrationCheck* checkWindow_ = nullptr;
    int selectedOutput_ = 0;
    bool closeFromCode_ = false;
    bool loaded_ = false;
    CanStatusFrame* canStatus_ = nullptr;
    CanStatusWatch canWatch_;
    QTimer* canWatchTimer_ = nullptr;

  public:
    // Controls, named as the window's objectNames.
    QMenu* menuFile = nullptr;
    QAction* menuFileOpen = nullptr;
    QAction* menuFileSave = nullptr;
    QAction* menuFileSaveAs = nullptr;
    QAction* menuFileUpdateLib = nullptr;
    QAction* menuFileHistory = nullptr;
    QAction* menuFileCompare = nullptr;
    QAction* menuFileCompareRestore = nullptr;
    QAction* menuFilePrint = nullptr;
    QAction* menuFileExportJobSheet = nullptr;
    QAction* menuFileExit = nullptr;
    QMenu* mEdit = nullptr;
    QAction* mEditCopy = nullptr;
    QAction* mEditPaste = nullptr;
    QAction* mEditCheck = nullptr;
    QMenu* menuSettings = nullptr;
    QAction* menuSettingsUnits = nullptr;
    QAction* menuSettingsCAN = nullptr;
    QMenu* menuCom = nullptr;
    QAction* menuConnect = nullptr;
    QAction* menuComSetCAN = nullptr;
    QAction* menuComRetrieveCal = nullptr;
    QAction* menuComUpdate = nullptr;
    QAction* menuComFirmUpgrade = nullptr;
    QMenu* menuHelp = nullptr;
    QAction* menuHelpAbout = nullptr;
    QAction* menuHelpManual = nullptr;

    QTabBar* TabStrip = nullptr;
    QScrollArea* pagesScroll = nullptr;  // the tabs' pages scroll on a small screen
    QStackedWidget* pages = nullptr;
    OutputPage* outputPage = nullptr;
    QWidget* canStatusPage = nullptr;
    QGroupBox* fraConnectStat = nullptr;
    ClickLabel* lblOnline = nullptr;
    QLabel* lblSimulated = nullptr;
    QLabel* lblFirmwareVer = nullptr;
    QWidget* fraRetrieve = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* lblInfo = nullptr;
    QPushButton* cmdUpdate = nullptr;
    // The status bar, on every tab.
    ClickLabel* lblStatusOnline = nullptr;
    QLabel* lblStatusModule = nullptr;
    QLabel* lblStatusFile = nullptr;
    QLabel* lblStatusAgreement = nullptr;
    QLabel* lblStatusCanSpeed = nullptr;
};

}  // namespace vx42
