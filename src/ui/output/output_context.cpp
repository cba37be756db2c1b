// What the frames of an output tab share.
#include "ui/output/output_context.h"

#include <QWidget>

#include "base/numbers.h"
#include "calibration/outputs/entry_filters.h"
#include "ui/main_window/frm_main.h"
#include "ui/widgets/entry_box.h"

namespace vx42 {

OutputScope OutputContext::Scope() const {
    return {main.app().image, format, output};
}

void OutputContext::Edit(const std::function<void(const OutputEdit&)>& body) const {
    EditTarget target = main.edit();
    const OutputEdit out{target, format, output};
    body(out);
    main.UpdateTitle();
}

void OutputContext::EditStep(const std::string& name,
                             const std::function<void(const OutputEdit&)>& body) {
    const CalImage before = main.app().image;
    Edit(body);
    history.RecordBytes(ImageChanges(before, main.app().image), name);
    UpdateEditActions();
}

void OutputContext::Handler(QObject* control, const char* event,
                            const std::function<void()>& body) const {
    const QByteArray name = control->objectName().toUtf8();
    main.Trapped(name.constData(), event, body);
}

namespace {

// The name of a box's undo step: the box's own name, as its caption reads.
std::string StepNameOf(const EntryBox* box) {
    QString name = box->accessibleName();
    if (name.isEmpty()) name = box->objectName();
    return name.remove('&').remove(':').trimmed().toStdString();
}

// Stores a box's text on Enter and shows what was stored; a number box refuses a comma.
void Commit(OutputContext& ctx, EntryBox* box, bool number, OutputContext::Store store,
            std::function<void()> after) {
    QObject::connect(box, &EntryBox::committed, &ctx.page, [&ctx, box, number, store, after] {
        ctx.Handler(box, "KeyPress", [&ctx, box, number, store, after] {
            const std::string typed = box->text().toStdString();
            if (number && !AcceptTypedNumber(ctx.main.app().prompt, typed)) {
                box->refuseCommit();
                return;
            }
            std::string shown;
            ctx.EditStep(StepNameOf(box),
                         [&](const OutputEdit& out) { shown = store(out, typed); });
            box->setText(QString::fromStdString(shown));
            if (after) after();
        });
    });
}

}  // namespace

void OutputContext::Enter(EntryBox* box, Store store, std::function<void()> after) {
    Commit(*this, box, false, std::move(store), std::move(after));
}

void OutputContext::EnterNumber(EntryBox* box, Store store, std::function<void()> after) {
    Commit(*this, box, true, std::move(store), std::move(after));
}

void OutputContext::Colour(EntryBox* box, std::function<DataRange()> range) const {
    QObject::connect(box, &QLineEdit::textChanged, &page, [this, box, range](const QString& text) {
        Handler(box, "Change", [box, range, text] {
            const DataRange r = range();
            box->setOutOfRange(ColourTextBox(text.toStdString(), r.minimum, r.maximum) ==
                               TextColour::Red);
        });
    });
}

}  // namespace vx42
