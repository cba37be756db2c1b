#include "ui/output_page.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
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
#include "ui/relay_picture.h"
#include "ui/table_grid.h"
#include "ui/table_plot.h"

namespace vx42 {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

QString Indexed(const char* name, int i) { return QString("%1_%2").arg(name).arg(i); }

template <typename W>
W* Named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

QLabel* Caption(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

// Close spacing inside a frame, so that the page fits a laptop's screen.
template <typename L>
L* Tight(L* layout) {
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(4);
    return layout;
}

// A number box as wide as its longest number, not as wide as a line of text.
EntryBox* NumberBox(EntryBox* box) {
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance("-000000.000") + 12);
    return box;
}

// The live gauge calibration frame: start/stop, the value, down and up. The controls of the
// speedo/tach frame carry the suffix "Speed".
struct LiveControls {
    QGroupBox* frame;
    QPushButton* calibrate;
    QPushButton* up;
    QPushButton* down;
    EntryBox* value;
};

LiveControls BuildLiveControls(QWidget* parent, const QString& frameName, const QString& suffix,
                               const QString& valueCaption) {
    LiveControls c;
    c.frame = Named(new QGroupBox("Live Gauge Calibration", parent), frameName);
    c.frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* g = Tight(new QGridLayout(c.frame));
    c.calibrate = Named(new QPushButton(kStartCalibrateCaption, c.frame), "cmdCalibrate" + suffix);
    c.up = Named(new QPushButton("Up", c.frame), "cmdUp" + suffix);
    c.down = Named(new QPushButton("Down", c.frame), "cmdDown" + suffix);
    c.value = Named(new EntryBox(c.frame), "txtDutyCycle" + suffix);
    // One line: start, the value and its two steps.
    g->addWidget(c.calibrate, 0, 0);
    g->addWidget(Caption(valueCaption, c.frame), 0, 1);
    g->addWidget(c.value, 0, 2);
    g->addWidget(c.down, 0, 3);
    g->addWidget(c.up, 0, 4);
    c.value->setMaximumWidth(c.value->fontMetrics().horizontalAdvance("00000.0") + 16);
    return c;
}

TableKind KindOf(TableGrid grid) {
    return grid == TableGrid::Analog ? TableKind::Analog : TableKind::Frequency;
}
TableGrid GridOfKind(TableKind kind) {
    return kind == TableKind::Analog ? TableGrid::Analog : TableGrid::Freq;
}

// The wait cursor for the life of the object.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

// Live calibration's link: the writes go to the link's thread, which tries each one up to
// five times; the window never waits for them.
class OutputPage::LiveAdapter : public LiveLink {
public:
    explicit LiveAdapter(FrmMain& main) : main_(main) {}
    bool Online() const override { return main_.online(); }
    void SettleLink() override { main_.SettleLink(); }
    bool WriteByte(int address, std::uint8_t value) override {
        main_.PostLiveWrite(address, value);
        return true;
    }
    void PauseBeforeRetry() override {}

private:
    FrmMain& main_;
};

OutputPage::OutputPage(FrmMain& main, QWidget* parent)
    : QWidget(parent),
      main_(main),
      messages_(main.app().libraries),
      liveLink_(std::make_unique<LiveAdapter>(main)),
      liveDuty_(std::make_unique<LiveCalibration>(*liveLink_, LiveGauge::Duty)),
      liveSpeed_(std::make_unique<LiveCalibration>(*liveLink_, LiveGauge::Frequency)) {
    setObjectName("outputPage");
    Build();
    Connect();
    LoadScreen();
}

OutputPage::~OutputPage() = default;

// ---------------------------------------------------------------------------------------
// Building the page

void OutputPage::Build() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    // The output's function, state, settings and presets beside its two CAN data sources
    // (in `fraMessages`), so that the page fits a laptop's screen.
    auto* topRow = new QHBoxLayout;
    topRow->addWidget(BuildTopRow());
    fraMessages = Named(new QWidget(this), "fraMessages");
    auto* dataRow = new QHBoxLayout(fraMessages);
    dataRow->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 2; ++i) dataRow->addWidget(BuildDataFrame(i), 1);
    topRow->addWidget(fraMessages, 2);
    layout->addLayout(topRow);

    {
        const LiveControls live =
            BuildLiveControls(this, "fraGaugeCal", "", "Duty Cycle (%)");
        fraGaugeCal = live.frame;
        cmdCalibrate = live.calibrate;
        cmdUp = live.up;
        cmdDown = live.down;
        txtDutyCycle = live.value;
    }

    layout->addWidget(BuildRelayFrame(), 1);
    layout->addWidget(BuildVoltageOutFrame(), 1);
    layout->addWidget(BuildTableFrame(TableGrid::Analog), 1);
    layout->addWidget(BuildTableFrame(TableGrid::Freq), 1);
    layout->addStretch(0);
    BuildGridMenu();
    KeepSizesSteady();
}

// The window takes its size once, when a calibration is first shown: what changes with the
// output shown (captions, the relay's second switch points, where the live calibration
// sits) keeps the frames' sizes, so no tab needs more room than the first one.
void OutputPage::KeepSizesSteady() {
    int label = 0, check = 0;
    const QString useSecondary = chkUseSecondary->text();
    for (int flags = 0; flags < 256; ++flags) {
        const auto f = static_cast<std::uint8_t>(flags);
        label = std::max(label,
                         lblOutSetting->fontMetrics().horizontalAdvance(PeriodRuleOf(f).label));
        chkUseSecondary->setText(Q(UseSecondaryCaption(f)));
        check = std::max(check, chkUseSecondary->sizeHint().width());
    }
    chkUseSecondary->setText(useSecondary);
    lblOutSetting->setMinimumWidth(label);
    chkUseSecondary->setMinimumWidth(check);
    chkUseSecondary1->setMinimumWidth(check);
    for (int i = 0; i < 2; ++i)
        for (QWidget* w : {static_cast<QWidget*>(txtOnB[i]), static_cast<QWidget*>(txtOffB[i]),
                           static_cast<QWidget*>(lblOnB[i]), static_cast<QWidget*>(lblOffB[i])}) {
            QSizePolicy policy = w->sizePolicy();
            policy.setRetainSizeWhenHidden(true);
            w->setSizePolicy(policy);
        }
    tableSide_->addStrut(fraGaugeCal->sizeHint().height());
}

QSize OutputPage::sizeHint() const {
    QSize hint = QWidget::sizeHint();
    QSize shown(0, 0), largest(0, 0);
    for (const QWidget* frame : {fraRelay, fraVoltageOut, fraTable, fraFreqTable}) {
        if (!frame) continue;
        if (!frame->isHidden()) shown = shown.expandedTo(frame->sizeHint());
        largest = largest.expandedTo(frame->sizeHint());
    }
    if (shown.isNull()) largest.rheight() += layout()->spacing();
    return {std::max(hint.width(), largest.width() + 8),
            hint.height() + largest.height() - shown.height()};
}

QWidget* OutputPage::BuildTopRow() {
    auto* row = new QWidget(this);
    auto* frames = new QGridLayout(row);  // function over state, settings over presets
    frames->setContentsMargins(0, 0, 0, 0);

    auto* fraFunction = Named(new QGroupBox("Output Function", row), "fraFunction");
    auto* fv = new QGridLayout(fraFunction);
    for (int i = 0; i < 5; ++i) {
        optType[i] = Named(new QRadioButton(kFunctionCaptions[i], fraFunction), Indexed("optType", i));
        fv->addWidget(optType[i], i % 3, i / 3);
    }
    frames->addWidget(fraFunction, 0, 0);

    auto* fraState = Named(new QGroupBox("Output State", row), "fraOutputState");
    auto* sg = new QGridLayout(fraState);
    auto* offBox = new QWidget(fraState);  // each column is its own exclusive group
    auto* onBox = new QWidget(fraState);
    auto* offCol = new QVBoxLayout(offBox);
    auto* onCol = new QVBoxLayout(onBox);
    offCol->setContentsMargins(0, 0, 0, 0);
    onCol->setContentsMargins(0, 0, 0, 0);
    offCol->addWidget(Caption("<b>Off</b>", offBox));
    onCol->addWidget(Caption("<b>On</b>", onBox));
    for (int i = 0; i < 3; ++i) {
        optOff[i] = Named(new QRadioButton(kDriveCaptions[i], offBox), Indexed("optOff", i));
        optOn[i] = Named(new QRadioButton(kDriveCaptions[i], onBox), Indexed("optOn", i));
        offCol->addWidget(optOff[i]);
        onCol->addWidget(optOn[i]);
    }
    sg->addWidget(offBox, 0, 0);
    sg->addWidget(onBox, 0, 1);
    frames->addWidget(fraState, 1, 0);

    auto* settings = new QGroupBox("Output Settings", row);
    auto* g = new QGridLayout(settings);
    g->addWidget(Caption("Output Name", settings), 0, 0);
    txtOutputName = Named(new EntryBox(settings), "txtOutputName");
    txtOutputName->setMaxLength(24);
    g->addWidget(txtOutputName, 0, 1);
    lblOutSetting = Named(Caption("Frequency (hz)", settings), "lblOutSetting");
    g->addWidget(lblOutSetting, 1, 0);
    txtPeriod = Named(new EntryBox(settings), "txtPeriod");
    g->addWidget(txtPeriod, 1, 1);
    chkFormatCAN = Named(new QCheckBox("Show formatted CAN data", settings), "chkFormatCAN");
    g->addWidget(chkFormatCAN, 2, 0, 1, 2);
    g->setColumnStretch(1, 1);
    frames->addWidget(settings, 0, 1);

    fraPresets = Named(new QGroupBox("Gauge Presets", row), "fraPresets");
    auto* pv = new QVBoxLayout(fraPresets);
    cmbPresets = Named(new QComboBox(fraPresets), "cmbPresets");
    cmbPresets->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbPresets->setMinimumContentsLength(18);
    for (const std::string& entry : FillPresetList(main_.app().presets)) cmbPresets->addItem(Q(entry));
    cmbPresets->setCurrentIndex(0);
    pv->addWidget(cmbPresets);
    pv->addStretch(1);
    fraPresets->setVisible(main_.app().mode != StartupMode::Relay);
    frames->addWidget(fraPresets, 1, 1);
    frames->setRowStretch(2, 1);
    return row;
}

QGroupBox* OutputPage::BuildDataFrame(int i) {
    auto* frame = Named(new QGroupBox(i == 0 ? "Primary CAN Data" : " Secondary CAN Data", fraMessages),
                        Indexed("fraData", i));
    fraData[i] = frame;
    auto* g = Tight(new QGridLayout(frame));
    int row = 0;
    if (i == 1) {
        chkUseSecondary = Named(new QCheckBox("Use secondary data on timeout", frame), "chkUseSecondary");
        g->addWidget(chkUseSecondary, row++, 0, 1, 3);
    }
    cmbLibrary[i] = Named(new QComboBox(frame), Indexed("cmbLibrary", i));
    cmbMessage[i] = Named(new QComboBox(frame), Indexed("cmbMessage", i));
    for (QComboBox* c : {cmbLibrary[i], cmbMessage[i]}) {
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(16);
    }
    g->addWidget(Caption("CAN Library", frame), row, 0);
    g->addWidget(cmbLibrary[i], row++, 1, 1, 2);
    g->addWidget(Caption("CAN Data", frame), row, 0);
    g->addWidget(cmbMessage[i], row++, 1, 1, 2);
    txtTimoutTimer[i] = NumberBox(Named(new EntryBox(frame), Indexed("txtTimoutTimer", i)));
    g->addWidget(Caption("Timeout", frame), row, 0);
    g->addWidget(txtTimoutTimer[i], row, 1);
    g->addWidget(Caption("(ms)", frame), row++, 2);
    txtDataOnTimeout[i] = NumberBox(Named(new EntryBox(frame), Indexed("txtDataOnTimeout", i)));
    lblMessUnit[i] = Named(Caption("(Raw)", frame), Indexed("lblMessUnit", i));
    g->addWidget(Caption("Data On Timeout", frame), row, 0);
    g->addWidget(txtDataOnTimeout[i], row, 1);
    g->addWidget(lblMessUnit[i], row++, 2);

    auto* filter = Named(new QGroupBox(i == 0 ? "Primary Data Filter" : "Secondary Data Filter", frame),
                         Indexed("fraFilter", i));
    auto* fg = Tight(new QGridLayout(filter));
    txtSamplePeriod[i] = NumberBox(Named(new EntryBox(filter), Indexed("txtSamplePeriod", i)));
    txtAverageLength[i] = NumberBox(Named(new EntryBox(filter), Indexed("txtAverageLength", i)));
    fg->addWidget(Caption("Sample Period", filter), 0, 0);
    fg->addWidget(txtSamplePeriod[i], 0, 1);
    fg->addWidget(Caption("(ms)", filter), 0, 2);
    fg->addWidget(Caption("Filter Size", filter), 1, 0);
    fg->addWidget(txtAverageLength[i], 1, 1);
    fg->addWidget(Caption("(# of samples)", filter), 1, 2);
    g->addWidget(filter, row++, 0, 1, 3);
    g->setColumnStretch(1, 1);
    g->setRowStretch(row, 1);
    return frame;
}

QGroupBox* OutputPage::BuildRelayFrame() {
    fraRelay = Named(new QGroupBox("Relay Control", this), "fraRelay");
    auto* v = new QVBoxLayout(fraRelay);
    auto* combine = new QHBoxLayout;
    chkUseSecondary1 =
        Named(new QCheckBox("Use primary and secondary data", fraRelay), "chkUseSecondary1");
    cmbAndOr = Named(new QComboBox(fraRelay), "cmbAndOr");
    for (const char* c : kAndOrCaptions) cmbAndOr->addItem(c);
    combine->addWidget(chkUseSecondary1);
    combine->addWidget(cmbAndOr);
    combine->addStretch(1);
    v->addLayout(combine);

    auto* columns = new QHBoxLayout;
    for (int i = 0; i < 2; ++i) {
        auto* box = new QGroupBox(i == 0 ? "Primary Data Switch" : "Secondary Data Switch", fraRelay);
        auto* g = new QGridLayout(box);
        cmbOptions[i] = Named(new QComboBox(box), Indexed("cmbOptions", i));
        for (const char* c : kSwitchFunctionCaptions) cmbOptions[i]->addItem(c);
        g->addWidget(cmbOptions[i], 0, 0, 1, 2);
        picRelay[i] = Named(new RelayPicture(box), Indexed("picRelay", i));
        g->addWidget(picRelay[i], 1, 0, 5, 1);
        auto point = [&](std::array<EntryBox*, 2>& boxes, const char* name, int row, QLabel** label) {
            boxes[i] = Named(new EntryBox(box), Indexed(name, i));
            QLabel* l = Caption(kSwitchPointCaptions[row - 1], box);
            if (label) *label = l;
            auto* line = new QHBoxLayout;
            line->addWidget(l);
            line->addWidget(boxes[i], 1);
            g->addLayout(line, row, 1);
        };
        point(txtOnA, "txtOnA", 1, nullptr);
        point(txtOffA, "txtOffA", 2, nullptr);
        point(txtOnB, "txtOnB", 3, &lblOnB[i]);
        point(txtOffB, "txtOffB", 4, &lblOffB[i]);
        lblRelayUnit[i] = Named(Caption("(Raw)", box), Indexed("lblRelayUnit", i));
        g->addWidget(lblRelayUnit[i], 5, 1);
        g->setColumnStretch(0, 2);
        g->setColumnStretch(1, 1);
        columns->addWidget(box, 1);
    }
    v->addLayout(columns);
    v->addStretch(1);
    return fraRelay;
}

QGroupBox* OutputPage::BuildVoltageOutFrame() {
    fraVoltageOut = Named(new QGroupBox("Voltage Out", this), "fraVoltageOut");
    auto* h = new QHBoxLayout(fraVoltageOut);
    auto* limits = new QWidget(fraVoltageOut);
    auto* g = new QGridLayout(limits);
    for (int i = 0; i < 2; ++i) {
        txtVoltOutDuty[i] = Named(new EntryBox(limits), Indexed("txtVoltOutDuty", i));
        txtVoltOutData[i] = Named(new EntryBox(limits), Indexed("txtVoltOutData", i));
        lblDataUnit[i] = Named(Caption("(Raw)", limits), Indexed("lblDataUnit", i));
        g->addWidget(Caption(kVoltOutDutyCaptions[i], limits), i, 0);
        g->addWidget(txtVoltOutDuty[i], i, 1);
        g->addWidget(Caption("(%)", limits), i, 2);
        g->addWidget(Caption(kVoltOutDataCaptions[i], limits), i, 3);
        g->addWidget(txtVoltOutData[i], i, 4);
        g->addWidget(lblDataUnit[i], i, 5);
    }
    g->setRowStretch(2, 1);
    h->addWidget(limits, 1);
    voltageSide_ = h;
    return fraVoltageOut;
}

QGroupBox* OutputPage::BuildTableFrame(TableGrid grid) {
    const bool analog = grid == TableGrid::Analog;
    auto* frame = Named(new QGroupBox(analog ? "Analog Gauge Table" : "Speedo/Tach Gauge Table", this),
                        analog ? "fraTable" : "fraFreqTable");
    // The table with its commands below it, and its plot beside it.
    auto* beside = Tight(new QHBoxLayout(frame));
    auto* v = new QVBoxLayout;
    const int k = analog ? 0 : 1;
    lblDataStat[k] = Named(Caption(kUnformattedCaption, frame), Indexed("lblDataStat", k));
    v->addWidget(lblDataStat[k]);
    auto* table = new TableGridWidget(grid, main_.app().prompt, frame);
    v->addWidget(table);
    auto* side = new QHBoxLayout;
    auto* setButton = Named(new QPushButton(kSetBreakpointsCaption, frame), "cmdSetBreakpoints");
    setButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    side->addWidget(setButton, 0, Qt::AlignTop);
    auto* plot = Named(new TablePlot(frame), analog ? "plotAnalogTable" : "plotFreqTable");
    if (analog) {
        fraTable = frame;
        mshAnalogTable = table;
        plotAnalogTable = plot;
        cmdSetBreakpoints = setButton;
        tableSide_ = side;
        side->addWidget(fraGaugeCal);
    } else {
        fraFreqTable = frame;
        mshFreqTable = table;
        plotFreqTable = plot;
        cmdSetBreakpointsFreq = setButton;
        const LiveControls live =
            BuildLiveControls(frame, "fraGaugeCalSpeed", "Speed", "Frequency (hz)");
        cmdCalibrateSpeed = live.calibrate;
        cmdUpSpeed = live.up;
        cmdDownSpeed = live.down;
        txtDutyCycleSpeed = live.value;
        side->addWidget(live.frame);
    }
    side->addStretch(1);
    v->addLayout(side);
    v->addStretch(1);
    beside->addLayout(v, 3);
    beside->addWidget(plot, 2);
    return frame;
}

void OutputPage::BuildGridMenu() {
    mEditFlexGrid = Named(new QMenu("EditFlexGrid", this), "mEditFlexGrid");
    auto entry = [this](const char* name, const char* caption, const char* shortcut,
                        std::function<void(TableGridWidget&)> run) {
        QAction* a = mEditFlexGrid->addAction(caption);
        a->setObjectName(name);
        if (shortcut) {
            a->setShortcut(QKeySequence(shortcut));
            a->setShortcutVisibleInContextMenu(true);
            a->setShortcutContext(Qt::WidgetShortcut);  // the tables' own keys run it
        }
        connect(a, &QAction::triggered, this, [this, a, run] {
            Handler(a, "Click", [this, run] {
                if (TableGridWidget* grid = MenuTarget()) run(*grid);
            });
        });
        return a;
    };
    auto key = [](GridKey k) { return [k](TableGridWidget& g) { g.runKey(k); }; };
    mEditFlexCopy = entry("mEditFlexCopy", "Copy", nullptr, [](TableGridWidget& g) { g.copySelection(); });
    mEditFlexPaste = entry("mEditFlexPaste", "Paste", nullptr, [](TableGridWidget& g) { g.pasteClipboard(); });
    mEditFlexGrid->addSeparator();
    mEditFlexLinearize = entry("mEditFlexLinearize", "Linearize", "Ctrl+L", key(GridKey::Ctrl('L')));
    mEditFlexLinearInterpolation = entry("mEditFlexLinearInterpolation", "Linear In&terpolation",
                                         "Ctrl+T", key(GridKey::Ctrl('T')));
    mEditFlexPercent = entry("mEditFlexPercent", "Percent add/subtract", "Ctrl+P", key(GridKey::Ctrl('P')));
    mEditFlexGrid->addSeparator();
    mEditFlexIncrease1 = entry("mEditFlexIncrease1", "Increase 1", nullptr, key(GridKey::Ctrl(keys::kPlus)));
    mEditFlexDecrease1 = entry("mEditFlexDecrease1", "Decrease 1", nullptr, key(GridKey::Ctrl(keys::kMinus)));
    mEditFlexIncreaseDecrease = entry("mEditFlexIncreaseDecrease", "&Increase/Decrease", "Ctrl+I",
                                      key(GridKey::Ctrl('I')));
    mEditFlexSetTo = entry("mEditFlexSetTo", "Set to...", nullptr, key(GridKey::Ctrl('J')));

    // Undo and redo of the tables in the window's Edit menu, before Copy and Paste.
    QMenu* edit = main_.mEdit;
    mEditUndo = new QAction("&Undo", edit);
    mEditUndo->setObjectName("mEditUndo");
    mEditUndo->setShortcut(QKeySequence("Ctrl+Z"));
    mEditRedo = new QAction("&Redo", edit);
    mEditRedo->setObjectName("mEditRedo");
    mEditRedo->setShortcut(QKeySequence("Ctrl+Y"));
    if (edit) {
        QAction* first = edit->actions().isEmpty() ? nullptr : edit->actions().first();
        edit->insertAction(first, mEditUndo);
        edit->insertAction(first, mEditRedo);
        edit->insertSeparator(first);
    }
    connect(mEditUndo, &QAction::triggered, this, [this] { Handler(mEditUndo, "Click", [this] { Undo(); }); });
    connect(mEditRedo, &QAction::triggered, this, [this] { Handler(mEditRedo, "Click", [this] { Redo(); }); });
    if (main_.mEditCopy)
        connect(main_.mEditCopy, &QAction::triggered, this,
                [this] { Handler(main_.mEditCopy, "Click", [this] { CopyFocused(); }); });
    if (main_.mEditPaste)
        connect(main_.mEditPaste, &QAction::triggered, this,
                [this] { Handler(main_.mEditPaste, "Click", [this] { PasteFocused(); }); });
    UpdateEditActions();
}

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
            [this] { Handler(cmdCalibrate, "Click", [this] { LiveToggle(false); }); });
    connect(cmdCalibrateSpeed, &QPushButton::clicked, this,
            [this] { Handler(cmdCalibrateSpeed, "Click", [this] { LiveToggle(true); }); });
    connect(cmdUp, &QPushButton::clicked, this, [this] { Handler(cmdUp, "Click", [this] { LiveAdjust(false, 1); }); });
    connect(cmdDown, &QPushButton::clicked, this, [this] { Handler(cmdDown, "Click", [this] { LiveAdjust(false, -1); }); });
    connect(cmdUpSpeed, &QPushButton::clicked, this, [this] { Handler(cmdUpSpeed, "Click", [this] { LiveAdjust(true, 1); }); });
    connect(cmdDownSpeed, &QPushButton::clicked, this, [this] { Handler(cmdDownSpeed, "Click", [this] { LiveAdjust(true, -1); }); });
    connect(txtDutyCycle, &EntryBox::committed, this,
            [this] { Handler(txtDutyCycle, "KeyPress", [this] { LiveEnter(false); }); });
    connect(txtDutyCycleSpeed, &EntryBox::committed, this,
            [this] { Handler(txtDutyCycleSpeed, "KeyPress", [this] { LiveEnter(true); }); });
    ShowLive();

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

// ---------------------------------------------------------------------------------------
// Function, drive, secondary use, switch functions

void OutputPage::FunctionClicked(int index) {
    if (!screenLoaded_) return;
    StopLiveCalibration();  // the gauge it drove is no longer this output's function
    main_.SettleLink();
    Edit([index](const OutputEdit& out) { SelectFunction(out, static_cast<OutputFunction>(index)); });
    history_.Clear();
    UpdateEditActions();
    LoadScreen();
}

void OutputPage::DriveClicked(bool offGroup, int index) {
    if (!screenLoaded_) return;
    main_.SettleLink();
    auto checked = [](const std::array<QRadioButton*, 3>& group) {
        for (int k = 0; k < 3; ++k)
            if (group[k]->isChecked() && group[k]) return static_cast<Drive>(k);
        return Drive::Open;
    };
    DriveStates states{};
    Edit([&](const OutputEdit& out) {
        states = offGroup ? StoreDriveOff(out, static_cast<Drive>(index), checked(optOn))
                          : StoreDriveOn(out, static_cast<Drive>(index), checked(optOff));
    });
    optOff[static_cast<int>(states.off)]->setChecked(true);
    optOn[static_cast<int>(states.on)]->setChecked(true);
    FollowPreset();
}

void OutputPage::UseSecondaryClicked(bool ticked) {
    if (!screenLoaded_) return;
    main_.SettleLink();
    Edit([ticked](const OutputEdit& out) { StoreUseSecondary(out, ticked); });
    chkUseSecondary->setChecked(ticked);
    chkUseSecondary1->setChecked(ticked);
}

void OutputPage::AndOrClicked(int index) {
    if (!screenLoaded_) return;
    Edit([index](const OutputEdit& out) { StoreAndOr(out, static_cast<AndOr>(index)); });
}

void OutputPage::SwitchFunctionClicked(int i, int index) {
    if (!screenLoaded_) return;
    const auto function = static_cast<SwitchFunction>(index);
    Edit([&](const OutputEdit& out) { StoreSwitchFunction(out, i, function); });
    picRelay[i]->setFunction(function);
    const bool b = ShowsBPoints(function);
    for (QWidget* w : {static_cast<QWidget*>(txtOnB[i]), static_cast<QWidget*>(txtOffB[i]),
                       static_cast<QWidget*>(lblOnB[i]), static_cast<QWidget*>(lblOffB[i])})
        w->setVisible(b);
    RecolourSwitchPoints(i);
}

// ---------------------------------------------------------------------------------------
// Library and message lists

void OutputPage::LibraryClicked(int i, int position) {
    if (listFilling_) return;
    messages_.ChooseLibrary(i, position);
    FillMessageList(i);
    if (position == 0) MessageClicked(i, 0);
    main_.UpdateTitle();
}

void OutputPage::MessageClicked(int i, int position) {
    if (!screenLoaded_ || listFilling_) return;
    WaitCursor wait;
    main_.SettleLink();
    messages_.ChooseMessage(i, position);
    Edit([&](const OutputEdit& out) { messages_.StoreSelection(out.edit, output_, i); });
    main_.link().post([this] { main_.module().WriteMarkerCBE0(); });
    history_.Clear();  // the breakpoints may now be shown in another scale
    UpdateEditActions();
    LoadScreen();
}

// ---------------------------------------------------------------------------------------
// Presets

void OutputPage::ApplyPresetEntry(int entry) {
    if (!screenLoaded_ || presetsChanging_) return;
    const std::vector<PresetStep> steps = ApplyPreset(main_.app().presets, entry,
                                                      chkFormatCAN->isChecked(), main_.app().prompt);
    if (steps.empty()) return;
    {
        WaitCursor wait;
        main_.SettleLink();
        Edit([&](const OutputEdit& out) {
            // The cells go as one batch per table: only changed words, as few writes as
            // the staging area allows.
            TableCellBatch analog(out, TableGrid::Analog), freq(out, TableGrid::Freq);
            for (const PresetStep& step : steps) {
                const std::uint8_t flags = out.Scope().FunctionFlags();
                switch (step.kind) {
                    case PresetStepKind::LiftFormatCan: StoreShowFormatted(out, false); break;
                    case PresetStepKind::RestoreFormatCan: StoreShowFormatted(out, true); break;
                    case PresetStepKind::SetName: StoreOutputName(out, step.text); break;
                    case PresetStepKind::SetFunction:
                        SelectFunction(out, static_cast<OutputFunction>(step.option));
                        break;
                    case PresetStepKind::SetPeriod: StorePeriod(out, step.text); break;
                    case PresetStepKind::SetOnOption:
                        StoreDriveOn(out, static_cast<Drive>(step.option), DriveStatesOf(flags).off);
                        break;
                    case PresetStepKind::SetOffOption:
                        StoreDriveOff(out, static_cast<Drive>(step.option), DriveStatesOf(flags).on);
                        break;
                    case PresetStepKind::SetCell:
                        (step.grid == PresetGrid::Analog ? analog : freq)
                            .Store(step.row, step.column, step.value);
                        break;
                    case PresetStepKind::SuppressEvents:
                    case PresetStepKind::ResumeEvents:
                        break;  // the steps run without the controls' events
                }
            }
            analog.Finish();
            freq.Finish();
        });
        history_.Clear();
        UpdateEditActions();
    }
    LoadScreen();
}

// ---------------------------------------------------------------------------------------
// Tables

TableGridWidget* OutputPage::GridOf(TableGrid grid) const {
    return grid == TableGrid::Analog ? mshAnalogTable : mshFreqTable;
}

std::string OutputPage::CommitCell(TableGrid grid, int row, int col, const std::string& text) {
    const auto before = TableCellWord(Scope(), grid, row, col);
    std::optional<std::string> shown;
    Edit([&](const OutputEdit& out) { shown = CommitTableCell(out, grid, row, col, text); });
    const auto after = TableCellWord(Scope(), grid, row, col);
    if (before && after && *before != *after)
        history_.Record({output_, KindOf(grid)}, {{row, col, *before, *after}});
    ShowTables();
    UpdateEditActions();
    FollowPreset();
    return shown.value_or(GridOf(grid)->cellText(row, col));
}

void OutputPage::CommitTable(TableGrid grid, const std::vector<CellChange>& cells) {
    std::vector<CellValue> values;
    for (const CellChange& cell : cells)
        if (cell.value) values.push_back({cell.row, cell.col, *cell.value});
    main_.SettleLink();
    std::vector<WordChange> changes;
    {
        WaitCursor wait;
        Edit([&](const OutputEdit& out) { changes = StoreTableValues(out, grid, values); });
    }
    history_.Record({output_, KindOf(grid)}, std::move(changes));
    ShowTables();
    UpdateEditActions();
    FollowPreset();
}

void OutputPage::RestoreCells(const TableRestore& restore) {
    if (restore.table.output != output_) {
        // The change belongs to another output: show its tab first.
        main_.TabStrip->setCurrentIndex(restore.table.output);
        if (output_ != restore.table.output) SelectOutput(restore.table.output);
    }
    const TableGrid grid = GridOfKind(restore.table.kind);
    main_.SettleLink();
    Edit([&](const OutputEdit& out) {
        TableCellBatch batch(out, grid);
        for (const CellWord& cell : restore.cells) batch.StoreWord(cell.row, cell.col, cell.word);
        batch.Finish();
    });
    ShowTables();
    FollowPreset();
    UpdateEditActions();
}

void OutputPage::Undo() {
    CommitPendingEdit();
    if (auto restore = history_.Undo()) RestoreCells(*restore);
}

void OutputPage::Redo() {
    CommitPendingEdit();
    if (auto restore = history_.Redo()) RestoreCells(*restore);
}

void OutputPage::UpdateEditActions() {
    if (mEditUndo) mEditUndo->setEnabled(history_.CanUndo());
    if (mEditRedo) mEditRedo->setEnabled(history_.CanRedo());
}

TableGridWidget* OutputPage::MenuTarget() const {
    if (menuTarget_) return menuTarget_;
    for (TableGridWidget* grid : {mshAnalogTable, mshFreqTable})
        if (grid->hasFocus()) return grid;
    return nullptr;
}

void OutputPage::CopyFocused() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* grid = qobject_cast<TableGridWidget*>(focus)) return grid->copySelection();
    if (auto* box = qobject_cast<QLineEdit*>(focus)) {
        // Nothing selected copies nothing: the clipboard is cleared, not left holding
        // something older.
        if (box->hasSelectedText()) box->copy();
        else QApplication::clipboard()->clear();
    }
}

void OutputPage::PasteFocused() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* grid = qobject_cast<TableGridWidget*>(focus)) return grid->pasteClipboard();
    if (auto* box = qobject_cast<QLineEdit*>(focus)) box->paste();
}

// ---------------------------------------------------------------------------------------
// Live gauge calibration

void OutputPage::LiveToggle(bool speed) {
    LiveCalibration& live = speed ? *liveSpeed_ : *liveDuty_;
    // A duty and a speed calibration never run at once.
    if (!live.Running()) (speed ? *liveDuty_ : *liveSpeed_).Stop();
    live.Toggle(output_, main_.app().prompt);
    ShowLive();
}

void OutputPage::StopLiveCalibration() {
    if (!liveDuty_->Running() && !liveSpeed_->Running()) return;
    liveDuty_->Stop();
    liveSpeed_->Stop();
    ShowLive();
}

void OutputPage::CommitPendingEdit() {
    for (TableGridWidget* grid : {mshAnalogTable, mshFreqTable}) grid->commitEditor();
}

void OutputPage::LiveAdjust(bool speed, int step) {
    LiveCalibration& live = speed ? *liveSpeed_ : *liveDuty_;
    if (step > 0) live.Up(main_.app().image);
    else live.Down(main_.app().image);
    ShowLive();
}

void OutputPage::LiveEnter(bool speed) {
    LiveCalibration& live = speed ? *liveSpeed_ : *liveDuty_;
    live.Enter(main_.app().image, S((speed ? txtDutyCycleSpeed : txtDutyCycle)->text()));
    ShowLive();
}

void OutputPage::ShowLive() {
    struct Set {
        LiveCalibration& live;
        QPushButton* start;
        QPushButton* up;
        QPushButton* down;
        EntryBox* value;
    };
    for (const Set& s : {Set{*liveDuty_, cmdCalibrate, cmdUp, cmdDown, txtDutyCycle},
                         Set{*liveSpeed_, cmdCalibrateSpeed, cmdUpSpeed, cmdDownSpeed, txtDutyCycleSpeed}}) {
        s.start->setText(Q(s.live.Caption()));
        s.value->setText(Q(s.live.ValueText()));
        for (QWidget* w : {static_cast<QWidget*>(s.up), static_cast<QWidget*>(s.down),
                           static_cast<QWidget*>(s.value)})
            w->setEnabled(s.live.AdjustEnabled());
    }
}

}  // namespace vx42
