// The main window.
#include "ui/main_window/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSessionManager>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>
#include <limits>

#include "app/qt/keyboard_access.h"
#include "app/qt/qt_text.h"
#include "calibration/number_format.h"
#include "can/library_files.h"
#include "can/message_selection.h"
#include "device/progress_throttle.h"
#include "files/paths.h"
#include "ui/dialogs/frm_about.h"
#include "ui/output/output_page.h"

namespace vx42 {

namespace {

// A scroll area that asks for room to show all of its page: the window takes the page's
// whole size where the screen has it, and scrolls the page only on a smaller screen.
class FitScrollArea : public QScrollArea {
  public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override {
        const int f = 2 * frameWidth();
        return widget() ? widget()->sizeHint() + QSize(f, f) : QScrollArea::sizeHint();
    }
};

QString ColourStyle(unsigned rgb) {
    return QString("color: #%1; font-weight: bold;").arg(rgb, 6, 16, QChar('0'));
}

}  // namespace

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked();
    QLabel::mousePressEvent(event);
}

FrmMain::FrmMain(AppContext& app, ModuleService& module, QWidget* parent)
    : QMainWindow(parent),
      app_(app),
      module_(module),
      link_(std::make_unique<LinkThread>()),
      session_(std::make_unique<CalibrationSession>(app.image, app.files, app.historyFolder,
                                                    RestorePointLimit(app.store))),
      sink_(std::make_unique<QueuedChangeSink>(
          *link_, this, module,
          [this](int address, std::size_t count) { return StampForEdit(address, count); },
          [this] { return session_->StageEdits(&app_.libraries, app_.settings.Units); },
          [this] { return session_->EditsHeld(); },
          [this](std::uint64_t stamp, int address, const Bytes& bytes) {
              session_->ChangeHanded(stamp, address, bytes);
          },
          [this](std::uint64_t stamp, ChangeOutcome outcome) {
              if (outcome == ChangeOutcome::Applied) return;
              session_->ChangeLost(stamp);
              Trapped("frmMain", "ChangeWritten",
                      [this, outcome] { ChangeNotWritten(outcome == ChangeOutcome::Failed); });
          })) {
    setObjectName("frmMain");
    // An error on the link's thread is reported here, under the handler that started the work.
    link_->setErrorReport([this](const ErrorLocation& where, std::exception_ptr error) {
        ReportError(where, app_.prompt, app_.log, error);
    });
    // Restore points are written on the link's thread, after the transfer that made them: the
    // history's lock may be held by another program for a while.
    session_->KeepElsewhere([this](std::function<void()> work) { link_->post(std::move(work)); },
                            [this](const Result<void>& kept) {
                                QMetaObject::invokeMethod(
                                    this, [this, kept] { ShowKeepProblem(kept); },
                                    Qt::QueuedConnection);
                            });
    Trapped("Form", "Load", [this] {
        move(0, 0);
        BuildMenus();
        BuildFrames();
        SetCompactLayout();
        SetOnlineStatus();
        UpdateTitle();
        SetupLibraries(app_.libraries, app_.libraryFolders(), app_.prompt);
        BuildDialogCommands();
        BuildHistoryCommands();
        BuildCompareCommands();
        BuildJobSheetCommands();
        // Every menu command commits a pending cell edit first: chosen with the mouse (the
        // menu opens first) or by its shortcut.
        for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
            connect(menu, &QMenu::aboutToShow, this,
                    [this] { Trapped("menuBar", "Click", [this] { CommitPendingEdit(); }); });
            for (QAction* a : menu->actions()) a->installEventFilter(this);
        }
        outputPage->Reload();
        ApplyCommandState();
        loaded_ = true;
    });
}

bool FrmMain::focusNextPrevChild(bool next) {
    return FocusInReadingOrder(this, next);
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut && qobject_cast<QAction*>(watched))
        Trapped("menuBar", "Click", [this] { CommitPendingEdit(); });
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::CommitPendingEdit() {
    if (!outputPage) return;
    outputPage->CommitPendingEdit();
    // A whole write chosen for the edit runs before the command that follows it.
    if (session_->WholeWriteOwed()) EndEdits();
}

void FrmMain::FinishEditing() {
    if (!outputPage) return;
    CommitPendingEdit();
    outputPage->StopLiveCalibration();
}

FrmMain::~FrmMain() {
    // Stop the link first: its pending operations use the module sink and the module. They
    // finish with the window's events processed, so a message they show can be answered.
    link_->settle(std::numeric_limits<int>::max());
    link_.reset();
}

bool FrmMain::Trapped(const char* object, const char* procedure,
                      const std::function<void()>& body) {
    return RunTrapped({"frmMain", object, procedure}, app_.prompt, app_.log, body);
}

ErrorLocation FrmMain::HandlerRunningOr(const char* object) {
    if (const ErrorLocation* running = RunningHandler()) return *running;
    return {"frmMain", object, "Click"};
}

void FrmMain::BuildMenus() {
    auto action = [this](QMenu* menu, const char* name, const QString& caption, const char* object,
                         void (FrmMain::*slot)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, object, slot] {
            Trapped(object, "Click", [this, slot] { (this->*slot)(); });
        });
        return a;
    };
    menuFile = menuBar()->addMenu("&File");
    menuFile->setObjectName("menuFile");
    menuFileOpen = action(menuFile, "menuFileOpen", "Open", "menuFileOpen", &FrmMain::OpenCommand);
    menuFileSave = menuFile->addAction("Save");
    menuFileSave->setObjectName("menuFileSave");
    connect(menuFileSave, &QAction::triggered, this,
            [this] { Trapped("menuFileSave", "Click", [this] { SaveCommand(false); }); });
    menuFileSaveAs = menuFile->addAction("Save As");
    menuFileSaveAs->setObjectName("menuFileSaveAs");
    connect(menuFileSaveAs, &QAction::triggered, this,
            [this] { Trapped("menuFileSaveAs", "Click", [this] { SaveCommand(true); }); });
    menuFile->addSeparator();
    menuFileUpdateLib = menuFile->addAction("Update Library");
    menuFileUpdateLib->setObjectName("menuFileUpdateLib");
    menuFile->addSeparator();
    menuFileExit = menuFile->addAction("Exit");
    menuFileExit->setObjectName("menuFileExit");
    connect(menuFileExit, &QAction::triggered, this, [this] {
        Trapped("menuFileExit", "Click", [this] {
            closeFromCode_ = true;
            close();
            closeFromCode_ = false;
        });
    });
    // The keys people expect, shown in the menu; the tables' own keys use other letters.
    menuFileOpen->setShortcut(QKeySequence("Ctrl+O"));
    menuFileSave->setShortcut(QKeySequence("Ctrl+S"));
    menuFileSaveAs->setShortcut(QKeySequence("Ctrl+Shift+S"));
    menuFileExit->setShortcut(QKeySequence("Ctrl+Q"));

    mEdit = menuBar()->addMenu("&Edit");
    mEdit->setObjectName("mEdit");
    mEditCopy = mEdit->addAction("&Copy");
    mEditCopy->setObjectName("mEditCopy");
    mEditCopy->setShortcut(QKeySequence("Ctrl+C"));
    mEditPaste = mEdit->addAction("&Paste");
    mEditPaste->setObjectName("mEditPaste");
    mEditPaste->setShortcut(QKeySequence("Ctrl+V"));

    menuSettings = menuBar()->addMenu("&Settings");
    menuSettings->setObjectName("menuSettings");
    menuSettingsUnits = menuSettings->addAction("Units");
    menuSettingsUnits->setObjectName("menuSettingsUnits");
    menuSettingsCAN = menuSettings->addAction("CAN Message Setup");
    menuSettingsCAN->setObjectName("menuSettingsCAN");

    menuCom = menuBar()->addMenu("&Communications");
    menuCom->setObjectName("menuCom");
    menuConnect =
        action(menuCom, "menuConnect", "Connect", "menuConnect", &FrmMain::ConnectCommand);
    menuComSetCAN = menuCom->addAction("Set CAN Speed");
    menuComSetCAN->setObjectName("menuComSetCAN");
    menuComRetrieveCal = action(menuCom, "menuComRetrieveCal", "Retrieve Calibration",
                                "menuComRetrieveCal", &FrmMain::RetrieveCommand);
    // The Update button's command, for the keyboard and the menu reader.
    menuComUpdate =
        action(menuCom, "menuComUpdate", "Update", "menuComUpdate", &FrmMain::UpdateCommand);
    menuComUpdate->setToolTip("Write the whole calibration to the module");
    menuCom->addSeparator();
    menuComFirmUpgrade = menuCom->addAction("Firmware Upgrade");
    menuComFirmUpgrade->setObjectName("menuComFirmUpgrade");

    BindCommand(menuFileOpen, SessionCommand::Open);
    BindCommand(menuConnect, SessionCommand::Connect);
    BindCommand(menuComSetCAN, SessionCommand::SetCanSpeed);
    BindCommand(menuComRetrieveCal, SessionCommand::Retrieve);
    BindCommand(menuComUpdate, SessionCommand::Update);
    BindCommand(menuComFirmUpgrade, SessionCommand::FirmwareUpgrade);

    menuHelp = menuBar()->addMenu("&Help");
    menuHelp->setObjectName("menuHelp");
    menuHelpAbout = action(menuHelp, "menuHelpAbout", "About", "menuHelpAbout", &FrmMain::About);
    menuHelpManual = action(menuHelp, "menuHelpManual", "Installation Manual ", "menuHelpManual",
                            &FrmMain::Manual);
}

void FrmMain::BuildFrames() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 6, 8, 8);

    TabStrip = new QTabBar(central);
    TabStrip->setObjectName("TabStrip");
    for (const char* caption : {"Output 1", "Output 2", "Output 3", "Output 4", "CAN Status"})
        TabStrip->addTab(caption);
    TabStrip->setExpanding(false);
    connect(TabStrip, &QTabBar::currentChanged, this,
            [this] { Trapped("TabStrip", "Click", [this] { RefreshSelectedTab(); }); });
    layout->addWidget(TabStrip);

    pagesScroll = new FitScrollArea(central);
    pagesScroll->setObjectName("pagesScroll");
    pagesScroll->setWidgetResizable(true);
    pagesScroll->setFrameShape(QFrame::NoFrame);
    // Not a stop of its own: Tab goes to the page's controls, and the page scrolls to them.
    pagesScroll->setFocusPolicy(Qt::NoFocus);
    pages = new QStackedWidget(pagesScroll);
    outputPage = new OutputPage(*this, pages);
    BindCommand(outputPage, SessionCommand::EditOutputs);
    pages->addWidget(outputPage);

    canStatusPage = new QWidget(pages);
    canStatusPage->setObjectName("canStatusPage");
    auto* canLayout = new QVBoxLayout(canStatusPage);
    fraConnectStat = new QGroupBox(canStatusPage);
    fraConnectStat->setObjectName("fraConnectStat");
    auto* connLayout = new QHBoxLayout(fraConnectStat);
    connLayout->addWidget(new QLabel("Connection:", fraConnectStat));
    lblOnline = NewConnectionLabel("lblOnline", "Offline", fraConnectStat);
    connLayout->addWidget(lblOnline);
    lblSimulated = new QLabel("(simulated module: no VX42 is attached)", fraConnectStat);
    lblSimulated->setObjectName("lblSimulated");
    lblSimulated->setVisible(false);
    connLayout->addWidget(lblSimulated);
    connLayout->addSpacing(24);
    lblFirmwareVer = new QLabel("Firmware Version:", fraConnectStat);
    lblFirmwareVer->setObjectName("lblFirmwareVer");
    connLayout->addWidget(lblFirmwareVer);
    connLayout->addStretch(1);
    canLayout->addWidget(fraConnectStat);
    canLayout->addStretch(1);
    pages->addWidget(canStatusPage);
    pagesScroll->setWidget(pages);
    layout->addWidget(pagesScroll, 1);

    fraRetrieve = new QWidget(central);
    fraRetrieve->setObjectName("fraRetrieve");
    auto* retrieveLayout = new QHBoxLayout(fraRetrieve);
    retrieveLayout->setContentsMargins(0, 0, 0, 0);
    ProgressBar = new QProgressBar(fraRetrieve);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);
    ProgressBar->setValue(0);
    NameControl(ProgressBar, "Transfer progress");
    retrieveLayout->addWidget(ProgressBar, 1);
    lblInfo = new QLabel("0 Bytes of 0 Bytes copied.", fraRetrieve);
    lblInfo->setObjectName("lblInfo");
    lblInfo->setMinimumWidth(
        lblInfo->fontMetrics().horizontalAdvance("0,000 Bytes of 0,000 Bytes copied.") + 8);
    retrieveLayout->addWidget(lblInfo);
    cmdUpdate = new QPushButton("Update", fraRetrieve);
    cmdUpdate->setObjectName("cmdUpdate");
    cmdUpdate->setToolTip("Write the whole calibration to the module");
    BindCommand(cmdUpdate, SessionCommand::Update);
    connect(cmdUpdate, &QPushButton::clicked, this,
            [this] { Trapped("cmdUpdate", "Click", [this] { UpdateCommand(); }); });
    retrieveLayout->addWidget(cmdUpdate);
    layout->addWidget(fraRetrieve);

    setCentralWidget(central);
    BuildStatusBar();
}

// A connection caption that acts as menuConnect, while that is enabled (it is not while a
// connect or disconnect runs).
ClickLabel* FrmMain::NewConnectionLabel(const char* name, const QString& caption, QWidget* parent) {
    auto* label = new ClickLabel(caption, parent);
    label->setObjectName(name);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip("Click to connect or disconnect");
    connect(label, &ClickLabel::clicked, this, [this, name] {
        Trapped(name, "Click", [this] {
            if (menuConnect->isEnabled()) ConnectCommand();
        });
    });
    return label;
}

// The status bar: whether an edit reaches a module, which one, what is shown and the bus
// speed, on every tab.
void FrmMain::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("statusBar");
    bar->setSizeGripEnabled(false);
    lblStatusOnline = NewConnectionLabel("lblStatusOnline", {}, bar);
    bar->addWidget(lblStatusOnline);
    lblStatusModule = new QLabel(bar);
    lblStatusModule->setObjectName("lblStatusModule");
    bar->addWidget(lblStatusModule);
    lblStatusFile = new QLabel(bar);
    lblStatusFile->setObjectName("lblStatusFile");
    bar->addWidget(lblStatusFile, 1);
    lblStatusAgreement = new QLabel(bar);
    lblStatusAgreement->setObjectName("lblStatusAgreement");
    lblStatusAgreement->setStyleSheet("color: #B00000;");
    bar->addWidget(lblStatusAgreement);
    lblStatusCanSpeed = new QLabel(bar);
    lblStatusCanSpeed->setObjectName("lblStatusCanSpeed");
    lblStatusCanSpeed->setContentsMargins(0, 0, 8, 0);
    bar->addPermanentWidget(lblStatusCanSpeed);
    // Every change of the file state shows in the title; the status bar follows it.
    connect(this, &QWidget::windowTitleChanged, this, [this] { ShowStatus(); });
    connect(this, &FrmMain::imageReplaced, this, [this] { ShowStatus(); });
}

// ---------------------------------------------------------------------------------------
// Layouts, title, connection display

void FrmMain::SetCompactLayout() {
    TabStrip->setVisible(false);
    pagesScroll->setVisible(false);
    pages->setVisible(false);
    cmdUpdate->setVisible(false);
    menuComUpdate->setVisible(false);
    centralWidget()->layout()->activate();
    setMinimumSize(0, 0);
    adjustSize();
    resize(qMax(width(), 760), minimumSizeHint().height());
}

void FrmMain::SetFullLayout() {
    TabStrip->setVisible(true);
    pagesScroll->setVisible(true);
    pages->setVisible(true);
    cmdUpdate->setVisible(true);
    menuComUpdate->setVisible(true);
    // The connect, retrieve and open commands hide the presets; the full mode shows them.
    outputPage->fraPresets->setVisible(app_.mode != StartupMode::Relay);
    // The pages tell their new sizes only through posted events: ask them now.
    for (QWidget* w : {static_cast<QWidget*>(outputPage), canStatusPage,
                       static_cast<QWidget*>(pages), static_cast<QWidget*>(pagesScroll)})
        w->updateGeometry();
    centralWidget()->layout()->invalidate();
    layout()->invalidate();
    // The whole page where the screen has room for it; on a smaller screen the window takes
    // what there is and the page scrolls, the Update button staying in sight.
    QSize wanted = sizeHint().expandedTo(QSize(width(), 0));
    if (const QScreen* s = screen()) {
        const QSize frameExtra = frameGeometry().size() - size();
        wanted = wanted.boundedTo(s->availableGeometry().size() - frameExtra);
    }
    resize(wanted);
}

void FrmMain::UpdateTitle() {
    app_.files.UpdateTitle();
    setWindowTitle(Q(app_.files.Title));
    ShowStatus();
}

void FrmMain::SetOnlineStatus() {
    const bool online = session_->online();
    const OnlineDisplay d = OnlineStatusDisplay(online);
    menuConnect->setText(d.menuCaption);
    lblOnline->setText(d.labelCaption);
    lblOnline->setStyleSheet(ColourStyle(d.rgb));
    lblSimulated->setVisible(online && module_.Simulated());
    if (!online && outputPage) outputPage->StopLiveCalibration();  // the link is gone
    const int mark = lblStatusOnline->fontMetrics().height() * 2 / 3;
    lblStatusOnline->setStyleSheet(
        QString("border-style: solid; border-width: 0px 0px 0px %1px; border-color: #%2; "
                "padding-left: %3px; font-weight: bold;")
            .arg(mark)
            .arg(d.rgb, 6, 16, QChar('0'))
            .arg(mark / 2));
    ShowStatus();
}

void FrmMain::ShowStatus() {
    const CalibrationSession& s = *session_;
    StatusFacts f;
    f.online = s.online();
    f.simulated = module_.Simulated();
    f.serial = s.serial();
    f.firmware = s.firmware();
    f.fileLoaded = s.files().FileLoaded;
    f.autoRetrieved = s.files().AutoRetrieved;
    f.fileName = s.files().CurrentFileName;
    f.changed = s.files().CalibrationChanged;
    f.hasCanSpeed = s.files().HasCalibration();
    f.canKbits = s.shown().Word(CalAddresses().CanSpeed);
    const StatusTexts t = StatusBarTexts(f);
    StageEdits();  // the edits shown are judged against the calibration shown before them
    const std::string agreement = session_->TellAgreement(app_.files.CalibrationChanged);
    if (outputPage && session_->NextEditsAsked()) outputPage->KeepHistory();
    // Set CAN Speed once a calibration has been retrieved, opened or restored.
    menuComSetCAN->setVisible(s.files().HasCalibration());
    lblStatusAgreement->setToolTip(Q(agreement));  // whole, where the bar cuts it short
    const std::pair<QLabel*, const std::string*> fields[] = {{lblStatusOnline, &t.connection},
                                                             {lblStatusModule, &t.module},
                                                             {lblStatusFile, &t.file},
                                                             {lblStatusAgreement, &agreement},
                                                             {lblStatusCanSpeed, &t.canSpeed}};
    for (const auto& [label, text] : fields) {
        label->setText(Q(*text));
        label->setVisible(!text->empty());
    }
    ApplyCommandState();
    emit stateShown();
}

void FrmMain::ShowNote(const std::string& text) {
    constexpr int kNoteMs = 15000;
    statusBar()->showMessage(Q(text), kNoteMs);
}

void FrmMain::ApplyCommandState() {
    // Each command control carries the session command it stands for.
    for (QObject* control : findChildren<QObject*>()) {
        const QVariant command = control->property(kSessionCommandProperty);
        if (command.isValid())
            control->setProperty("enabled",
                                 session_->Allows(static_cast<SessionCommand>(command.toInt())));
    }
}

void FrmMain::RefreshSelectedTab() {
    FinishEditing();
    const int tab = TabStrip->currentIndex();
    if (tab >= 0 && tab < kOutputs) {
        selectedOutput_ = tab;
        outputPage->SelectOutput(tab);
    }
    pages->setCurrentWidget(tab == kOutputs ? canStatusPage : outputPage);
    if (tab == kOutputs) fraConnectStat->setVisible(true);
}

// ---------------------------------------------------------------------------------------
// File commands

void FrmMain::OpenCommand() {
    OpenFileCommand({});
}

void FrmMain::OpenFileCommand(const std::string& path, bool programChosen) {
    FinishEditing();
    if (!MayRun(SessionCommand::Open)) return;
    SettleLink();
    if (!session_->ConfirmOpen(app_.fileContext(), programChosen)) return;
    const auto opened = session_->Open(app_.fileContext(), path);
    if (!opened) {
        app_.prompt.Message(opened.error().message, "Open", Icon::Information);
        return;
    }
    if (!*opened) return;  // the dialog was cancelled
    setWindowTitle(Q(app_.files.Title));
    SetCompactLayout();
    for (const char* name : {"fraConnectStat", "fraPresets", "fraMessages", "fraCANStat"})
        if (auto* w = findChild<QWidget*>(name)) w->setVisible(false);
    // Online, the module is programmed with the file just opened.
    RunNext(**opened);
    CheckUndefinedMessages(app_.libraries, app_.image, app_.prompt);
    emit imageReplaced();
    SetFullLayout();
    RefreshSelectedTab();
}

void FrmMain::SaveCommand(bool saveAs) {
    SettleLink();
    session_->Save(app_.fileContext(), saveAs);
    setWindowTitle(Q(app_.files.Title));
    ShowStatus();
}

// ---------------------------------------------------------------------------------------
// Help

void FrmMain::About() {
    SettleLink();
    FrmAbout about(this);
    about.exec();
}

void FrmMain::Manual() {
    SettleLink();
    const std::string path = ManualPath(app_.folders.shared);
    if (!FileExists(path)) {
        app_.prompt.Message("The installation manual was not found. It belongs at:\n" + path,
                            "Installation Manual", Icon::Exclamation);
        return;
    }
    if (!app_.prompt.OpenDocument(path))
        app_.prompt.Message(
            "No program to show the installation manual was found. It is at:\n" + path,
            "Installation Manual", Icon::Exclamation);
}

// ---------------------------------------------------------------------------------------
// Closing

void FrmMain::closeEvent(QCloseEvent* event) {
    // A transfer ends first (each is bounded by the module's time-outs): the close then sees
    // the calibration and the connection as it left them.
    StageEdits();
    while (busy() || link_->pending() > 0) {
        link_->settle(std::numeric_limits<int>::max());
        // Then the transfer's completion, already queued.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    }
    bool cancel = false;
    Trapped("Form", "QueryUnload", [this, &cancel] {
        FinishEditing();  // the pending edit counts for the save question
        SaveSettings(app_.store, app_.settings);
        const CloseReason reason = qApp->isSavingSession() ? CloseReason::System
                                   : closeFromCode_        ? CloseReason::Code
                                                           : CloseReason::User;
        auto saveAs = [this] { return session_->Save(app_.fileContext(), true); };
        cancel = true;  // a failed save keeps the window open
        cancel = ConfirmUnsavedOnClose(app_.fileContext(), reason, saveAs);
    });
    if (cancel) {
        setWindowTitle(Q(app_.files.Title));
        event->ignore();
        return;
    }
    Trapped("Form", "Unload", [this] {
        if (!session_->online()) return;
        link_->post([this] { module_.Disconnect(); });
        link_->settle();
    });
    event->accept();
}

}  // namespace vx42
