#include "ui/output_context.h"

#include <QWidget>

#include "calibration/outputs/entry_filters.h"
#include "ui/entry_box.h"
#include "ui/frm_main.h"

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

void OutputContext::Handler(QObject* control, const char* event,
                            const std::function<void()>& body) const {
    const QByteArray name = control->objectName().toUtf8();
    main.Trapped(name.constData(), event, body);
}

void OutputContext::Enter(EntryBox* box, Store store, std::function<void()> after) const {
    QObject::connect(box, &EntryBox::committed, &page, [this, box, store, after] {
        Handler(box, "KeyPress", [this, box, store, after] {
            std::string shown;
            Edit([&](const OutputEdit& out) { shown = store(out, box->text().toStdString()); });
            box->setText(QString::fromStdString(shown));
            if (after) after();
        });
    });
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
