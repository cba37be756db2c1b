// The page of the four output tabs.
#include "ui/output/output_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "calibration/outputs/output_settings.h"
#include "files/gauge_presets.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_data_sources.h"
#include "ui/output/output_frame_support.h"
#include "ui/output/output_function_frame.h"
#include "ui/output/output_live_calibration.h"
#include "ui/output/output_presets.h"
#include "ui/output/output_relay_rules.h"
#include "ui/output/output_tables_frame.h"
#include "ui/output/output_voltage_out.h"
#include "ui/widgets/entry_box.h"

namespace vx42 {
using namespace output_frames;

OutputPage::OutputPage(FrmMain& main, QWidget* parent)
    : QWidget(parent),
      main_(main),
      ctx_(main, *this),
      function_(std::make_unique<OutputFunctionFrame>(ctx_, *this)),
      data_(std::make_unique<OutputDataSources>(ctx_, *this)),
      live_(std::make_unique<OutputLiveCalibration>(main)),
      presets_(std::make_unique<OutputPresets>(ctx_, *this)),
      relay_(std::make_unique<OutputRelayRules>(ctx_, *this)),
      voltage_(std::make_unique<OutputVoltageOut>(ctx_, *this)),
      tables_(std::make_unique<OutputTables>(ctx_, *this, data_->messages(), *live_)) {
    setObjectName("outputPage");
    ctx_.LoadScreen = [this] { LoadScreen(); };
    ctx_.ShowTables = [this] { ShowTables(); };
    ctx_.ShowCaptions = [this](const CanDataCaptions& captions) { ShowCaptions(captions); };
    ctx_.FollowPreset = [this] { FollowPreset(); };
    ctx_.UpdateEditActions = [this] { tables_->UpdateEditActions(); };
    ctx_.SelectOutput = [this](int output) { SelectOutput(output); };
    ctx_.StopLiveCalibration = [this] { StopLiveCalibration(); };
    Build();
    Connect();
    LoadScreen();
}

OutputPage::~OutputPage() = default;

bool OutputPage::LiveCalibrationRunning() const {
    return tables_->AssistantOpen() || live_->Running();
}

void OutputPage::StopLiveCalibration() {
    tables_->CloseAssistant();
    live_->Stop();
}

void OutputPage::CommitPendingEdit() {
    tables_->CommitPendingEdit();
}
void OutputPage::Undo() {
    tables_->Undo();
}
void OutputPage::Redo() {
    tables_->Redo();
}
void OutputPage::RecordStep(std::vector<ByteChange> changes, const std::string& name) {
    tables_->RecordStep(std::move(changes), name);
}
void OutputPage::KeepHistory() {
    keptHistory_ = ctx_.history;
}
void OutputPage::PutHistoryBack() {
    if (keptHistory_) ctx_.history = *std::exchange(keptHistory_, std::nullopt);
    ctx_.UpdateEditActions();
}
void OutputPage::CopyFocused() {
    tables_->CopyFocused();
}
void OutputPage::PasteFocused() {
    tables_->PasteFocused();
}

// ---------------------------------------------------------------------------------------
// Wiring

void OutputPage::Connect() {
    function_->Connect();
    for (const LiveGauge gauge : {LiveGauge::Duty, LiveGauge::Frequency}) {
        const OutputLiveCalibration::Controls c = live_->ControlsOf(gauge);
        connect(c.calibrate, &QPushButton::clicked, this, [this, c, gauge] {
            ctx_.Handler(c.calibrate, "Click",
                         [this, gauge] { live_->Toggle(gauge, ctx_.output); });
        });
        for (const int step : {1, -1}) {
            QPushButton* button = step > 0 ? c.up : c.down;
            connect(button, &QPushButton::clicked, this, [this, button, step, gauge] {
                ctx_.Handler(button, "Click", [this, step, gauge] { live_->Adjust(gauge, step); });
            });
        }
        connect(c.value, &EntryBox::committed, this, [this, c, gauge] {
            ctx_.Handler(c.value, "KeyPress", [this, gauge] { live_->Enter(gauge); });
        });
        // Up and Down in the box step the drive as the buttons do.
        connect(c.value, &EntryBox::stepped, this, [this, c, gauge](int step) {
            ctx_.Handler(c.value, "KeyDown", [this, step, gauge] { live_->Adjust(gauge, step); });
        });
    }
    live_->Show();

    presets_->Connect();
    data_->Connect();
    relay_->Connect();
    voltage_->Connect();
    tables_->Connect();
}

// ---------------------------------------------------------------------------------------
// Loading the screen

void OutputPage::SelectOutput(int output) {
    ctx_.output = output;
    if (main_.app().mode == StartupMode::Relay &&
        FunctionOf(ctx_.Scope().FunctionFlags(), ctx_.Scope().OutputOptions()) !=
            OutputFunction::RelayControl) {
        main_.SettleLink();
        ctx_.Edit([](const OutputEdit& out) { SelectFunction(out, OutputFunction::RelayControl); });
    }
    LoadScreen();
}

void OutputPage::Reload() {
    LoadScreen();
}

void OutputPage::LoadScreen() {
    ctx_.screenLoaded = false;
    ctx_.format = data_->ShowSelection();
    ShowView(GetCalValues(ctx_.Scope()));
    FollowPreset();
    ctx_.screenLoaded = true;
}

void OutputPage::ShowView(const OutputView& v) {
    function_->Show(v);
    data_->Show(v);
    relay_->Show(v);
    voltage_->Show(v);
    tables_->Show(v);
    ShowCaptions(v.captions);
    Arrange(v);
}

void OutputPage::Arrange(const OutputView& v) {
    fraFreqTable->setVisible(v.frame == FunctionFrame::FreqTable);
    fraRelay->setVisible(v.frame == FunctionFrame::Relay);
    fraVoltageOut->setVisible(v.frame == FunctionFrame::VoltageOut);
    fraTable->setVisible(v.frame == FunctionFrame::Table);
    // The gauge's live calibration sits in whichever of its frames is shown.
    if (v.frame == FunctionFrame::VoltageOut && fraGaugeCal->parentWidget() != fraVoltageOut)
        voltage_->side->addWidget(fraGaugeCal, 0, Qt::AlignTop);
    else if (v.frame == FunctionFrame::Table && fraGaugeCal->parentWidget() != fraTable)
        tables_->gaugeSide->insertWidget(1, fraGaugeCal);
    fraGaugeCal->show();
    fraMessages->show();  // hidden while a calibration was being replaced
}

void OutputPage::ShowTables() {
    tables_->ShowTables();
    voltage_->ShowLimits();
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

void OutputPage::FollowPreset() {
    presets_->Follow(function_->Display());
}

}  // namespace vx42
