// The prompt of the command-line tool, its lines on standard error.
#include "cli/console_prompt.h"

#include <iostream>

#include "cli/cli_support.h"

namespace vx42::cli {

void ConsolePrompt::WriteLine(const std::string& line) {
    std::cerr << "vx42ctl: " << line << "\n";
}

void ConsolePrompt::Fail(const std::string& fallback, int shownBefore) const {
    if (MessagesShown() > shownBefore) throw ReportedFailure();
    throw CliError(fallback);
}

}  // namespace vx42::cli
