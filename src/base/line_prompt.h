#pragma once
// A prompt for front ends that can only write lines of text (a terminal, a log, nothing at
// all): each message becomes one line, questions take a standing answer (yes when the user
// allowed it beforehand, otherwise the answer that changes nothing) and the line says which
// and how to allow yes, and there are no dialogs: files come from elsewhere. Only where the
// lines go is left to the front end.

#include <string>
#include <utility>

#include "base/prompt.h"

namespace vx42 {

class LinePrompt : public Prompt {
  public:
    // `yesSwitch`: how the user allows yes beforehand (vx42ctl: "--yes"); empty when they
    // cannot.
    explicit LinePrompt(std::string yesSwitch = {}, bool assumeYes = false)
        : yesSwitch_(std::move(yesSwitch)), assumeYes_(assumeYes) {}

    void SetAssumeYes(bool yes) { assumeYes_ = yes; }
    // What the messages are about (the command), shown before each of them.
    void SetOperation(std::string operation) { operation_ = std::move(operation); }

    void Message(const std::string& text, const std::string& title = {},
                 Icon icon = Icon::None) override;
    // A question is answered by --yes alone: its default button plays no part here.
    Answer YesNo(const std::string& text, const std::string& title = {}, Icon icon = Icon::None,
                 Answer defaultAnswer = Answer::Yes) override;
    Answer YesNoCancel(const std::string& text, const std::string& title = {},
                       Icon icon = Icon::None, Answer defaultAnswer = Answer::Yes) override;
    std::optional<std::string> OpenFile(const FileDialog& dialog) override;
    std::optional<std::string> SaveFile(const FileDialog& dialog) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initialText = {}) override;

    // Messages shown so far, and the last of them as it was given.
    int MessagesShown() const { return shown_; }
    const std::string& LastMessage() const { return last_; }

    // A message as one line: line breaks ("\n", "\r\n", "\r") become "; ", trailing spaces
    // before a break and breaks at the very end are dropped.
    static std::string OneLine(const std::string& text);

  protected:
    // Writes one finished line ("operation: title: text", without a line break).
    virtual void WriteLine(const std::string& line) = 0;

  private:
    void Show(const std::string& text, const std::string& title);
    // The question's line: the text and the standing answer taken.
    std::string Asked(const std::string& text, const char* refusal) const;

    std::string yesSwitch_;
    bool assumeYes_;
    std::string operation_;
    int shown_ = 0;
    std::string last_;
};

}  // namespace vx42
