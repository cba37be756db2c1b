#pragma once
// A prompt that answers from a script, for tests. Every call is recorded; a call that the
// script did not expect is recorded as unexpected and answered with a cancel, so a test
// fails on any dialog nobody planned for (check Unexpected() at the end), and an answer that
// nobody asked for is left in the script (check Unused() at the end).

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "base/prompt.h"

namespace vx42 {

enum class PromptKind {
    Message,
    YesNo,
    YesNoCancel,
    OpenFile,
    SaveFile,
    InputBox,
    OpenDocument,
    PrintDocument
};

struct PromptCall {
    PromptKind kind;
    std::string text;  // message text, proposed file name, input prompt or printed document
    std::string title;
    Icon icon = Icon::None;
    FileDialog dialog;                  // for file dialogs
    Answer defaultAnswer = Answer::Ok;  // for questions: the button Enter presses
    std::size_t drawings = 0;           // for a printed document: the drawings it carries
};

class ScriptedPrompt : public Prompt {
  public:
    // Script entries, consumed in order.
    void ExpectMessage(std::string textContains = {});
    void AnswerYesNo(Answer answer);
    void AnswerYesNoCancel(Answer answer);
    void AnswerOpenFile(std::optional<std::string> path);
    void AnswerSaveFile(std::optional<std::string> path);
    void AnswerInput(std::optional<std::string> text);
    // A document opened with the desktop's viewer, whose path contains the text.
    void ExpectOpenDocument(std::string pathContains);
    // The print dialog, answered with the outcome; the document's HTML is recorded as the
    // call's text, and the number of its drawings.
    void AnswerPrint(PrintOutcome outcome);

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

    std::vector<PromptCall> Calls() const;
    std::vector<std::string> Unexpected() const;  // descriptions of unplanned calls
    bool ScriptDone() const;                      // every scripted entry was used
    std::vector<std::string> Unused() const;      // descriptions of entries never asked for
    void Clear();

  private:
    struct Entry {
        PromptKind kind;
        Answer answer = Answer::Ok;
        std::optional<std::string> text;
        PrintOutcome printed = PrintOutcome::Cancelled;
    };
    // Takes the next entry if it is of `kind`; records an unexpected call otherwise.
    std::optional<Entry> Take(PromptKind kind, const PromptCall& call);

    mutable std::mutex mutex_;
    std::deque<Entry> script_;
    std::vector<PromptCall> calls_;
    std::vector<std::string> unexpected_;
};

}  // namespace vx42
