#include "ui/frm_main.h"

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
#include <QSessionManager>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include <limits>

#include "calibration/number_format.h"
#include "can/library_files.h"
#include "can/message_selection.h"
#include "files/paths.h"
#include "ui/frm_about.h"
#include "ui/output_page.h"

namespace vx42 {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// "count Bytes of total Bytes copied." with both numbers grouped ("" for zero).
std::string BytesCopiedText(int count, int total) {
    return FormatNumber(count, Pattern::Grouped) + " Bytes of " +
           FormatNumber(total, Pattern::Grouped) + " Bytes copied.";
}

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
      sink_(std::make_unique<QueuedChangeSink>(*link_, module)) {
    setObjectName("frmMain");
    Trapped("Form", "Load", [this] {
        move(0, 0);
        BuildMenus();
        BuildFrames();
        menuComSetCAN->setVisible(false);
        SetCompactLayout();
        SetOnlineStatus();
        UpdateTitle();
        SetupLibraries(app_.libraries, app_.libraryFolders(), app_.prompt);
        BuildDialogCommands();
        outputPage->Reload();
    });
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

void FrmMain::BuildMenus() {
    auto action = [this](QMenu* menu, const char* name, const QString& caption,
                         const char* object, void (FrmMain::*slot)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, object, slot] { Trapped(object, "Click", [this, slot] { (this->*slot)(); }); });
        return a;
    };
    menuFile = menuBar()->addMenu("File");
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

    menuSettings = menuBar()->addMenu("Settings");
    menuSettings->setObjectName("menuSettings");
    menuSettingsUnits = menuSettings->addAction("Units");
    menuSettingsUnits->setObjectName("menuSettingsUnits");
    menuSettingsCAN = menuSettings->addAction("CAN Message Setup");
    menuSettingsCAN->setObjectName("menuSettingsCAN");

    menuCom = menuBar()->addMenu("Communications");
    menuCom->setObjectName("menuCom");
    menuConnect = action(menuCom, "menuConnect", "Connect", "menuConnect", &FrmMain::ConnectCommand);
    menuComSetCAN = menuCom->addAction("Set CAN Speed");
    menuComSetCAN->setObjectName("menuComSetCAN");
    menuComRetrieveCal = action(menuCom, "menuComRetrieveCal", "Retrieve Calibration",
                                "menuComRetrieveCal", &FrmMain::RetrieveCommand);
    menuCom->addSeparator();
    menuComFirmUpgrade = menuCom->addAction("Firmware Upgrade");
    menuComFirmUpgrade->setObjectName("menuComFirmUpgrade");

    menuHelp = menuBar()->addMenu("Help");
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

    pages = new QStackedWidget(central);
    outputPage = new OutputPage(*this, pages);
    pages->addWidget(outputPage);

    canStatusPage = new QWidget(pages);
    canStatusPage->setObjectName("canStatusPage");
    auto* canLayout = new QVBoxLayout(canStatusPage);
    fraConnectStat = new QGroupBox(canStatusPage);
    fraConnectStat->setObjectName("fraConnectStat");
    auto* connLayout = new QHBoxLayout(fraConnectStat);
    connLayout->addWidget(new QLabel("Connection:", fraConnectStat));
    lblOnline = new ClickLabel("Offline", fraConnectStat);
    lblOnline->setObjectName("lblOnline");
    lblOnline->setCursor(Qt::PointingHandCursor);
    lblOnline->setToolTip("Click to connect or disconnect");
    connect(lblOnline, &ClickLabel::clicked, this, [this] {
        Trapped("lblOnline", "Click", [this] {
            if (menuConnect->isEnabled()) ConnectCommand();
        });
    });
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
    layout->addWidget(pages, 1);

    fraRetrieve = new QWidget(central);
    fraRetrieve->setObjectName("fraRetrieve");
    auto* retrieveLayout = new QHBoxLayout(fraRetrieve);
    retrieveLayout->setContentsMargins(0, 0, 0, 0);
    auto* progressColumn = new QVBoxLayout;
    ProgressBar = new QProgressBar(fraRetrieve);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);
    ProgressBar->setValue(0);
    progressColumn->addWidget(ProgressBar);
    lblInfo = new QLabel("0 Bytes of 0 Bytes copied.", fraRetrieve);
    lblInfo->setObjectName("lblInfo");
    progressColumn->addWidget(lblInfo);
    retrieveLayout->addLayout(progressColumn, 1);
    cmdUpdate = new QPushButton("Update", fraRetrieve);
    cmdUpdate->setObjectName("cmdUpdate");
    cmdUpdate->setToolTip("Write the whole calibration to the module");
    connect(cmdUpdate, &QPushButton::clicked, this,
            [this] { Trapped("cmdUpdate", "Click", [this] { UpdateCommand(); }); });
    retrieveLayout->addWidget(cmdUpdate, 0, Qt::AlignTop);
    layout->addWidget(fraRetrieve);

    setCentralWidget(central);
}

// ---------------------------------------------------------------------------------------
// Layouts, title, connection display

void FrmMain::SetCompactLayout() {
    TabStrip->setVisible(false);
    pages->setVisible(false);
    cmdUpdate->setVisible(false);
    centralWidget()->layout()->activate();
    setMinimumSize(0, 0);
    adjustSize();
    resize(qMax(width(), 760), minimumSizeHint().height());
}

void FrmMain::SetFullLayout() {
    TabStrip->setVisible(true);
    pages->setVisible(true);
    cmdUpdate->setVisible(true);
    const int height = app_.mode == StartupMode::Relay ? 700 : 740;
    resize(qMax(width(), 780), qMax(height, sizeHint().height()));
}

void FrmMain::UpdateTitle() {
    app_.files.UpdateTitle();
    setWindowTitle(Q(app_.files.Title));
}

void FrmMain::SetOnlineStatus() {
    const OnlineDisplay d = OnlineStatusDisplay(online_);
    menuConnect->setText(d.menuCaption);
    lblOnline->setText(d.labelCaption);
    lblOnline->setStyleSheet(ColourStyle(d.rgb == 0x00FF00 ? 0x00A000 : d.rgb));
    lblSimulated->setVisible(online_ && module_.Simulated());
}

void FrmMain::RefreshSelectedTab() {
    const int tab = TabStrip->currentIndex();
    if (tab >= 0 && tab < kOutputs) {
        selectedOutput_ = tab;
        outputPage->SelectOutput(tab);
    }
    pages->setCurrentWidget(tab == kOutputs ? canStatusPage : outputPage);
    if (tab == kOutputs) fraConnectStat->setVisible(true);
}

void FrmMain::PostLiveWrite(int address, std::uint8_t value) {
    link_->post([this, address, value] { module_.WriteLiveByte(address, value); });
}

void FrmMain::SettleLink() {
    if (!online_) return;
    link_->post([this] { module_.SettleLink(); });
    link_->settle();
}

// ---------------------------------------------------------------------------------------
// Module commands

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

void FrmMain::FinishCommand() {
    --busy_;
    emit commandFinished();
}

void FrmMain::ConnectCommand() {
    menuConnect->setEnabled(false);
    ++busy_;
    if (online_) {
        link_->call<bool>([this] {
            module_.Disconnect();
            return module_.Online();
        }, this, [this](bool online) {
            Trapped("menuConnect", "Click", [this, online] {
                online_ = online;
                SetOnlineStatus();
            });
            menuConnect->setEnabled(true);
            FinishCommand();
        });
        return;
    }
    struct Identity {
        bool online = false;
        std::string serial, firmware;
    };
    link_->call<Identity>([this] {
        Identity id;
        id.online = module_.ConnectIfOffline();
        if (id.online) {
            module_.SettleLink();
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
            if (id.serial == lastRetrievedSerial_) return;
            // Only a calibration that was retrieved whole counts: after a failed retrieve the
            // same module is not a different one.
            if (retrievedOnConnect_ &&
                app_.prompt.YesNo("Different VX42 module detected. would you like to save the "
                                  "current file before retrieving data from the new Dialvane") ==
                    Answer::Yes)
                SaveCalibrationFile(app_.fileContext(), app_.image, true);
            StartRetrieve(id.serial);
            retrieveStarted = true;
        });
        if (retrieveStarted) return;  // the retrieve ends the command
        RefreshSelectedTab();
        menuConnect->setEnabled(true);
        FinishCommand();
    });
}

void FrmMain::RetrieveCommand() {
    if (!online_) return;
    SettleLink();
    if (app_.files.CalibrationChanged &&
        app_.prompt.YesNo("The file has been changed and not saved. Would you like to save now?",
                          "Save Changes?") == Answer::Yes)
        SaveCalibrationFile(app_.fileContext(), app_.image, true);
    menuConnect->setEnabled(false);
    menuComRetrieveCal->setEnabled(false);
    ++busy_;
    StartRetrieve(module_.DeviceSerial());
}

// Hides the tabs, retrieves into a scratch image and, when every block arrived, replaces the
// calibration. Ends the running command (menuConnect enabled again).
void FrmMain::StartRetrieve(const std::string& serial) {
    TabStrip->setVisible(false);
    fraConnectStat->setVisible(false);
    for (const char* name : {"fraPresets", "fraMessages"})
        if (auto* w = findChild<QWidget*>(name)) w->setVisible(false);
    SetCompactLayout();
    ShowProgress(0, kCalImageLast - 1, BytesCopiedText(0, kCalImageSize));
    link_->call<std::optional<CalImage>>(
        [this] { return module_.RetrieveCalibration(ProgressToWindow()); }, this,
        [this, serial](std::optional<CalImage> image) {
            Trapped("menuComRetrieveCal", "Click", [this, &image, &serial] {
                if (image) {
                    app_.image = *image;
                    lastRetrievedSerial_ = serial;
                    retrievedOnConnect_ = true;
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
            menuConnect->setEnabled(true);
            menuComRetrieveCal->setEnabled(true);
            FinishCommand();
        });
}

void FrmMain::UpdateCommand() {
    if (!online_) {
        app_.prompt.Message("You must be connected to write the calibration");
        return;
    }
    cmdUpdate->setEnabled(false);
    ++busy_;
    const CalImage image = app_.image;
    link_->call<bool>([this, image] { return module_.WriteWholeCalibration(image, ProgressToWindow()); },
                      this, [this](bool) {
                          cmdUpdate->setEnabled(true);
                          FinishCommand();
                      });
}

// ---------------------------------------------------------------------------------------
// File commands

void FrmMain::OpenCommand() {
    SettleLink();
    auto saveAs = [this] { return SaveCalibrationFile(app_.fileContext(), app_.image, true); };
    if (!OfferSaveBeforeReplacing(app_.fileContext(), saveAs)) return;
    if (online_ &&
        app_.prompt.YesNo("Opening a file while you are connected will program it into the VX42 "
                          "module do you still want to open the file?",
                          "Open And Program File?") != Answer::Yes)
        return;
    if (!OpenCalibrationFile(app_.fileContext(), app_.image)) return;
    setWindowTitle(Q(app_.files.Title));
    SetCompactLayout();
    for (const char* name : {"fraConnectStat", "fraPresets", "fraMessages", "fraCANStat"})
        if (auto* w = findChild<QWidget*>(name)) w->setVisible(false);
    menuComSetCAN->setVisible(true);
    if (online_) UpdateCommand();  // programs the module with the file just opened
    CheckUndefinedMessages(app_.libraries, app_.image, app_.prompt);
    emit imageReplaced();
    SetFullLayout();
    RefreshSelectedTab();
}

void FrmMain::SaveCommand(bool saveAs) {
    SettleLink();
    SaveCalibrationFile(app_.fileContext(), app_.image, saveAs);
    setWindowTitle(Q(app_.files.Title));
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
        app_.prompt.Message("No program to show the installation manual was found. It is at:\n" +
                                path,
                            "Installation Manual", Icon::Exclamation);
}

// ---------------------------------------------------------------------------------------
// Closing

void FrmMain::closeEvent(QCloseEvent* event) {
    bool cancel = false;
    Trapped("Form", "QueryUnload", [this, &cancel] {
        SaveSettings(app_.store, app_.settings);
        const CloseReason reason = qApp->isSavingSession() ? CloseReason::System
                                   : closeFromCode_ ? CloseReason::Code
                                                    : CloseReason::User;
        auto saveAs = [this] { return SaveCalibrationFile(app_.fileContext(), app_.image, true); };
        cancel = true;  // a failed save keeps the window open
        cancel = ConfirmUnsavedOnClose(app_.fileContext(), reason, saveAs);
    });
    if (cancel) {
        setWindowTitle(Q(app_.files.Title));
        event->ignore();
        return;
    }
    if (online_) {
        link_->post([this] { module_.Disconnect(); });
        link_->settle();
    }
    event->accept();
}

}  // namespace vx42
