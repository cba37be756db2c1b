// A prompt for front ends that can only write lines of text.
#include "base/line_prompt.h"

namespace vx42 {

std::string LinePrompt::OneLine(const std::string& text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            while (!line.empty() && line.back() == ' ') line.pop_back();
            if (!line.empty() && i + 1 < text.size()) line += "; ";
        } else {
            line += c;
        }
    }
    return line;
}

void LinePrompt::Show(const std::string& text, const std::string& title) {
    std::string line = operation_.empty() ? std::string() : operation_ + ": ";
    if (!title.empty()) line += title + ": ";
    line += OneLine(text);
    WriteLine(line);
    ++shown_;
    last_ = text;
}

void LinePrompt::Message(const std::string& text, const std::string& title, Icon) {
    Show(text, title);
}

std::string LinePrompt::Asked(const std::string& text, const char* refusal) const {
    if (yesSwitch_.empty()) return text + " [" + (assumeYes_ ? "yes" : refusal) + "]";
    if (assumeYes_) return text + " [yes: " + yesSwitch_ + "]";
    return text + " [" + refusal + ": pass " + yesSwitch_ + " to answer yes]";
}

Answer LinePrompt::YesNo(const std::string& text, const std::string& title, Icon, Answer) {
    Show(Asked(text, "no"), title);
    return assumeYes_ ? Answer::Yes : Answer::No;
}

Answer LinePrompt::YesNoCancel(const std::string& text, const std::string& title, Icon, Answer) {
    Show(Asked(text, "cancelled"), title);
    return assumeYes_ ? Answer::Yes : Answer::Cancel;
}

std::optional<std::string> LinePrompt::OpenFile(const FileDialog&) {
    return std::nullopt;
}
std::optional<std::string> LinePrompt::SaveFile(const FileDialog&) {
    return std::nullopt;
}

std::optional<std::string> LinePrompt::InputBox(const std::string&, const std::string&,
                                                const std::string&) {
    return std::nullopt;
}

}  // namespace vx42
