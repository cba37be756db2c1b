// A prompt that answers from a script, for tests; an answer nobody asked for fails them.
#include "base/scripted_prompt.h"

namespace vx42 {

namespace {
const char* KindName(PromptKind k) {
    switch (k) {
        case PromptKind::Message:
            return "message";
        case PromptKind::YesNo:
            return "yes/no question";
        case PromptKind::YesNoCancel:
            return "yes/no/cancel question";
        case PromptKind::OpenFile:
            return "open dialog";
        case PromptKind::SaveFile:
            return "save dialog";
        case PromptKind::InputBox:
            return "input box";
        case PromptKind::OpenDocument:
            return "document opened";
        case PromptKind::PrintDocument:
            return "print dialog";
    }
    return "?";
}
}  // namespace

void ScriptedPrompt::ExpectMessage(std::string textContains) {
    std::lock_guard lock(mutex_);
    script_.push_back({PromptKind::Message, Answer::Ok, std::move(textContains)});
}
void ScriptedPrompt::AnswerYesNo(Answer answer) {
    std::lock_guard lock(mutex_);
    script_.push_back({PromptKind::YesNo, answer, std::nullopt});
}
void ScriptedPrompt::AnswerYesNoCancel(Answer answer) {
    std::lock_guard lock(mutex_);
    script_.push_back({PromptKind::YesNoCancel, answer, std::nullopt});
}
void ScriptedPrompt::AnswerOpenFile(std::optional<std::string> path) {
    std::lock_guard lock(mutex_);
    script_.push_back({PromptKind::OpenFile, Answer::Ok, std::move(path)});
}
void ScriptedPrompt::AnswerSaveFile(std::optional<std::string> path) {
    std::lock_guard lock(mutex_);
    script_.push_back({PromptKind::SaveFile, Answer::Ok, std::move(path)});
}
void ScriptedPrompt::AnswerInput(std::optional<std::string> text) {
    std::lock_guard lock(mutex_);
    script_.push_back({PromptKind::InputBox, Answer::Ok, std::move(text)});
}

void ScriptedPrompt::ExpectOpenDocument(std::string pathContains) {
    std::lock_guard lock(mutex_);
    script_.push_back({PromptKind::OpenDocument, Answer::Ok, std::move(pathContains)});
}

void ScriptedPrompt::AnswerPrint(PrintOutcome outcome) {
    std::lock_guard lock(mutex_);
    script_.push_back({PromptKind::PrintDocument, Answer::Ok, std::nullopt, outcome});
}

std::optional<ScriptedPrompt::Entry> ScriptedPrompt::Take(PromptKind kind, const PromptCall& call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
    if (script_.empty() || script_.front().kind != kind) {
        unexpected_.push_back(std::string("unexpected ") + KindName(kind) + ": \"" + call.text +
                              "\" (title \"" + call.title + "\")");
        return std::nullopt;
    }
    Entry e = script_.front();
    script_.pop_front();
    if ((kind == PromptKind::Message || kind == PromptKind::OpenDocument) && e.text &&
        !e.text->empty() && call.text.find(*e.text) == std::string::npos) {
        unexpected_.push_back(std::string(KindName(kind)) + " \"" + call.text +
                              "\" does not contain \"" + *e.text + "\"");
    }
    return e;
}

void ScriptedPrompt::Message(const std::string& text, const std::string& title, Icon icon) {
    Take(PromptKind::Message, {PromptKind::Message, text, title, icon, {}});
}

Answer ScriptedPrompt::YesNo(const std::string& text, const std::string& title, Icon icon,
                             Answer defaultAnswer) {
    auto e = Take(PromptKind::YesNo, {PromptKind::YesNo, text, title, icon, {}, defaultAnswer});
    return e ? e->answer : Answer::No;
}

Answer ScriptedPrompt::YesNoCancel(const std::string& text, const std::string& title, Icon icon,
                                   Answer defaultAnswer) {
    auto e = Take(PromptKind::YesNoCancel,
                  {PromptKind::YesNoCancel, text, title, icon, {}, defaultAnswer});
    return e ? e->answer : Answer::Cancel;
}

std::optional<std::string> ScriptedPrompt::OpenFile(const FileDialog& dialog) {
    auto e = Take(PromptKind::OpenFile,
                  {PromptKind::OpenFile, dialog.fileName, dialog.title, Icon::None, dialog});
    return e ? e->text : std::nullopt;
}

std::optional<std::string> ScriptedPrompt::SaveFile(const FileDialog& dialog) {
    auto e = Take(PromptKind::SaveFile,
                  {PromptKind::SaveFile, dialog.fileName, dialog.title, Icon::None, dialog});
    return e ? e->text : std::nullopt;
}

std::optional<std::string> ScriptedPrompt::InputBox(const std::string& prompt,
                                                    const std::string& title,
                                                    const std::string& initialText) {
    FileDialog none;
    none.fileName = initialText;
    auto e = Take(PromptKind::InputBox, {PromptKind::InputBox, prompt, title, Icon::None, none});
    return e ? e->text : std::nullopt;
}

bool ScriptedPrompt::OpenDocument(const std::string& path) {
    return Take(PromptKind::OpenDocument, {PromptKind::OpenDocument, path, {}, Icon::None, {}})
        .has_value();
}

PrintOutcome ScriptedPrompt::PrintDocument(const HtmlDocument& document, const std::string& title) {
    PromptCall call{PromptKind::PrintDocument, document.html, title, Icon::None, {}};
    call.drawings = document.drawings.size();
    auto e = Take(PromptKind::PrintDocument, call);
    return e ? e->printed : PrintOutcome::Cancelled;
}

std::vector<PromptCall> ScriptedPrompt::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}
std::vector<std::string> ScriptedPrompt::Unexpected() const {
    std::lock_guard lock(mutex_);
    return unexpected_;
}
bool ScriptedPrompt::ScriptDone() const {
    std::lock_guard lock(mutex_);
    return script_.empty();
}
std::vector<std::string> ScriptedPrompt::Unused() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> unused;
    for (const Entry& e : script_) {
        std::string line = std::string("scripted ") + KindName(e.kind) + " never asked for";
        if (e.text) line += ": \"" + *e.text + "\"";
        unused.push_back(std::move(line));
    }
    return unused;
}
void ScriptedPrompt::Clear() {
    std::lock_guard lock(mutex_);
    script_.clear();
    calls_.clear();
    unexpected_.clear();
}

}  // namespace vx42
