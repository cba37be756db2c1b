// The data sources frame of an output tab.
#include "ui/output/output_data_sources.h"

#include <QCheckBox>
#include <QComboBox>
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

OutputDataSources::OutputDataSources(OutputContext& ctx, OutputDataControls& controls)
    : ctx_(ctx), c_(controls), messages_(ctx.main.app().libraries) {}

QWidget* OutputDataSources::Build(QWidget* parent) {
    c_.fraMessages = Named(new QWidget(parent), "fraMessages");
    auto* dataRow = new QHBoxLayout(c_.fraMessages);
    dataRow->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 2; ++i) dataRow->addWidget(BuildDataFrame(i), 1);
    return c_.fraMessages;
}

QGroupBox* OutputDataSources::BuildDataFrame(int i) {
    auto* frame =
        Named(new QGroupBox(i == 0 ? "Primary CAN Data" : " Secondary CAN Data", c_.fraMessages),
              Indexed("fraData", i));
    c_.fraData[i] = frame;
    auto* g = Tight(new QGridLayout(frame));
    int row = 0;
    if (i == 1) {
        c_.chkUseSecondary =
            Named(new QCheckBox("Use secondary data on timeout", frame), "chkUseSecondary");
        g->addWidget(c_.chkUseSecondary, row++, 0, 1, 3);
    }
    c_.cmbLibrary[i] = Named(new QComboBox(frame), Indexed("cmbLibrary", i));
    c_.cmbMessage[i] = Named(new QComboBox(frame), Indexed("cmbMessage", i));
    for (QComboBox* c : {c_.cmbLibrary[i], c_.cmbMessage[i]}) {
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(16);
    }
    const QString source = i == 0 ? "Primary" : "Secondary";
    g->addWidget(CaptionFor("CAN Library", frame, c_.cmbLibrary[i], source), row, 0);
    g->addWidget(c_.cmbLibrary[i], row++, 1, 1, 2);
    g->addWidget(CaptionFor("CAN Data", frame, c_.cmbMessage[i], source), row, 0);
    g->addWidget(c_.cmbMessage[i], row++, 1, 1, 2);
    c_.txtTimoutTimer[i] = NumberBox(Named(new EntryBox(frame), Indexed("txtTimoutTimer", i)));
    g->addWidget(CaptionFor("Timeout", frame, c_.txtTimoutTimer[i], source), row, 0);
    g->addWidget(c_.txtTimoutTimer[i], row, 1);
    g->addWidget(Caption("(ms)", frame), row++, 2);
    c_.txtDataOnTimeout[i] = NumberBox(Named(new EntryBox(frame), Indexed("txtDataOnTimeout", i)));
    c_.lblMessUnit[i] = Named(Caption("(Raw)", frame), Indexed("lblMessUnit", i));
    g->addWidget(CaptionFor("Data On Timeout", frame, c_.txtDataOnTimeout[i], source), row, 0);
    g->addWidget(c_.txtDataOnTimeout[i], row, 1);
    g->addWidget(c_.lblMessUnit[i], row++, 2);

    auto* filter =
        Named(new QGroupBox(i == 0 ? "Primary Data Filter" : "Secondary Data Filter", frame),
              Indexed("fraFilter", i));
    auto* fg = Tight(new QGridLayout(filter));
    c_.txtSamplePeriod[i] = NumberBox(Named(new EntryBox(filter), Indexed("txtSamplePeriod", i)));
    c_.txtAverageLength[i] = NumberBox(Named(new EntryBox(filter), Indexed("txtAverageLength", i)));
    fg->addWidget(CaptionFor("Sample Period", filter, c_.txtSamplePeriod[i], source), 0, 0);
    fg->addWidget(c_.txtSamplePeriod[i], 0, 1);
    fg->addWidget(Caption("(ms)", filter), 0, 2);
    fg->addWidget(CaptionFor("Filter Size", filter, c_.txtAverageLength[i], source), 1, 0);
    fg->addWidget(c_.txtAverageLength[i], 1, 1);
    fg->addWidget(Caption("(# of samples)", filter), 1, 2);
    g->addWidget(filter, row++, 0, 1, 3);
    g->setColumnStretch(1, 1);
    g->setRowStretch(row, 1);
    return frame;
}

void OutputDataSources::Connect() {
    for (int i = 0; i < 2; ++i) {
        ctx_.EnterNumber(c_.txtTimoutTimer[i], [i](const OutputEdit& out, const std::string& t) {
            return StoreTimeout(out, i, t);
        });
        ctx_.Colour(c_.txtTimoutTimer[i], [] { return DataRange{0, kTimeoutMax}; });
        ctx_.EnterNumber(c_.txtDataOnTimeout[i], [i](const OutputEdit& out, const std::string& t) {
            return StoreDataOnTimeout(out, i, t);
        });
        ctx_.Colour(c_.txtDataOnTimeout[i], [this, i] { return ctx_.Scope().Range(i); });
        ctx_.EnterNumber(c_.txtSamplePeriod[i], [i](const OutputEdit& out, const std::string& t) {
            return StoreSamplePeriod(out, i, t);
        });
        ctx_.Colour(c_.txtSamplePeriod[i], [] {
            return DataRange{kSamplePeriodMin, kSamplePeriodMax};
        });
        ctx_.EnterNumber(c_.txtAverageLength[i], [i](const OutputEdit& out, const std::string& t) {
            return StoreFilterSize(out, i, t);
        });
        ctx_.Colour(c_.txtAverageLength[i], [] {
            return DataRange{kFilterSizeMin, kFilterSizeMax};
        });
        QObject::connect(c_.cmbLibrary[i], &QComboBox::activated, &ctx_.page, [this, i](int k) {
            ctx_.Handler(c_.cmbLibrary[i], "Click", [this, i, k] { LibraryClicked(i, k); });
        });
        QObject::connect(c_.cmbMessage[i], &QComboBox::activated, &ctx_.page, [this, i](int k) {
            ctx_.Handler(c_.cmbMessage[i], "Click", [this, i, k] { MessageClicked(i, k); });
        });
    }
}

FormatContext OutputDataSources::ShowSelection() {
    // Every load starts from "None", so an output without a stored message never shows
    // (or formats with) the message of the output shown before it.
    FillLibraryLists();
    for (int i = 0; i < 2; ++i) {
        messages_.ShowMessageSelection(ctx_.main.app().image, ctx_.output, i);
        c_.cmbLibrary[i]->setCurrentIndex(messages_.LibraryPosition(i));
        FillMessageList(i);
    }
    return messages_.Format(ctx_.main.app().settings.Units);
}

void OutputDataSources::Show(const OutputView& v) {
    for (int i = 0; i < 2; ++i) {
        const DataSourceView& d = v.data[i];
        c_.txtTimoutTimer[i]->setText(Q(d.timeout));
        c_.txtAverageLength[i]->setText(Q(d.averageLength));
        c_.txtSamplePeriod[i]->setText(Q(d.samplePeriod));
        c_.txtDataOnTimeout[i]->setText(Q(d.dataOnTimeout));
        c_.txtTimoutTimer[i]->setEnabled(d.slotSettingsEnabled);
        c_.txtDataOnTimeout[i]->setEnabled(d.slotSettingsEnabled);
    }
}

void OutputDataSources::FillLibraryLists() {
    ctx_.listFilling = true;
    messages_.Rebuild();
    for (int i = 0; i < 2; ++i) {
        c_.cmbLibrary[i]->clear();
        for (const std::string& item : messages_.LibraryItems()) c_.cmbLibrary[i]->addItem(Q(item));
        c_.cmbLibrary[i]->setCurrentIndex(0);
    }
    ctx_.listFilling = false;
}

void OutputDataSources::FillMessageList(int i) {
    ctx_.listFilling = true;
    c_.cmbMessage[i]->clear();
    for (const std::string& item : messages_.MessageItems(i)) c_.cmbMessage[i]->addItem(Q(item));
    c_.cmbMessage[i]->setCurrentIndex(messages_.MessagePosition(i));
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
    // The selection's fields are one undo step; the marker tells the module to take up its
    // messages again, which an undo does not take back.
    ctx_.EditStep(MessageStepName(i, c_.cmbMessage[i]->currentText().toStdString()),
                  [&](const OutputEdit& out) {
                      messages_.StoreSelection(out.edit, ctx_.output, i);
                      out.edit.module.MessagesChanged();
                  });
    ctx_.LoadScreen();
}

}  // namespace vx42
