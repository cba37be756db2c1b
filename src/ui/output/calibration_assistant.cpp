// The window of the calibration assistant.
#include "ui/output/calibration_assistant.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "base/numbers.h"
#include "calibration/number_format.h"
#include "ui/output/output_frame_support.h"
#include "ui/widgets/table_plot.h"

namespace vx42 {
using namespace output_frames;
namespace {

// The step buttons, as the keys step: Page Down, Down, Shift+Down, Shift+Up, Up, Page Up.
const double kSteps[6] = {
    NeedleStep(NeedleKey::PageDown, false), NeedleStep(NeedleKey::Down, false),
    NeedleStep(NeedleKey::Down, true),      NeedleStep(NeedleKey::Up, true),
    NeedleStep(NeedleKey::Up, false),       NeedleStep(NeedleKey::PageUp, false)};
constexpr const char* kStepNames[6] = {"cmdStepDown10", "cmdStepDown1", "cmdStepDown01",
                                       "cmdStepUp01",   "cmdStepUp1",   "cmdStepUp10"};

QPushButton* Button(const QString& caption, const QString& name, QWidget* parent) {
    auto* button = Named(new QPushButton(caption, parent), name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

FrmCalibrationAssistant::FrmCalibrationAssistant(Prompt& prompt, const ErrorLog& log,
                                                 LiveLink& link, OutputScope out, TableGrid grid,
                                                 StoreTable store, QWidget* parent)
    : TrappedDialog("frmCalibrationAssistant", kAssistantTitle, prompt, log, parent),
      link_(link),
      out_(out),
      grid_(grid),
      store_(std::move(store)) {
    auto* layout = new QVBoxLayout(this);
    pages_ = new QStackedWidget(this);
    pages_->addWidget(BuildChoicePage());
    pages_->addWidget(BuildMarkPage());
    pages_->addWidget(BuildReviewPage());
    layout->addWidget(pages_);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    cmdCancel = Button("Cancel", "cmdCancel", this);
    row->addWidget(cmdCancel);
    layout->addLayout(row);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    Show();
}

FrmCalibrationAssistant::~FrmCalibrationAssistant() {
    if (assistant_) assistant_->Stop();
}

QWidget* FrmCalibrationAssistant::BuildChoicePage() {
    auto* page = new QWidget(this);
    auto* g = new QGridLayout(page);
    const QString unit = Q(TableCellUnit(out_, grid_, 0, grid_ == TableGrid::Analog ? 1 : 0));
    auto* group = new QButtonGroup(page);
    optTypedMarks =
        Named(new QRadioButton(
                  "&Marks of the dial" + (unit.isEmpty() ? "" : " (" + unit + ")") + ":", page),
              "optTypedMarks");
    txtMarks = Named(new QLineEdit(page), "txtMarks");
    txtMarks->setPlaceholderText("0, 20, 40, 60, 80");
    // Room for the eight marks of a dial and more.
    txtMarks->setMinimumWidth(
        txtMarks->fontMetrics().horizontalAdvance("0, 20, 40, 60, 80, 100, 120, 140, 160, 180") +
        16);
    optKeepBreakpoints =
        Named(new QRadioButton("&Keep the current breakpoints", page), "optKeepBreakpoints");
    for (QRadioButton* option : {optTypedMarks, optKeepBreakpoints}) group->addButton(option);
    optTypedMarks->setChecked(true);
    g->addWidget(optTypedMarks, 0, 0);
    g->addWidget(txtMarks, 0, 1);
    g->addWidget(optKeepBreakpoints, 1, 0, 1, 2);
    connect(optTypedMarks, &QRadioButton::toggled, txtMarks, &QWidget::setEnabled);

    txtVoltsNow =
        Named(new QLineEdit(Q(FixedPointText(DefaultVoltsNow(out_), 2)), page), "txtVoltsNow");
    auto* fill = new QButtonGroup(page);
    optFillSame =
        Named(new QRadioButton("The &same duty cycle in every battery row", page), "optFillSame");
    optFillScaled = Named(new QRadioButton("Scaled by &battery voltage", page), "optFillScaled");
    for (QRadioButton* option : {optFillSame, optFillScaled}) fill->addButton(option);
    optFillSame->setChecked(true);
    lblFillRule = Named(new QLabel(page), "lblFillRule");
    if (grid_ == TableGrid::Analog) {
        g->addWidget(CaptionFor("Battery &voltage now (V):", page, txtVoltsNow), 2, 0);
        g->addWidget(txtVoltsNow, 2, 1);
        g->addWidget(optFillSame, 3, 0, 1, 2);
        g->addWidget(optFillScaled, 4, 0, 1, 2);
        g->addWidget(lblFillRule, 5, 0, 1, 2);
    } else {
        for (QWidget* w :
             std::initializer_list<QWidget*>{txtVoltsNow, optFillSame, optFillScaled, lblFillRule})
            w->hide();
    }
    connect(optFillScaled, &QRadioButton::toggled, this, [this] { ShowFillRule(); });
    connect(txtVoltsNow, &QLineEdit::textChanged, this, [this] { ShowFillRule(); });
    ShowFillRule();
    cmdBegin = Named(new QPushButton("&Start", page), "cmdBegin");
    cmdBegin->setDefault(true);
    g->addWidget(cmdBegin, 6, 1, Qt::AlignRight);
    g->setRowStretch(7, 1);
    connect(cmdBegin, &QPushButton::clicked, this,
            [this] { Trapped("cmdBegin", "Click", [this] { Begin(); }); });
    return page;
}

QWidget* FrmCalibrationAssistant::BuildMarkPage() {
    auto* page = new QWidget(this);
    // The page takes the keys: the buttons do not take the focus from it.
    page->setFocusPolicy(Qt::StrongFocus);
    auto* v = new QVBoxLayout(page);
    lblMark = Named(new QLabel(page), "lblMark");
    lblDrive = Named(new QLabel(page), "lblDrive");
    QFont big = lblDrive->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    lblDrive->setFont(big);
    v->addWidget(lblMark);
    v->addWidget(lblDrive);
    auto* steps = new QHBoxLayout;
    for (int k = 0; k < 6; ++k) {
        const QString caption = (kSteps[k] > 0 ? "+" : "") + Q(ShortestText(kSteps[k]));
        cmdStep[k] = Button(caption, kStepNames[k], page);
        cmdStep[k]->setFocusPolicy(Qt::NoFocus);
        steps->addWidget(cmdStep[k]);
        const double delta = kSteps[k];
        connect(cmdStep[k], &QPushButton::clicked, this, [this, k, delta] {
            Trapped(kStepNames[k], "Click",
                    [this, delta] { Forward([delta](auto& a) { a.Step(delta); }); });
        });
    }
    v->addLayout(steps);
    v->addWidget(Named(new QLabel("Arrows: 1, Page Up/Down: 10, with Shift a tenth of it. "
                                  "Enter keeps the drive.",
                                  page),
                       "lblKeys"));
    auto* moves = new QHBoxLayout;
    cmdBack = Button("&Back", "cmdBack", page);
    cmdSkip = Button("S&kip", "cmdSkip", page);
    cmdEnd = Button("&End", "cmdEnd", page);
    cmdKeep = Button("Keep", "cmdKeep", page);
    const std::pair<QPushButton*, void (CalibrationAssistant::*)()> inputs[] = {
        {cmdBack, &CalibrationAssistant::Back},
        {cmdSkip, &CalibrationAssistant::Skip},
        {cmdEnd, &CalibrationAssistant::End},
        {cmdKeep, &CalibrationAssistant::Keep}};
    for (const auto& [button, input] : inputs) {
        button->setFocusPolicy(Qt::NoFocus);
        moves->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, button, input] {
            const QByteArray name = button->objectName().toUtf8();
            Trapped(name.constData(), "Click",
                    [this, input] { Forward([input](CalibrationAssistant& a) { (a.*input)(); }); });
        });
    }
    v->addLayout(moves);
    lblKept = Named(new QLabel(page), "lblKept");
    lblKept->setWordWrap(true);
    v->addWidget(lblKept);
    return page;
}

QWidget* FrmCalibrationAssistant::BuildReviewPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    plotReview = Named(new TablePlot(page), "plotReview");
    v->addWidget(plotReview);
    const GridSize size = SizeOf(grid_);
    mshReview = Named(new QTableWidget(size.rows, size.cols, page), "mshReview");
    mshReview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mshReview->setSelectionMode(QAbstractItemView::NoSelection);
    mshReview->setFocusPolicy(Qt::NoFocus);
    mshReview->horizontalHeader()->hide();
    mshReview->verticalHeader()->hide();
    mshReview->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    mshReview->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    v->addWidget(mshReview);
    lblReviewRule = Named(new QLabel(page), "lblReviewRule");
    v->addWidget(lblReviewRule);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    cmdReviewBack = Button("&Back", "cmdReviewBack", page);
    cmdStore = Named(new QPushButton("S&tore", page), "cmdStore");
    row->addWidget(cmdReviewBack);
    row->addWidget(cmdStore);
    v->addLayout(row);
    connect(cmdReviewBack, &QPushButton::clicked, this, [this] {
        Trapped("cmdReviewBack", "Click", [this] { Forward([](auto& a) { a.Back(); }); });
    });
    connect(cmdStore, &QPushButton::clicked, this,
            [this] { Trapped("cmdStore", "Click", [this] { Store(); }); });
    return page;
}

void FrmCalibrationAssistant::ShowFillRule() {
    const BatteryFill fill =
        optFillScaled->isChecked() ? BatteryFill::ScaledByBattery : BatteryFill::SameDuty;
    lblFillRule->setText(Q(FillRuleText(fill, TypedNumber(S(txtVoltsNow->text())))));
}

void FrmCalibrationAssistant::Begin() {
    AssistantChoice choice;
    choice.grid = grid_;
    choice.keepBreakpoints = optKeepBreakpoints->isChecked();
    if (choice.keepBreakpoints) {
        choice.marks = CurrentMarks(out_, grid_);
    } else {
        auto marks = ReadMarks(S(txtMarks->text()));
        if (!marks)
            return prompt_.Message(marks.error().message, kAssistantTitle, Icon::Exclamation);
        choice.marks = std::move(*marks);
    }
    if (const auto words = ChoiceWords(out_, choice); !words)
        return prompt_.Message(words.error().message, kAssistantTitle, Icon::Exclamation);
    if (grid_ == TableGrid::Analog) {
        const std::string volts = S(txtVoltsNow->text());
        if (!AcceptTypedNumber(prompt_, volts)) return;
        choice.voltsNow = TypedNumber(volts);
        choice.fill =
            optFillScaled->isChecked() ? BatteryFill::ScaledByBattery : BatteryFill::SameDuty;
    }
    auto assistant = std::make_unique<CalibrationAssistant>(link_, out_, std::move(choice));
    if (!assistant->Start(prompt_)) return;
    assistant_ = std::move(assistant);
    Show();
}

void FrmCalibrationAssistant::Forward(const std::function<void(CalibrationAssistant&)>& input) {
    if (!assistant_) return;
    input(*assistant_);
    Show();
}

void FrmCalibrationAssistant::Store() {
    if (!assistant_) return;
    if (const auto cells = assistant_->Cells(); !cells)
        return prompt_.Message(cells.error().message, kAssistantTitle, Icon::Exclamation);
    if (store_(*assistant_)) accept();
}

void FrmCalibrationAssistant::done(int result) {
    // Every way out stops the drive: Store, Cancel, the window's close button, Escape.
    if (assistant_) assistant_->Stop();
    TrappedDialog::done(result);
}

void FrmCalibrationAssistant::keyPressEvent(QKeyEvent* event) {
    if (!assistant_ || assistant_->Reviewing()) return TrappedDialog::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Trapped("Form", "KeyDown", [this] { Forward([](auto& a) { a.Keep(); }); });
        return;
    }
    const std::pair<int, NeedleKey> keys[] = {{Qt::Key_Up, NeedleKey::Up},
                                              {Qt::Key_Down, NeedleKey::Down},
                                              {Qt::Key_PageUp, NeedleKey::PageUp},
                                              {Qt::Key_PageDown, NeedleKey::PageDown}};
    const auto key = std::find_if(std::begin(keys), std::end(keys),
                                  [event](const auto& k) { return k.first == event->key(); });
    if (key == std::end(keys)) return TrappedDialog::keyPressEvent(event);
    const double delta = NeedleStep(key->second, event->modifiers() & Qt::ShiftModifier);
    Trapped("Form", "KeyDown", [this, delta] { Forward([delta](auto& a) { a.Step(delta); }); });
}

void FrmCalibrationAssistant::FitReviewTable() {
    // The whole table in view where the screen allows, scrolling sideways where it does not.
    mshReview->resizeColumnsToContents();
    mshReview->resizeRowsToContents();
    const int frame = 2 * mshReview->frameWidth();
    const int width = mshReview->horizontalHeader()->length() + frame;
    const int room = screen() ? screen()->availableGeometry().width() - 80 : width;
    int height = mshReview->verticalHeader()->length() + frame;
    if (width > room) height += mshReview->horizontalScrollBar()->sizeHint().height();
    mshReview->setFixedSize(std::min(width, room), height);
    adjustSize();
}

QString FrmCalibrationAssistant::DriveText(double value) const {
    return Q(ShortestText(value)) + (grid_ == TableGrid::Analog ? " %" : " Hz");
}

void FrmCalibrationAssistant::Show() {
    const int page = !assistant_ ? 0 : assistant_->Reviewing() ? 2 : 1;
    pages_->setCurrentIndex(page);
    // The window as large as the page shown, not as the largest page.
    for (int k = 0; k < pages_->count(); ++k)
        pages_->widget(k)->setSizePolicy(k == page ? QSizePolicy::Preferred : QSizePolicy::Ignored,
                                         k == page ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    if (page == 1) ShowMark();
    if (page == 2) ShowReview();
    if (page == 1) pages_->currentWidget()->setFocus();
    adjustSize();
}

void FrmCalibrationAssistant::ShowMark() {
    const CalibrationAssistant& a = *assistant_;
    const QString unit = Q(TableCellUnit(out_, grid_, 0, grid_ == TableGrid::Analog ? 1 : 0));
    lblMark->setText(QString("Mark %1 of %2: %3 %4")
                         .arg(a.Mark() + 1)
                         .arg(a.MarkCount())
                         .arg(Q(ShortestText(a.choice().marks[a.Mark()])), unit)
                         .trimmed() +
                     " - move the needle onto the mark");
    lblDrive->setText("Driven at " + DriveText(a.Value()));
    QStringList kept;
    for (int k = 0; k < a.MarkCount(); ++k)
        kept << Q(ShortestText(a.choice().marks[k])) + ": " +
                    (a.Kept()[k] ? DriveText(*a.Kept()[k]) : QString("-"));
    lblKept->setText("Kept: " + kept.join(", "));
    cmdBack->setEnabled(a.Mark() > 0);
}

void FrmCalibrationAssistant::ShowReview() {
    const auto cells = assistant_->Cells();
    cmdStore->setEnabled(cells.ok());
    const CalImage preview = cells ? AssistantPreview(out_, grid_, *cells) : out_.image;
    const OutputScope after{preview, out_.ctx, out_.output};
    const TableTexts texts = GetTableTexts(after, grid_);
    for (int r = 0; r < static_cast<int>(texts.size()); ++r)
        for (int c = 0; c < static_cast<int>(texts[r].size()); ++c) {
            auto* item = new QTableWidgetItem(Q(texts[r][c]));
            // The breakpoints and battery voltages are the table's headers.
            QFont font = item->font();
            font.setBold(r == 0 || (grid_ == TableGrid::Analog && c == 0));
            item->setFont(font);
            item->setTextAlignment(Qt::AlignCenter);
            mshReview->setItem(r, c, item);
        }
    FitReviewTable();
    plotReview->setTable(AssistantReviewPlot(out_, preview, grid_, assistant_->choice()));
    const AssistantChoice& choice = assistant_->choice();
    lblReviewRule->setText(cells ? (grid_ == TableGrid::Analog
                                        ? Q(FillRuleText(choice.fill, choice.voltsNow))
                                        : QString())
                                 : Q(cells.error().message));
}

}  // namespace vx42
