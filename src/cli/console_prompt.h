#pragma once
// The prompt of the command-line tool: messages go to standard error, questions are answered
// by the --yes flag or refused, and there are no file dialogs (files come from arguments).

#include <string>

#include "base/prompt.h"

namespace vx42::cli {

class ConsolePrompt : public Prompt {
  public:
    explicit ConsolePrompt(bool assumeYes = false) : assumeYes_(assumeYes) {}

    void SetAssumeYes(bool yes) { assumeYes_ = yes; }
    // What the messages are about (the command), shown before each of them.
    void SetOperation(std::string operation) { operation_ = std::move(operation); }

    void Message(const std::string& text, const std::string& title, Icon icon) override;
    Answer YesNo(const std::string& text, const std::string& title, Icon icon) override;
    Answer YesNoCancel(const std::string& text, const std::string& title, Icon icon) override;
    std::optional<std::string> OpenFile(const FileDialog& dialog) override;
    std::optional<std::string> SaveFile(const FileDialog& dialog) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initialText) override;

    // Messages shown so far, and the last of them.
    int MessagesShown() const { return shown_; }
    const std::string& LastMessage() const { return last_; }

    // Throws: ReportedFailure when a message shown after the first `shownBefore` messages
    // already said what went wrong, otherwise CliError with the fallback text.
    [[noreturn]] void Fail(const std::string& fallback, int shownBefore = 0) const;

    // A message as one line: line breaks become "; ".
    static std::string OneLine(const std::string& text);

  private:
    void Show(const std::string& text, const std::string& title);

    bool assumeYes_;
    std::string operation_;
    int shown_ = 0;
    std::string last_;
};

}  // namespace vx42::cli
