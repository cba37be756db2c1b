#pragma once
// Every message box, question, file dialog and input box of the tool goes through this
// interface: the window shows real dialogs, tests answer from a script, the command-line
// tool prints to standard error.

#include <optional>
#include <string>

#include "base/drawing.h"

namespace vx42 {

enum class Icon { None, Exclamation, Information, Question, Critical };
enum class Answer { Ok, Yes, No, Cancel };
enum class PrintOutcome { Printed, Cancelled, Failed };

struct FileDialog {
    std::string title;
    std::string initialFolder;
    std::string fileName;  // proposed name
    std::string filter;    // "Description (*.EXT)|*.EXT|..."
};

class Prompt {
  public:
    virtual ~Prompt() = default;

    // A message with an OK button.
    virtual void Message(const std::string& text, const std::string& title = {},
                         Icon icon = Icon::None) = 0;
    // Yes/No: returns Answer::Yes or Answer::No. `defaultAnswer` is the button Enter
    // presses: a question that would write to a module defaults to the answer that writes
    // nothing.
    virtual Answer YesNo(const std::string& text, const std::string& title = {},
                         Icon icon = Icon::None, Answer defaultAnswer = Answer::Yes) = 0;
    // Yes/No/Cancel.
    virtual Answer YesNoCancel(const std::string& text, const std::string& title = {},
                               Icon icon = Icon::None, Answer defaultAnswer = Answer::Yes) = 0;
    // The chosen path, or nothing when cancelled.
    virtual std::optional<std::string> OpenFile(const FileDialog& dialog) = 0;
    virtual std::optional<std::string> SaveFile(const FileDialog& dialog) = 0;
    // The entered text, or nothing when cancelled.
    virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& initialText = {}) = 0;
    // Opens a document with the desktop's own viewer (the shell's "open"). Returns whether
    // a viewer took it; where there is no desktop nothing opens.
    virtual bool OpenDocument(const std::string& path) {
        (void)path;
        return false;
    }
    // Prints an HTML document with its drawings after the platform's print dialog, where the
    // user chooses the printer and the pages. Where there is no printing nothing is printed.
    virtual PrintOutcome PrintDocument(const HtmlDocument& document, const std::string& title) {
        (void)document;
        (void)title;
        return PrintOutcome::Cancelled;
    }
};

}  // namespace vx42
