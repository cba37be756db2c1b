// The voltage output frame of an output tab.
#include "ui/output/output_voltage_out.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

#include "calibration/outputs/output_settings.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_context.h"
#include "ui/output/output_frame_support.h"

namespace vx42 {
using namespace output_frames;

QGroupBox* OutputVoltageOut::Build(QWidget* parent) {
    c_.fraVoltageOut = Named(new QGroupBox("Voltage Out", parent), "fraVoltageOut");
    auto* h = new QHBoxLayout(c_.fraVoltageOut);
    auto* limits = new QWidget(c_.fraVoltageOut);
    auto* g = new QGridLayout(limits);
    for (int i = 0; i < 2; ++i) {
        c_.txtVoltOutDuty[i] = Named(new EntryBox(limits), Indexed("txtVoltOutDuty", i));
        c_.txtVoltOutData[i] = Named(new EntryBox(limits), Indexed("txtVoltOutData", i));
        c_.lblDataUnit[i] = Named(Caption("(Raw)", limits), Indexed("lblDataUnit", i));
        g->addWidget(CaptionFor(kVoltOutDutyCaptions[i], limits, c_.txtVoltOutDuty[i]), i, 0);
        g->addWidget(c_.txtVoltOutDuty[i], i, 1);
        g->addWidget(Caption("(%)", limits), i, 2);
        g->addWidget(CaptionFor(kVoltOutDataCaptions[i], limits, c_.txtVoltOutData[i]), i, 3);
        g->addWidget(c_.txtVoltOutData[i], i, 4);
        g->addWidget(c_.lblDataUnit[i], i, 5);
    }
    g->setRowStretch(2, 1);
    h->addWidget(limits, 1);
    side = h;
    return c_.fraVoltageOut;
}

void OutputVoltageOut::Connect() {
    for (int i = 0; i < 2; ++i) {
        ctx_.EnterNumber(
            c_.txtVoltOutDuty[i],
            [this, i](const OutputEdit& out, const std::string& t) {
                return StoreVoltOutDuty(out, i, t, ctx_.main.app().prompt);
            },
            [this] {
                ctx_.ShowTables();
                ctx_.FollowPreset();
            });
        ctx_.Colour(c_.txtVoltOutDuty[i], [] { return DataRange{0, 100}; });
        ctx_.EnterNumber(
            c_.txtVoltOutData[i],
            [this, i](const OutputEdit& out, const std::string& t) {
                return StoreVoltOutData(out, i, t, ctx_.main.app().prompt);
            },
            [this] {
                ctx_.ShowTables();
                ctx_.FollowPreset();
            });
        ctx_.Colour(c_.txtVoltOutData[i], [this] { return ctx_.Scope().Range(0); });
    }
}

void OutputVoltageOut::Show(const OutputView& v) {
    for (int i = 0; i < 2; ++i) {
        c_.txtVoltOutDuty[i]->setText(Q(v.data[i].voltOutDuty));
        c_.txtVoltOutData[i]->setText(Q(v.data[i].voltOutData));
    }
}

void OutputVoltageOut::ShowLimits() {
    const OutputScope out = ctx_.Scope();
    for (int i = 0; i < 2; ++i) {
        c_.txtVoltOutDuty[i]->setText(Q(VoltOutDutyText(out, i)));
        c_.txtVoltOutData[i]->setText(Q(VoltOutDataText(out, i)));
    }
}

}  // namespace vx42
