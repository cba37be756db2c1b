// The output page's handlers: function and drive, the tables and their commands, live gauge calibration.
#include "ui/output_page.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

#include "calibration/outputs/output_settings.h"
#include "files/gauge_presets.h"
#include "ui/entry_box.h"
#include "ui/frm_main.h"
#include "ui/output_frame_support.h"
#include "ui/output_live_calibration.h"
#include "ui/output_tables_frame.h"
#include "ui/table_grid.h"

namespace vx42 {
using namespace output_frames;

// ---------------------------------------------------------------------------------------
// Function and drive

void OutputPage::FunctionClicked(int index) {
    if (!ctx_.screenLoaded) return;
    StopLiveCalibration();  // the gauge it drove is no longer this output's function
    main_.SettleLink();
    ctx_.Edit([index](const OutputEdit& out) { SelectFunction(out, static_cast<OutputFunction>(index)); });
    ctx_.history.Clear();
    ctx_.UpdateEditActions();
    LoadScreen();
}

void OutputPage::DriveClicked(bool offGroup, int index) {
    if (!ctx_.screenLoaded) return;
    main_.SettleLink();
    auto checked = [](const std::array<QRadioButton*, 3>& group) {
        for (int k = 0; k < 3; ++k)
            if (group[k]->isChecked() && group[k]) return static_cast<Drive>(k);
        return Drive::Open;
    };
    DriveStates states{};
    ctx_.Edit([&](const OutputEdit& out) {
        states = offGroup ? StoreDriveOff(out, static_cast<Drive>(index), checked(optOn))
                          : StoreDriveOn(out, static_cast<Drive>(index), checked(optOff));
    });
    optOff[static_cast<int>(states.off)]->setChecked(true);
    optOn[static_cast<int>(states.on)]->setChecked(true);
    FollowPreset();
}

// ---------------------------------------------------------------------------------------
// Live gauge calibration and the tables' commands

void OutputPage::StopLiveCalibration() { live_->Stop(); }

void OutputPage::CommitPendingEdit() { tables_->CommitPendingEdit(); }
void OutputPage::Undo() { tables_->Undo(); }
void OutputPage::Redo() { tables_->Redo(); }
void OutputPage::CopyFocused() { tables_->CopyFocused(); }
void OutputPage::PasteFocused() { tables_->PasteFocused(); }

}  // namespace vx42
