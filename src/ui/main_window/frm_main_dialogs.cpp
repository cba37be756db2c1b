// The main window's dialog commands: Settings (Units, CAN Message Setup), File (Update
// Library), Communications (Set CAN Speed, Firmware Upgrade) and the "CAN Status" tab.

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QVBoxLayout>

#include "calibration/cal_image.h"
#include "calibration/grid/grid_history.h"
#include "can/library_files.h"
#include "ui/dialogs/frm_can_speed.h"
#include "ui/dialogs/frm_firmware_upgrade.h"
#include "ui/dialogs/frm_message_setup.h"
#include "ui/dialogs/frm_unit_settings.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_page.h"

namespace vx42 {

void FrmMain::BuildDialogCommands() {
    BuildCanStatus();

    connect(menuSettingsUnits, &QAction::triggered, this, [this] {
        Trapped("menuSettingsUnits", "Click", [this] {
            CommitPendingEdit();
            SettleLink();
            FrmUnitSettings units(
                app_.settings, app_.store, app_.prompt, app_.log, [this] { outputPage->Reload(); },
                this);
            units.exec();
        });
    });

    connect(menuSettingsCAN, &QAction::triggered, this, [this] {
        Trapped("menuSettingsCAN", "Click", [this] {
            SettleLink();
            const LibraryFolders folders = app_.libraryFolders();
            if (CheckUserDefinedLibrary(app_.libraries, folders, app_.prompt)) {
                FrmMessageSetup editor(app_.libraries, folders.user, app_.prompt, app_.log, this);
                editor.exec();
                // Whatever was not saved is dropped: the libraries come from their files again.
                app_.libraries = LibrarySet{};
                SetupLibraries(app_.libraries, folders, app_.prompt);
            }
            outputPage->Reload();
        });
    });

    connect(menuFileUpdateLib, &QAction::triggered, this, [this] {
        Trapped("menuFileUpdateLib", "Click", [this] {
            SettleLink();
            if (ImportLibrary(app_.libraries, app_.prompt, app_.settings, app_.store,
                              app_.libraryFolders()))
                outputPage->Reload();
        });
    });

    // The speed window lives with the main window: it keeps the option last clicked.
    auto* speed = new FrmCanSpeed(app_.prompt, app_.log, this);
    connect(menuComSetCAN, &QAction::triggered, this, [this, speed] {
        Trapped("menuComSetCAN", "Click", [this, speed] {
            FinishEditing();
            if (!MayRun(SessionCommand::SetCanSpeed)) return;
            SettleLink();
            speed->Load(app_.image);
            if (speed->exec() != QDialog::Accepted) return;
            const CalImage before = app_.image;
            EditTarget target = edit();
            speed->choice().Ok(target);
            UpdateTitle();
            outputPage->RecordStep(ImageChanges(before, app_.image),
                                   CanSpeedStepName(app_.image.Word(CalAddresses().CanSpeed)));
        });
    });

    connect(menuComFirmUpgrade, &QAction::triggered, this, [this] {
        Trapped("menuComFirmUpgrade", "Click", [this] {
            FinishEditing();
            if (!MayRun(SessionCommand::FirmwareUpgrade)) return;
            SettleLink();
            ModuleLink* device = module_.DeviceLink();
            if (!device || !BeginTransfer(Transfer::Upgrade)) return;
            FrmFirmwareUpgrade upgrade(
                {app_.prompt, app_.log, app_.settings, app_.store, app_.folders.userData, *link_,
                 *device, [this] { return session_->online(); },
                 [this] { return session_->firmware(); }, BeforeUpgrade()},
                this);
            // The upgrade closes the link when it has used it.
            connect(&upgrade, &FrmFirmwareUpgrade::linkFinished, this, [this] { FollowLink(); });
            upgrade.exec();
            // An upgrade that reached the module leaves what it holds unknown.
            const bool reached = upgrade.reachedModule();
            FollowLink([this, reached] {
                if (reached) session_->UpgradeEnded();
                FinishCommand();
            });
        });
    });
}

}  // namespace vx42
