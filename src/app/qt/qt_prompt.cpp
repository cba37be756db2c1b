// The prompt interface shown as real dialogs.
#include "app/qt/qt_prompt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringList>
#include <QThread>
#include <QUrl>
#include <functional>

#include "app/qt/frm_input_box.h"
#include "app/qt/html_printing.h"
#include "app/qt/qt_text.h"
#include "files/paths.h"

namespace vx42 {

namespace {

// The caption of the input window that "Set to..." opens.
constexpr const char* kSetSelectionCaption = "Set Selection";

// Runs f on the application's thread and waits for it.
template <typename R>
R OnGuiThread(const std::function<R()>& f) {
    if (QThread::currentThread() == qApp->thread()) return f();
    R result{};
    QMetaObject::invokeMethod(
        qApp, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
}

QMessageBox::Icon QtIcon(Icon icon) {
    switch (icon) {
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// A box given no title carries the program's name.
QString TitleOr(const std::string& title) {
    return title.empty() ? QString("VX42") : Q(title);
}

QMessageBox::StandardButton ButtonOf(Answer answer) {
    switch (answer) {
        case Answer::Yes:
            return QMessageBox::Yes;
        case Answer::No:
            return QMessageBox::No;
        case Answer::Cancel:
            return QMessageBox::Cancel;
        case Answer::Ok:
            break;
    }
    return QMessageBox::Ok;
}

int Ask(QWidget* parent, const std::string& text, const std::string& title, Icon icon,
        QMessageBox::StandardButtons buttons, Answer defaultAnswer = Answer::Ok) {
    QMessageBox box(QtIcon(icon), TitleOr(title), Q(text), buttons, parent);
    box.setDefaultButton(ButtonOf(defaultAnswer));
    return box.exec();
}

}  // namespace

QString QtPrompt::QtFilter(const std::string& filter) {
    const QStringList parts = Q(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const int paren = description.indexOf('(');
        if (paren > 0) description = description.left(paren).trimmed();
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            patterns << p;
            if (p.toLower() != p) patterns << p.toLower();
        }
        out << description + " (" + patterns.join(' ') + ")";
    }
    return out.join(";;");
}

QString QtPrompt::StartPath(const FileDialog& d) {
    QString folder = QDir::fromNativeSeparators(Q(DialogStartFolder(d.initialFolder, false)));
    if (!folder.isEmpty() && !folder.endsWith('/')) folder += '/';
    return folder + Q(d.fileName);
}

std::optional<std::string> QtPrompt::DialogAnswer(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(path).toStdString();
}

void QtPrompt::Message(const std::string& text, const std::string& title, Icon icon) {
    OnGuiThread<int>([&] { return Ask(parent_, text, title, icon, QMessageBox::Ok); });
}

Answer QtPrompt::YesNo(const std::string& text, const std::string& title, Icon icon,
                       Answer defaultAnswer) {
    const int r = OnGuiThread<int>([&] {
        return Ask(parent_, text, title, icon, QMessageBox::Yes | QMessageBox::No, defaultAnswer);
    });
    return r == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

Answer QtPrompt::YesNoCancel(const std::string& text, const std::string& title, Icon icon,
                             Answer defaultAnswer) {
    const int r = OnGuiThread<int>([&] {
        return Ask(parent_, text, title, icon,
                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, defaultAnswer);
    });
    if (r == QMessageBox::Yes) return Answer::Yes;
    if (r == QMessageBox::No) return Answer::No;
    return Answer::Cancel;
}

std::optional<std::string> QtPrompt::OpenFile(const FileDialog& d) {
    const QString path = OnGuiThread<QString>([&] {
        return QFileDialog::getOpenFileName(parent_, Q(d.title), StartPath(d), QtFilter(d.filter));
    });
    return DialogAnswer(path);
}

std::optional<std::string> QtPrompt::SaveFile(const FileDialog& d) {
    const QString path = OnGuiThread<QString>([&] {
        // The overwrite question is the tool's own, asked after ".DVF" is added.
        return QFileDialog::getSaveFileName(parent_, Q(d.title), StartPath(d), QtFilter(d.filter),
                                            nullptr, QFileDialog::DontConfirmOverwrite);
    });
    return DialogAnswer(path);
}

std::optional<std::string> QtPrompt::InputBox(const std::string& prompt, const std::string& title,
                                              const std::string& initialText) {
    bool ok = false;
    const QString text = OnGuiThread<QString>([&] {
        if (title == kSetSelectionCaption) {
            // The tool's own input window: it keeps a typed digit and puts the caret after it.
            FrmInputBox box(Q(prompt), Q(title), Q(initialText), parent_);
            ok = box.exec() == QDialog::Accepted;
            return box.InputBoxResult();
        }
        return QInputDialog::getText(parent_, TitleOr(title), Q(prompt), QLineEdit::Normal,
                                     Q(initialText), &ok);
    });
    if (!ok) return std::nullopt;
    return text.toStdString();
}

bool QtPrompt::OpenDocument(const std::string& path) {
    return OnGuiThread<bool>(
        [&] { return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path))); });
}

PrintOutcome QtPrompt::PrintDocument(const HtmlDocument& document, const std::string& title) {
    return OnGuiThread<PrintOutcome>([&] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(Q(title));
        printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        QPrintDialog dialog(&printer, parent_);
        dialog.setWindowTitle(TitleOr(title));
        if (dialog.exec() != QDialog::Accepted) return PrintOutcome::Cancelled;
        return PrintHtml(document, printer) ? PrintOutcome::Printed : PrintOutcome::Failed;
    });
}

}  // namespace vx42
