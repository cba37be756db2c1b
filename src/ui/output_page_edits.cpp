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
// Live gauge calibration and the tables' commands

void OutputPage::StopLiveCalibration() { live_->Stop(); }

void OutputPage::CommitPendingEdit() { tables_->CommitPendingEdit(); }
void OutputPage::Undo() { tables_->Undo(); }
void OutputPage::Redo() { tables_->Redo(); }
void OutputPage::CopyFocused() { tables_->CopyFocused(); }
void OutputPage::PasteFocused() { tables_->PasteFocused(); }

}  // namespace vx42
