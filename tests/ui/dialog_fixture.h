#pragma once
// Driving the main window's modal dialogs from a test: the body runs once the dialog is
// shown and should close it; a dialog the body left open is cancelled so the test goes on.

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace vx42::test {

template <typename D>
void OnModal(std::function<void(D&)> body) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, body] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        body(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    timer->start();
}

}  // namespace vx42::test
