// The main window after an upgrade: when the retrieve that follows it finds another
// calibration than the module held before, Compare shows the differences beside the question
// whether to write the calibration from before back (one step of Edit > Undo).

#include <QPointer>

#include "app/qt/qt_text.h"
#include "calibration/grid/grid_history.h"
#include "ui/dialogs/frm_compare.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_page.h"

namespace vx42 {

void FrmMain::CheckAfterUpgrade() {
    const auto before = session_->TakeUpgradeChange();
    if (!before) return;
    const std::string otherName =
        "the calibration module " + session_->serial() + " held before the upgrade";
    auto groups = CompareCalibrations(app_.image, *before, app_.settings.Units);
    std::size_t differences = 0;
    for (const GroupDifferences& g : groups) differences += g.settings.size();
    // Open beside the question, and after it for copying single settings back.
    QPointer<FrmCompare> compare =
        new FrmCompare(std::move(groups), Q(otherName), app_.prompt, app_.log, this);
    compare->setAttribute(Qt::WA_DeleteOnClose);
    connect(compare, &QDialog::accepted, this, [this, compare, image = *before, otherName] {
        if (compare)
            Trapped("frmCompare", "CopySelected",
                    [&] { CopyCompared(image, otherName, compare->Checked()); });
    });
    compare->show();

    const CalImage shownBefore = app_.image;
    const NextStep next = session_->OfferWriteBack(app_.prompt, *before, differences);
    if (next.kind != NextStep::Kind::WriteWhole) return;
    if (compare) compare->close();
    UpdateTitle();
    emit imageReplaced();
    outputPage->RecordStep(ImageChanges(shownBefore, app_.image),
                           RestoreStepName(session_->serial()));
    RefreshSelectedTab();
    RunNext(next);
}

}  // namespace vx42
