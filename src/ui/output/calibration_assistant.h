#pragma once
// "Calibrate Gauge": the window of the calibration assistant over one table of an output. Its
// three pages follow the sequence: the marks (and for an analog gauge the battery voltage now
// and the fill of the other rows), each mark in turn with the gauge driven live, and the
// review, the kept curve over the current one and the table as it will be stored. The window
// only shows the assistant's state and forwards the installer's input; the store itself is
// the caller's. Every way the window closes stops live calibration.

#include <functional>
#include <memory>

#include "calibration/outputs/calibration_assistant.h"
#include "ui/widgets/dialog_support.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableWidget;

namespace vx42 {

class TablePlot;

class FrmCalibrationAssistant : public TrappedDialog {
    Q_OBJECT
  public:
    // Stores what the assistant kept; true when the table was stored (the window closes).
    using StoreTable = std::function<bool(CalibrationAssistant&)>;

    FrmCalibrationAssistant(Prompt& prompt, const ErrorLog& log, LiveLink& link, OutputScope out,
                            TableGrid grid, StoreTable store, QWidget* parent);
    ~FrmCalibrationAssistant() override;

    // The sequence once started (nothing on the first page).
    const CalibrationAssistant* assistant() const { return assistant_.get(); }

    // The first page: the marks.
    QRadioButton* optTypedMarks = nullptr;
    QRadioButton* optKeepBreakpoints = nullptr;
    QLineEdit* txtMarks = nullptr;
    QLineEdit* txtVoltsNow = nullptr;
    QRadioButton* optFillSame = nullptr;
    QRadioButton* optFillScaled = nullptr;
    QLabel* lblFillRule = nullptr;
    QPushButton* cmdBegin = nullptr;
    // The second page: one mark.
    QLabel* lblMark = nullptr;
    QLabel* lblDrive = nullptr;
    QLabel* lblKept = nullptr;
    QPushButton* cmdStep[6] = {};  // -10, -1, -0.1, +0.1, +1, +10
    QPushButton* cmdKeep = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdSkip = nullptr;
    QPushButton* cmdEnd = nullptr;
    // The third page: the review.
    TablePlot* plotReview = nullptr;
    QTableWidget* mshReview = nullptr;
    QLabel* lblReviewRule = nullptr;
    QPushButton* cmdReviewBack = nullptr;
    QPushButton* cmdStore = nullptr;
    QPushButton* cmdCancel = nullptr;

    void done(int result) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QWidget* BuildChoicePage();
    QWidget* BuildMarkPage();
    QWidget* BuildReviewPage();
    void Begin();
    void Store();
    void Forward(const std::function<void(CalibrationAssistant&)>& input);
    void ShowFillRule();
    void Show();
    void ShowMark();
    void ShowReview();
    void FitReviewTable();
    QString DriveText(double value) const;

    LiveLink& link_;
    OutputScope out_;
    TableGrid grid_;
    StoreTable store_;
    std::unique_ptr<CalibrationAssistant> assistant_;
    QStackedWidget* pages_ = nullptr;
};

}  // namespace vx42
