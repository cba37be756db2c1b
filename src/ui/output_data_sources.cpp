#include "ui/output_data_sources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

#include "calibration/outputs/output_settings.h"
#include "ui/frm_main.h"
#include "ui/output_context.h"
#include "ui/output_frame_support.h"

namespace vx42 {
using namespace output_frames;

OutputDataSources::OutputDataSources(OutputContext& ctx)
    : ctx_(ctx), messages_(ctx.main.app().libraries) {}

QWidget* OutputDataSources::Build(QWidget* parent) {
    fraMessages = Named(new QWidget(parent), "fraMessages");
    auto* dataRow = new QHBoxLayout(fraMessages);
    dataRow->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 2; ++i) dataRow->addWidget(BuildDataFrame(i), 1);
    return fraMessages;
}

QGroupBox* OutputDataSources::BuildDataFrame(int i) {
    auto* frame =
        Named(new QGroupBox(i == 0 ? "Primary CAN Data" : " Secondary CAN Data", fraMessages),
              Indexed("fraData", i));
    fraData[i] = frame;
    auto* g = Tight(new QGridLayout(frame));
    int row = 0;
    if (i == 1) {
        chkUseSecondary =
            Named(new QCheckBox("Use secondary data on timeout", frame), "chkUseSecondary");
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

    auto* filter =
        Named(new QGroupBox(i == 0 ? "Primary Data Filter" : "Secondary Data Filter", frame),
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

void OutputDataSources::Connect() {
    for (int i = 0; i < 2; ++i) {
        ctx_.Enter(txtTimoutTimer[i], [i](const OutputEdit& out, const std::string& t) {
            return StoreTimeout(out, i, t);
        });
        ctx_.Colour(txtTimoutTimer[i], [] { return DataRange{0, kTimeoutMax}; });
        ctx_.Enter(txtDataOnTimeout[i], [i](const OutputEdit& out, const std::string& t) {
            return StoreDataOnTimeout(out, i, t);
        });
        ctx_.Colour(txtDataOnTimeout[i], [this, i] { return ctx_.Scope().Range(i); });
        ctx_.Enter(txtSamplePeriod[i], [i](const OutputEdit& out, const std::string& t) {
            return StoreSamplePeriod(out, i, t);
        });
        ctx_.Colour(txtSamplePeriod[i], [] {
            return DataRange{kSamplePeriodMin, kSamplePeriodMax};
        });
        ctx_.Enter(txtAverageLength[i], [i](const OutputEdit& out, const std::string& t) {
            return StoreFilterSize(out, i, t);
        });
        ctx_.Colour(txtAverageLength[i], [] { return DataRange{kFilterSizeMin, kFilterSizeMax}; });
        QObject::connect(cmbLibrary[i], &QComboBox::activated, &ctx_.page, [this, i](int k) {
            ctx_.Handler(cmbLibrary[i], "Click", [this, i, k] { LibraryClicked(i, k); });
        });
        QObject::connect(cmbMessage[i], &QComboBox::activated, &ctx_.page, [this, i](int k) {
            ctx_.Handler(cmbMessage[i], "Click", [this, i, k] { MessageClicked(i, k); });
        });
    }
}

FormatContext OutputDataSources::ShowSelection() {
    // Every load starts from "None", so an output without a stored message never shows
    // (or formats with) the message of the output shown before it.
    FillLibraryLists();
    for (int i = 0; i < 2; ++i) {
        messages_.ShowMessageSelection(ctx_.main.app().image, ctx_.output, i);
        cmbLibrary[i]->setCurrentIndex(messages_.LibraryPosition(i));
        FillMessageList(i);
    }
    return messages_.Format(ctx_.main.app().settings.Units);
}

void OutputDataSources::Show(const OutputView& v) {
    for (int i = 0; i < 2; ++i) {
        const DataSourceView& d = v.data[i];
        txtTimoutTimer[i]->setText(Q(d.timeout));
        txtAverageLength[i]->setText(Q(d.averageLength));
        txtSamplePeriod[i]->setText(Q(d.samplePeriod));
        txtDataOnTimeout[i]->setText(Q(d.dataOnTimeout));
        txtTimoutTimer[i]->setEnabled(d.slotSettingsEnabled);
        txtDataOnTimeout[i]->setEnabled(d.slotSettingsEnabled);
    }
}

void OutputDataSources::FillLibraryLists() {
    ctx_.listFilling = true;
    messages_.Rebuild();
    for (int i = 0; i < 2; ++i) {
        cmbLibrary[i]->clear();
        for (const std::string& item : messages_.LibraryItems()) cmbLibrary[i]->addItem(Q(item));
        cmbLibrary[i]->setCurrentIndex(0);
    }
    ctx_.listFilling = false;
}

void OutputDataSources::FillMessageList(int i) {
    ctx_.listFilling = true;
    cmbMessage[i]->clear();
    for (const std::string& item : messages_.MessageItems(i)) cmbMessage[i]->addItem(Q(item));
    cmbMessage[i]->setCurrentIndex(messages_.MessagePosition(i));
    ctx_.listFilling = false;
}

// Choosing a library shows its messages; "None" also clears the stored message.
void OutputDataSources::LibraryClicked(int i, int position) {
    if (ctx_.listFilling) return;
    messages_.ChooseLibrary(i, position);
    FillMessageList(i);
    if (position == 0) MessageClicked(i, 0);
    ctx_.main.UpdateTitle();
}

void OutputDataSources::MessageClicked(int i, int position) {
    if (!ctx_.screenLoaded || ctx_.listFilling) return;
    WaitCursor wait;
    ctx_.main.SettleLink();
    messages_.ChooseMessage(i, position);
    ctx_.Edit([&](const OutputEdit& out) { messages_.StoreSelection(out.edit, ctx_.output, i); });
    ctx_.main.link().post([this] { ctx_.main.module().WriteMarkerCBE0(); });
    ctx_.history.Clear();  // the breakpoints may now be shown in another scale
    ctx_.UpdateEditActions();
    ctx_.LoadScreen();
}

}  // namespace vx42
