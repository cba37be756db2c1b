#pragma once
// The prompt interface shown as real dialogs. Safe to call from the link's worker thread:
// the dialog is then shown on the window thread and the caller waits for the answer.

#include <QPointer>
#include <QWidget>

#include "base/prompt.h"

namespace vx42 {

class QtPrompt : public Prompt {
  public:
    explicit QtPrompt(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void Message(const std::string& text, const std::string& title, Icon icon) override;
    Answer YesNo(const std::string& text, const std::string& title, Icon icon,
                 Answer defaultAnswer = Answer::Yes) override;
    Answer YesNoCancel(const std::string& text, const std::string& title, Icon icon,
                       Answer defaultAnswer = Answer::Yes) override;
    std::optional<std::string> OpenFile(const FileDialog& dialog) override;
    std::optional<std::string> SaveFile(const FileDialog& dialog) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initialText) override;
    bool OpenDocument(const std::string& path) override;
    PrintOutcome PrintDocument(const HtmlDocument& document, const std::string& title) override;

    // "Desc (*.EXT)|*.EXT|..." as a Qt name filter list, matching either case of the
    // extension.
    static QString QtFilter(const std::string& filter);
    // Where a file dialog opens: the dialog's folder (or its nearest existing parent), ending
    // in a separator so that it is never taken for a file name, then the proposed name.
    static QString StartPath(const FileDialog& dialog);
    // A file dialog's answer as the tool takes paths: nothing when cancelled, otherwise UTF-8
    // with the platform's own separators (Qt's dialogs give "/" on every platform).
    static std::optional<std::string> DialogAnswer(const QString& path);

  private:
    QPointer<QWidget> parent_;
};

}  // namespace vx42
