#pragma once
// "Firmware Upgrade": loads a firmware or bootloader upgrade file and sends it to the module.
// The upgrade runs on the link's thread; its status lines and progress come back as queued
// calls, so the dialog stays responsive. While it runs the upgrade buttons are disabled and
// the dialog cannot be closed.

#include <functional>
#include <string>

#include "firmware/upgrade.h"
#include "ui/widgets/dialog_support.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace vx42 {

class LinkThread;
class SettingsStore;
struct Settings;

class FrmFirmwareUpgrade : public TrappedDialog {
    Q_OBJECT
  public:
    struct Context {
        Prompt& prompt;
        const ErrorLog& log;
        Settings& settings;
        SettingsStore& store;
        // Where "DataFlash.s19" is read and "Upgrade.BLU" written: the program folder, or the
        // user's data folder when the tool is installed.
        std::string dataFolder;
        LinkThread& link;
        ModuleLink& module;
        // Whether the main window is online (its connection is then reused), and the firmware
        // version the module gave on connecting.
        std::function<bool()> online;
        std::function<std::string()> firmware;
        // Runs on the link before anything is sent (keeps the restore point).
        BeforeSending beforeSending = {};
    };
    explicit FrmFirmwareUpgrade(Context context, QWidget* parent = nullptr);

    // The commands, as the buttons run them (public for tests).
    void OpenFile();
    void StartUpgrade();
    void ReadAddressCommand();
    void SendBootloaderCommand();
    void CreateBluFile();
    // "Get Device Info", and the dialog's opening: the connected module's firmware version.
    void ShowDeviceInfo();

    // An operation of this dialog is running on the link.
    bool running() const { return running_ > 0; }
    const UpgradeFile& file() const { return file_; }
    // How the last upgrade ended (none before the first).
    std::optional<UpgradeOutcome> lastOutcome() const { return outcome_; }
    // An upgrade since the dialog opened sent something to the module.
    bool reachedModule() const { return reachedModule_; }

    // Open File, Get Device Info and Start Upgrade together; Start Upgrade only with a file.
    void SetUpgradeButtons(bool enabled);
    void AddStatus(const std::string& text);
    // Esc and the close box do nothing while an operation runs.
    void reject() override;

    QPushButton* cmdOpenFile = nullptr;
    QLabel* lblFilename = nullptr;
    QLabel* lblFirmwareVer = nullptr;
    QPushButton* cmdGetInfo = nullptr;
    QPushButton* cmdStartUpgrade = nullptr;
    QListWidget* lstStatus = nullptr;
    QProgressBar* progressOutput = nullptr;
    QLabel* progressCaption = nullptr;
    QLineEdit* txtRead = nullptr;
    QPushButton* cmdRead = nullptr;
    QLabel* lblValue = nullptr;
    QPushButton* cmdSend = nullptr;
    QPushButton* cmdCreateBLU = nullptr;

  signals:
    // An operation on the link ended (the link may have been closed).
    void linkFinished();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Build();
    void ShowProgress(int value, int maximum, const std::string& text);
    void SetServiceButtons(bool enabled);
    // Runs op on the link's thread and then done here; the dialog counts it as running.
    template <typename R>
    void OnLink(std::function<R()> op, std::function<void(R)> done);

    Context ctx_;
    UpgradeFile file_;
    int running_ = 0;
    bool linkOnline_ = true;  // as the link's thread found it after the last operation
    std::optional<UpgradeOutcome> outcome_;
    bool reachedModule_ = false;
};

}  // namespace vx42
