#include "ui/output_page.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

#include "calibration/outputs/output_settings.h"
#include "files/gauge_presets.h"
#include "ui/entry_box.h"
#include "ui/frm_main.h"
#include "ui/output_live_calibration.h"
#include "ui/relay_picture.h"
#include "ui/table_grid.h"
#include "ui/table_plot.h"

namespace vx42 {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

OutputPage::OutputPage(FrmMain& main, QWidget* parent)
    : QWidget(parent),
      main_(main),
      messages_(main.app().libraries),
      live_(std::make_unique<OutputLiveCalibration>(main)) {
    setObjectName("outputPage");
    Build();
    Connect();
    LoadScreen();
}

OutputPage::~OutputPage() = default;

// ---------------------------------------------------------------------------------------
// Wiring

void OutputPage::Handler(QObject* control, const char* event, const std::function<void()>& body) {
    const QByteArray name = control->objectName().toUtf8();
    main_.Trapped(name.constData(), event, body);
}

void OutputPage::Connect() {
    for (int k = 0; k < 5; ++k)
        connect(optType[k], &QRadioButton::clicked, this,
                [this, k] { Handler(optType[k], "Click", [this, k] { FunctionClicked(k); }); });
    for (int k = 0; k < 3; ++k) {
        connect(optOff[k], &QRadioButton::clicked, this,
                [this, k] { Handler(optOff[k], "Click", [this, k] { DriveClicked(true, k); }); });
        connect(optOn[k], &QRadioButton::clicked, this,
                [this, k] { Handler(optOn[k], "Click", [this, k] { DriveClicked(false, k); }); });
    }
    for (QCheckBox* box : {chkUseSecondary, chkUseSecondary1})
        connect(box, &QCheckBox::clicked, this, [this, box](bool ticked) {
            Handler(box, "Click", [this, ticked] { UseSecondaryClicked(ticked); });
        });
    connect(cmbAndOr, &QComboBox::activated, this,
            [this](int k) { Handler(cmbAndOr, "Click", [this, k] { AndOrClicked(k); }); });
    connect(chkFormatCAN, &QCheckBox::clicked, this, [this](bool ticked) {
        Handler(chkFormatCAN, "Click", [this, ticked] {
            if (!screenLoaded_) return;
            Edit([ticked](const OutputEdit& out) { StoreShowFormatted(out, ticked); });
            history_.Clear();  // the breakpoints' texts change their meaning
            LoadScreen();
        });
    });

    // Text boxes: commit on Enter, colour silently on every change.
    auto enter = [this](EntryBox* box, std::function<std::string(const OutputEdit&, const std::string&)> store,
                        std::function<void()> after = {}) {
        connect(box, &EntryBox::committed, this, [this, box, store, after] {
            Handler(box, "KeyPress", [this, box, store, after] {
                std::string shown;
                Edit([&](const OutputEdit& out) { shown = store(out, S(box->text())); });
                box->setText(Q(shown));
                if (after) after();
            });
        });
    };
    auto colour = [this](EntryBox* box, std::function<DataRange()> range) {
        connect(box, &QLineEdit::textChanged, this, [this, box, range](const QString& text) {
            Handler(box, "Change", [box, range, text] {
                const DataRange r = range();
                box->setOutOfRange(ColourTextBox(S(text), r.minimum, r.maximum) == TextColour::Red);
            });
        });
    };

    enter(txtPeriod, [](const OutputEdit& out, const std::string& t) { return StorePeriod(out, t); },
          [this] {
              history_.Clear();  // the duty cells now read against another period
              ShowTables();
              for (int i = 0; i < 2; ++i) txtVoltOutDuty[i]->setText(Q(VoltOutDutyText(Scope(), i)));
              FollowPreset();
          });
    colour(txtPeriod, [this] {
        const PeriodRule rule = PeriodRuleOf(Scope().FunctionFlags());
        return DataRange{rule.minimum, rule.maximum};
    });
    enter(txtOutputName,
          [](const OutputEdit& out, const std::string& t) { return StoreOutputName(out, t); },
          [this] { FollowPreset(); });

    for (int i = 0; i < 2; ++i) {
        enter(txtTimoutTimer[i],
              [i](const OutputEdit& out, const std::string& t) { return StoreTimeout(out, i, t); });
        colour(txtTimoutTimer[i], [] { return DataRange{0, kTimeoutMax}; });
        enter(txtDataOnTimeout[i],
              [i](const OutputEdit& out, const std::string& t) { return StoreDataOnTimeout(out, i, t); });
        colour(txtDataOnTimeout[i], [this, i] { return Scope().Range(i); });
        enter(txtSamplePeriod[i],
              [i](const OutputEdit& out, const std::string& t) { return StoreSamplePeriod(out, i, t); });
        colour(txtSamplePeriod[i], [] { return DataRange{kSamplePeriodMin, kSamplePeriodMax}; });
        enter(txtAverageLength[i],
              [i](const OutputEdit& out, const std::string& t) { return StoreFilterSize(out, i, t); });
        colour(txtAverageLength[i], [] { return DataRange{kFilterSizeMin, kFilterSizeMax}; });

        const std::array<std::array<EntryBox*, 2>*, 4> points = {&txtOnA, &txtOffA, &txtOnB, &txtOffB};
        for (int p = 0; p < 4; ++p) {
            EntryBox* box = (*points[p])[i];
            const auto point = static_cast<SwitchPoint>(p);
            enter(box, [i, point](const OutputEdit& out, const std::string& t) {
                return StoreSwitchPoint(out, i, point, t);
            }, [this, i] { RecolourSwitchPoints(i); });
            connect(box, &QLineEdit::textChanged, this, [this, box, i] {
                Handler(box, "Change", [this, i] { RecolourSwitchPoints(i); });
            });
        }

        enter(txtVoltOutDuty[i],
              [this, i](const OutputEdit& out, const std::string& t) {
                  return StoreVoltOutDuty(out, i, t, main_.app().prompt);
              },
              [this] { ShowTables(); FollowPreset(); });
        colour(txtVoltOutDuty[i], [] { return DataRange{0, 100}; });
        enter(txtVoltOutData[i],
              [this, i](const OutputEdit& out, const std::string& t) {
                  return StoreVoltOutData(out, i, t, main_.app().prompt);
              },
              [this] { ShowTables(); FollowPreset(); });
        colour(txtVoltOutData[i], [this] { return Scope().Range(0); });

        connect(cmbOptions[i], &QComboBox::activated, this, [this, i](int k) {
            Handler(cmbOptions[i], "Click", [this, i, k] { SwitchFunctionClicked(i, k); });
        });
        connect(cmbLibrary[i], &QComboBox::activated, this, [this, i](int k) {
            Handler(cmbLibrary[i], "Click", [this, i, k] { LibraryClicked(i, k); });
        });
        connect(cmbMessage[i], &QComboBox::activated, this, [this, i](int k) {
            Handler(cmbMessage[i], "Click", [this, i, k] { MessageClicked(i, k); });
        });
    }

    for (QPushButton* button : {cmdSetBreakpoints, cmdSetBreakpointsFreq})
        connect(button, &QPushButton::clicked, this, [this, button] {
            Handler(button, "Click", [this] {
                main_.SettleLink();
                bool stored = false;
                Edit([&](const OutputEdit& out) {
                    stored = SetBreakpointsToMessageRange(out, messages_.PrimaryBitLength(),
                                                          main_.app().prompt);
                });
                if (!stored) return;
                ShowTables();
                ShowCaptions(CanDataCaptionsOf(Scope()));
                FollowPreset();
            });
        });

    connect(cmdCalibrate, &QPushButton::clicked, this,
            [this] { Handler(cmdCalibrate, "Click", [this] { live_->Toggle(LiveGauge::Duty, output_); }); });
    connect(cmdCalibrateSpeed, &QPushButton::clicked, this,
            [this] { Handler(cmdCalibrateSpeed, "Click", [this] { live_->Toggle(LiveGauge::Frequency, output_); }); });
    connect(cmdUp, &QPushButton::clicked, this, [this] { Handler(cmdUp, "Click", [this] { live_->Adjust(LiveGauge::Duty, 1); }); });
    connect(cmdDown, &QPushButton::clicked, this, [this] { Handler(cmdDown, "Click", [this] { live_->Adjust(LiveGauge::Duty, -1); }); });
    connect(cmdUpSpeed, &QPushButton::clicked, this, [this] { Handler(cmdUpSpeed, "Click", [this] { live_->Adjust(LiveGauge::Frequency, 1); }); });
    connect(cmdDownSpeed, &QPushButton::clicked, this, [this] { Handler(cmdDownSpeed, "Click", [this] { live_->Adjust(LiveGauge::Frequency, -1); }); });
    connect(txtDutyCycle, &EntryBox::committed, this,
            [this] { Handler(txtDutyCycle, "KeyPress", [this] { live_->Enter(LiveGauge::Duty); }); });
    connect(txtDutyCycleSpeed, &EntryBox::committed, this,
            [this] { Handler(txtDutyCycleSpeed, "KeyPress", [this] { live_->Enter(LiveGauge::Frequency); }); });
    live_->Show();

    connect(cmbPresets, &QComboBox::activated, this,
            [this](int k) { Handler(cmbPresets, "Click", [this, k] { ApplyPresetEntry(k); }); });

    for (TableGridWidget* grid : {mshAnalogTable, mshFreqTable}) {
        const TableGrid kind = grid->grid();
        grid->setCommitCell([this, grid, kind](int row, int col, const std::string& text) {
            std::string shown = grid->cellText(row, col);
            Handler(grid->editor(), "KeyDown", [&] { shown = CommitCell(kind, row, col, text); });
            return shown;
        });
        grid->setCommitTable([this, grid, kind](const std::vector<CellChange>& cells) {
            Handler(grid, "KeyDown", [&] { CommitTable(kind, cells); });
        });
        grid->setLimits([this, kind](const CellRange& cells) {
            const DataRange range =
                TableLimits(Scope(), kind, cells.top, cells.left, cells.bottom, cells.right);
            return GridLimits{range.minimum, range.maximum};
        });
        connect(grid, &TableGridWidget::undoRequested, this,
                [this, grid] { Handler(grid, "KeyDown", [this] { Undo(); }); });
        connect(grid, &TableGridWidget::redoRequested, this,
                [this, grid] { Handler(grid, "KeyDown", [this] { Redo(); }); });
        connect(grid, &TableGridWidget::menuRequested, this, [this, grid](const QPoint& at) {
            Handler(grid, "MouseDown", [this, grid, at] {
                menuTarget_ = grid;
                mEditFlexGrid->popup(at);
            });
        });
    }

    connect(&main_, &FrmMain::imageReplaced, this, [this] { history_.Clear(); UpdateEditActions(); });
}

// ---------------------------------------------------------------------------------------
// Loading the screen

OutputScope OutputPage::Scope() const { return {main_.app().image, ctx_, output_}; }

void OutputPage::Edit(const std::function<void(const OutputEdit&)>& body) {
    EditTarget target = main_.edit();
    const OutputEdit out{target, ctx_, output_};
    body(out);
    main_.UpdateTitle();
}

void OutputPage::SelectOutput(int output) {
    output_ = output;
    if (main_.app().mode == StartupMode::Relay &&
        FunctionOf(Scope().FunctionFlags(), Scope().OutputOptions()) != OutputFunction::RelayControl) {
        main_.SettleLink();
        Edit([](const OutputEdit& out) { SelectFunction(out, OutputFunction::RelayControl); });
    }
    LoadScreen();
}

void OutputPage::Reload() {
    history_.Clear();
    UpdateEditActions();
    LoadScreen();
}

void OutputPage::FillLibraryLists() {
    listFilling_ = true;
    messages_.Rebuild();
    for (int i = 0; i < 2; ++i) {
        cmbLibrary[i]->clear();
        for (const std::string& item : messages_.LibraryItems()) cmbLibrary[i]->addItem(Q(item));
        cmbLibrary[i]->setCurrentIndex(0);
    }
    listFilling_ = false;
}

void OutputPage::FillMessageList(int i) {
    listFilling_ = true;
    cmbMessage[i]->clear();
    for (const std::string& item : messages_.MessageItems(i)) cmbMessage[i]->addItem(Q(item));
    cmbMessage[i]->setCurrentIndex(messages_.MessagePosition(i));
    listFilling_ = false;
}

void OutputPage::LoadScreen() {
    screenLoaded_ = false;
    // Every load starts from "None", so an output without a stored message never shows
    // (or formats with) the message of the output shown before it.
    FillLibraryLists();
    for (int i = 0; i < 2; ++i) {
        messages_.ShowMessageSelection(main_.app().image, output_, i);
        cmbLibrary[i]->setCurrentIndex(messages_.LibraryPosition(i));
        FillMessageList(i);
    }
    ctx_ = messages_.Format(main_.app().settings.Units);
    ShowView(GetCalValues(Scope()));
    FollowPreset();
    screenLoaded_ = true;
}

void OutputPage::ShowView(const OutputView& v) {
    optType[static_cast<int>(v.function)]->setChecked(true);
    optOff[static_cast<int>(v.drive.off)]->setChecked(true);
    optOn[static_cast<int>(v.drive.on)]->setChecked(true);
    txtOutputName->setText(Q(v.outputName));
    chkFormatCAN->setChecked(v.showFormatted);
    chkUseSecondary->setChecked(v.useSecondary);
    chkUseSecondary1->setChecked(v.useSecondary);
    if (v.andOr) cmbAndOr->setCurrentIndex(static_cast<int>(*v.andOr));
    txtPeriod->setText(Q(v.period));
    for (int i = 0; i < 2; ++i) {
        const DataSourceView& d = v.data[i];
        txtTimoutTimer[i]->setText(Q(d.timeout));
        txtAverageLength[i]->setText(Q(d.averageLength));
        txtSamplePeriod[i]->setText(Q(d.samplePeriod));
        txtDataOnTimeout[i]->setText(Q(d.dataOnTimeout));
        txtVoltOutDuty[i]->setText(Q(d.voltOutDuty));
        txtVoltOutData[i]->setText(Q(d.voltOutData));
        txtTimoutTimer[i]->setEnabled(d.slotSettingsEnabled);
        txtDataOnTimeout[i]->setEnabled(d.slotSettingsEnabled);
        cmbOptions[i]->setCurrentIndex(static_cast<int>(d.switchFunction));
        picRelay[i]->setFunction(d.switchFunction);
        const std::array<EntryBox*, 4> boxes = {txtOnA[i], txtOffA[i], txtOnB[i], txtOffB[i]};
        for (int p = 0; p < 4; ++p) boxes[p]->setText(Q(d.switchPoints[p]));
        RecolourSwitchPoints(i);
        for (QWidget* w : {static_cast<QWidget*>(txtOnB[i]), static_cast<QWidget*>(txtOffB[i]),
                           static_cast<QWidget*>(lblOnB[i]), static_cast<QWidget*>(lblOffB[i])})
            w->setVisible(d.bPointsShown);
    }
    mshAnalogTable->setTable(v.analogTable, GetTableValues(Scope(), TableGrid::Analog));
    mshFreqTable->setTable(v.freqTable, GetTableValues(Scope(), TableGrid::Freq));
    plotAnalogTable->setTable(TableGrid::Analog, v.analogTable);
    plotFreqTable->setTable(TableGrid::Freq, v.freqTable);
    ShowCaptions(v.captions);
    Arrange(v);
}

void OutputPage::Arrange(const OutputView& v) {
    lblOutSetting->setText(Q(v.periodLabel));
    chkUseSecondary->setText(Q(v.useSecondaryCaption));
    chkUseSecondary1->setText(Q(v.useSecondaryCaption));
    fraFreqTable->setVisible(v.frame == FunctionFrame::FreqTable);
    fraRelay->setVisible(v.frame == FunctionFrame::Relay);
    fraVoltageOut->setVisible(v.frame == FunctionFrame::VoltageOut);
    fraTable->setVisible(v.frame == FunctionFrame::Table);
    // The gauge's live calibration sits in whichever of its frames is shown.
    if (v.frame == FunctionFrame::VoltageOut && fraGaugeCal->parentWidget() != fraVoltageOut)
        voltageSide_->addWidget(fraGaugeCal, 0, Qt::AlignTop);
    else if (v.frame == FunctionFrame::Table && fraGaugeCal->parentWidget() != fraTable)
        tableSide_->insertWidget(1, fraGaugeCal);
    fraGaugeCal->show();
    fraMessages->show();  // hidden while a calibration was being replaced
    const bool relayMode = main_.app().mode == StartupMode::Relay;
    for (int k = 0; k < 5; ++k)
        optType[k]->setEnabled(!relayMode || k == static_cast<int>(OutputFunction::RelayControl));
}

void OutputPage::ShowTables() {
    const OutputScope out = Scope();
    const TableTexts analog = GetTableTexts(out, TableGrid::Analog);
    const TableTexts freq = GetTableTexts(out, TableGrid::Freq);
    mshAnalogTable->setTable(analog, GetTableValues(out, TableGrid::Analog));
    mshFreqTable->setTable(freq, GetTableValues(out, TableGrid::Freq));
    plotAnalogTable->setTable(TableGrid::Analog, analog);
    plotFreqTable->setTable(TableGrid::Freq, freq);
    for (int i = 0; i < 2; ++i) {
        txtVoltOutDuty[i]->setText(Q(VoltOutDutyText(out, i)));
        txtVoltOutData[i]->setText(Q(VoltOutDataText(out, i)));
    }
}

void OutputPage::ShowCaptions(const CanDataCaptions& captions) {
    for (QLabel* l : lblDataStat) l->setText(Q(captions.caption));
    for (int i = 0; i < 2; ++i) {
        const QString unit = "(" + Q(captions.units[i]) + ")";
        lblMessUnit[i]->setText(unit);
        lblRelayUnit[i]->setText(unit);
        lblDataUnit[i]->setText("(" + Q(captions.units[0]) + ")");
    }
}

void OutputPage::RecolourSwitchPoints(int i) {
    const std::array<EntryBox*, 4> boxes = {txtOnA[i], txtOffA[i], txtOnB[i], txtOffB[i]};
    std::array<std::string, 4> texts;
    for (int p = 0; p < 4; ++p) texts[p] = S(boxes[p]->text());
    const auto colours = SwitchPointColours(Scope(), i, texts);
    for (int p = 0; p < 4; ++p) boxes[p]->setOutOfRange(colours[p] == TextColour::Red);
}

void OutputPage::FollowPreset() {
    if (!fraPresets->isVisibleTo(this) && main_.app().mode == StartupMode::Relay) return;
    OutputDisplay display;
    display.periodText = S(txtPeriod->text());
    for (int k = 0; k < 5; ++k)
        if (optType[k]->isChecked()) display.function = k;
    for (int k = 0; k < 3; ++k) {
        if (optOn[k]->isChecked()) display.on = k;
        if (optOff[k]->isChecked()) display.off = k;
    }
    presetsChanging_ = true;
    cmbPresets->setCurrentIndex(
        SelectMatchingPreset(main_.app().presets, main_.app().image, output_, display));
    presetsChanging_ = false;
}

}  // namespace vx42
