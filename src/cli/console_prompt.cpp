#include "cli/console_prompt.h"

#include <iostream>

#include "cli/cli_support.h"

namespace vx42::cli {

std::string ConsolePrompt::OneLine(const std::string& text) {
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

void ConsolePrompt::Show(const std::string& text, const std::string& title) {
    std::string line = operation_.empty() ? std::string() : operation_ + ": ";
    if (!title.empty()) line += title + ": ";
    line += OneLine(text);
    std::cerr << "vx42ctl: " << line << "\n";
    ++shown_;
    last_ = text;
}

void ConsolePrompt::Message(const std::string& text, const std::string& title, Icon) {
    Show(text, title);
}

Answer ConsolePrompt::YesNo(const std::string& text, const std::string& title, Icon) {
    Show(text + (assumeYes_ ? " [yes: --yes]" : " [no: pass --yes to answer yes]"), title);
    return assumeYes_ ? Answer::Yes : Answer::No;
}

Answer ConsolePrompt::YesNoCancel(const std::string& text, const std::string& title, Icon) {
    Show(text + (assumeYes_ ? " [yes: --yes]" : " [cancelled: pass --yes to answer yes]"), title);
    return assumeYes_ ? Answer::Yes : Answer::Cancel;
}

std::optional<std::string> ConsolePrompt::OpenFile(const FileDialog&) {
    return std::nullopt;
}
std::optional<std::string> ConsolePrompt::SaveFile(const FileDialog&) {
    return std::nullopt;
}

std::optional<std::string> ConsolePrompt::InputBox(const std::string&, const std::string&,
                                                   const std::string&) {
    return std::nullopt;
}

void ConsolePrompt::Fail(const std::string& fallback, int shownBefore) const {
    if (shown_ > shownBefore) throw ReportedFailure();
    throw CliError(fallback);
}

}  // namespace vx42::cli
