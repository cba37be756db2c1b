// The main window's job sheet: File > Print... and File > Export Job Sheet... give the sheet
// of the calibration shown, laid out below the window, on paper or as a PDF file.

#include <QAction>
#include <QMenu>

#include "app/qt/html_printing.h"
#include "files/calibration_file.h"
#include "review/job_sheet.h"
#include "ui/main_window/frm_main.h"

namespace vx42 {

namespace {

constexpr const char* kJobSheetTitle = "Job Sheet";
constexpr const char* kPdfFilter = "PDF Document (*.pdf)|*.pdf";

}  // namespace

void FrmMain::BuildJobSheetCommands() {
    const auto actions = menuFile->actions();
    QAction* before = actions.value(actions.indexOf(menuFileExit));
    menuFilePrint = new QAction("Print...", menuFile);
    menuFilePrint->setObjectName("menuFilePrint");
    menuFileExportJobSheet = new QAction("Export Job Sheet...", menuFile);
    menuFileExportJobSheet->setObjectName("menuFileExportJobSheet");
    menuFile->insertAction(before, menuFilePrint);
    menuFile->insertAction(before, menuFileExportJobSheet);
    menuFile->insertSeparator(before);
    connect(menuFilePrint, &QAction::triggered, this,
            [this] { Trapped("menuFilePrint", "Click", [this] { PrintCommand(); }); });
    connect(menuFileExportJobSheet, &QAction::triggered, this, [this] {
        Trapped("menuFileExportJobSheet", "Click", [this] { ExportJobSheetCommand(); });
    });
}

// The sheet of the calibration shown; nothing (and a message) when there is none.
static std::optional<HtmlDocument> JobSheetOf(AppContext& app, bool fromModule,
                                              const std::string& serial,
                                              const std::string& firmware) {
    if (!app.files.HasCalibration()) {
        app.prompt.Message("Open or retrieve a calibration first: the job sheet shows it.",
                           kJobSheetTitle, Icon::Information);
        return std::nullopt;
    }
    return JobSheet(app.image, app.settings.Units,
                    WindowJobSheetHeader(app.files, fromModule, serial, firmware));
}

void FrmMain::PrintCommand() {
    FinishEditing();
    const auto sheet = JobSheetOf(app_, session_->online() || app_.files.AutoRetrieved,
                                  session_->serial(), session_->firmware());
    if (!sheet) return;
    if (app_.prompt.PrintDocument(*sheet, kJobSheetTitle) == PrintOutcome::Failed)
        app_.prompt.Message("The job sheet could not be printed: the printer could not be started.",
                            kJobSheetTitle, Icon::Exclamation);
}

void FrmMain::ExportJobSheetCommand() {
    FinishEditing();
    const auto sheet = JobSheetOf(app_, session_->online() || app_.files.AutoRetrieved,
                                  session_->serial(), session_->firmware());
    if (!sheet) return;
    const auto target =
        ChooseSaveTarget(app_.fileContext(), "Export Job Sheet",
                         JobSheetFileName(app_.files.CurrentFileName, ".pdf"), kPdfFilter, ".pdf");
    if (!target) return;
    WriteHtmlPdf(*sheet, *target, kJobSheetTitle);
    const std::string where = "The job sheet was written to:\n" + *target;
    if (app_.prompt.YesNo(where + "\n\nOpen it now?", "Export Job Sheet", Icon::Information) !=
        Answer::Yes)
        return;
    if (!app_.prompt.OpenDocument(*target))
        app_.prompt.Message("No program to show PDF documents was found. " + where,
                            "Export Job Sheet", Icon::Exclamation);
}

}  // namespace vx42
