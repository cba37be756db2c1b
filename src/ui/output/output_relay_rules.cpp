// The relay rules frame of an output tab.
#include "ui/output/output_relay_rules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "calibration/outputs/output_settings.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_context.h"
#include "ui/output/output_frame_support.h"
#include "ui/output/relay_picture.h"

namespace vx42 {
using namespace output_frames;

QGroupBox* OutputRelayRules::Build(QWidget* parent, QCheckBox* useSecondary) {
    chkUseSecondary = useSecondary;
    c_.fraRelay = Named(new QGroupBox("Relay Control", parent), "fraRelay");
    auto* v = new QVBoxLayout(c_.fraRelay);
    auto* combine = new QHBoxLayout;
    c_.chkUseSecondary1 =
        Named(new QCheckBox("Use primary and secondary data", c_.fraRelay), "chkUseSecondary1");
    c_.cmbAndOr = Named(new QComboBox(c_.fraRelay), "cmbAndOr");
    NameControl(c_.cmbAndOr, "Combine primary and secondary data");
    for (const char* c : kAndOrCaptions) c_.cmbAndOr->addItem(c);
    combine->addWidget(c_.chkUseSecondary1);
    combine->addWidget(c_.cmbAndOr);
    combine->addStretch(1);
    v->addLayout(combine);

    auto* columns = new QHBoxLayout;
    for (int i = 0; i < 2; ++i) {
        auto* box =
            new QGroupBox(i == 0 ? "Primary Data Switch" : "Secondary Data Switch", c_.fraRelay);
        auto* g = new QGridLayout(box);
        c_.cmbOptions[i] = Named(new QComboBox(box), Indexed("cmbOptions", i));
        const QString source = i == 0 ? "Primary" : "Secondary";
        NameControl(c_.cmbOptions[i], source + " Switch Function");
        for (const char* c : kSwitchFunctionCaptions) c_.cmbOptions[i]->addItem(c);
        g->addWidget(c_.cmbOptions[i], 0, 0, 1, 2);
        c_.picRelay[i] = Named(new RelayPicture(box), Indexed("picRelay", i));
        g->addWidget(c_.picRelay[i], 1, 0, 4, 1);
        auto point = [&](std::array<EntryBox*, 2>& boxes, const char* name, int row,
                         QLabel** label) {
            boxes[i] = Named(new EntryBox(box), Indexed(name, i));
            QLabel* l = CaptionFor(kSwitchPointCaptions[row - 1], box, boxes[i], source);
            if (label) *label = l;
            auto* line = new QHBoxLayout;
            line->addWidget(l);
            line->addWidget(boxes[i], 1);
            g->addLayout(line, row, 1);
        };
        point(c_.txtOnA, "txtOnA", 1, nullptr);
        point(c_.txtOffA, "txtOffA", 2, nullptr);
        point(c_.txtOnB, "txtOnB", 3, &c_.lblOnB[i]);
        point(c_.txtOffB, "txtOffB", 4, &c_.lblOffB[i]);
        // The unit beside the switch points it applies to.
        c_.lblRelayUnit[i] = Named(Caption("(Raw)", box), Indexed("lblRelayUnit", i));
        g->addWidget(c_.lblRelayUnit[i], 1, 2, 2, 1, Qt::AlignLeft | Qt::AlignVCenter);
        g->setColumnStretch(0, 2);
        g->setColumnStretch(1, 1);
        columns->addWidget(box, 1);
    }
    v->addLayout(columns);
    v->addStretch(1);
    return c_.fraRelay;
}

void OutputRelayRules::Connect() {
    for (QCheckBox* box : {chkUseSecondary, c_.chkUseSecondary1})
        QObject::connect(box, &QCheckBox::toggled, &ctx_.page, [this, box](bool ticked) {
            ctx_.Handler(box, "Click", [this, ticked] { UseSecondaryClicked(ticked); });
        });
    QObject::connect(c_.cmbAndOr, &QComboBox::activated, &ctx_.page, [this](int k) {
        ctx_.Handler(c_.cmbAndOr, "Click", [this, k] { AndOrClicked(k); });
    });
    for (int i = 0; i < 2; ++i) {
        const std::array<std::array<EntryBox*, 2>*, 4> points = {&c_.txtOnA, &c_.txtOffA,
                                                                 &c_.txtOnB, &c_.txtOffB};
        for (int p = 0; p < 4; ++p) {
            EntryBox* box = (*points[p])[i];
            const auto point = static_cast<SwitchPoint>(p);
            ctx_.EnterNumber(
                box,
                [i, point](const OutputEdit& out, const std::string& t) {
                    return StoreSwitchPoint(out, i, point, t);
                },
                [this, i] { RecolourSwitchPoints(i); });
            QObject::connect(box, &QLineEdit::textChanged, &ctx_.page, [this, box, i] {
                ctx_.Handler(box, "Change", [this, i] { RecolourSwitchPoints(i); });
            });
        }
        QObject::connect(c_.cmbOptions[i], &QComboBox::activated, &ctx_.page, [this, i](int k) {
            ctx_.Handler(c_.cmbOptions[i], "Click", [this, i, k] { SwitchFunctionClicked(i, k); });
        });
    }
}

void OutputRelayRules::Show(const OutputView& v) {
    chkUseSecondary->setChecked(v.useSecondary);
    c_.chkUseSecondary1->setChecked(v.useSecondary);
    if (v.andOr) c_.cmbAndOr->setCurrentIndex(static_cast<int>(*v.andOr));
    for (int i = 0; i < 2; ++i) {
        const DataSourceView& d = v.data[i];
        c_.cmbOptions[i]->setCurrentIndex(static_cast<int>(d.switchFunction));
        c_.picRelay[i]->setFunction(d.switchFunction);
        const std::array<EntryBox*, 4> boxes = {c_.txtOnA[i], c_.txtOffA[i], c_.txtOnB[i],
                                                c_.txtOffB[i]};
        for (int p = 0; p < 4; ++p) boxes[p]->setText(Q(d.switchPoints[p]));
        RecolourSwitchPoints(i);
        ShowBPoints(i, d.bPointsShown);
    }
    chkUseSecondary->setText(Q(v.useSecondaryCaption));
    c_.chkUseSecondary1->setText(Q(v.useSecondaryCaption));
}

void OutputRelayRules::UseSecondaryClicked(bool ticked) {
    if (!ctx_.screenLoaded) return;
    ctx_.main.SettleLink();
    ctx_.Edit([ticked](const OutputEdit& out) { StoreUseSecondary(out, ticked); });
    // Both boxes show the one flag: the other one follows without storing it again.
    const QSignalBlocker quiet(chkUseSecondary), quiet1(c_.chkUseSecondary1);
    chkUseSecondary->setChecked(ticked);
    c_.chkUseSecondary1->setChecked(ticked);
}

void OutputRelayRules::AndOrClicked(int index) {
    if (!ctx_.screenLoaded) return;
    ctx_.Edit([index](const OutputEdit& out) { StoreAndOr(out, static_cast<AndOr>(index)); });
}

void OutputRelayRules::SwitchFunctionClicked(int i, int index) {
    if (!ctx_.screenLoaded) return;
    const auto function = static_cast<SwitchFunction>(index);
    ctx_.Edit([&](const OutputEdit& out) { StoreSwitchFunction(out, i, function); });
    c_.picRelay[i]->setFunction(function);
    ShowBPoints(i, ShowsBPoints(function));
    RecolourSwitchPoints(i);
}

void OutputRelayRules::ShowBPoints(int i, bool shown) {
    for (QWidget* w : {static_cast<QWidget*>(c_.txtOnB[i]), static_cast<QWidget*>(c_.txtOffB[i]),
                       static_cast<QWidget*>(c_.lblOnB[i]), static_cast<QWidget*>(c_.lblOffB[i])})
        w->setVisible(shown);
}

void OutputRelayRules::RecolourSwitchPoints(int i) {
    const std::array<EntryBox*, 4> boxes = {c_.txtOnA[i], c_.txtOffA[i], c_.txtOnB[i],
                                            c_.txtOffB[i]};
    std::array<std::string, 4> texts;
    for (int p = 0; p < 4; ++p) texts[p] = S(boxes[p]->text());
    const auto colours = SwitchPointColours(ctx_.Scope(), i, texts);
    for (int p = 0; p < 4; ++p) boxes[p]->setOutOfRange(colours[p] == TextColour::Red);
}

}  // namespace vx42
