#pragma once
// The prompt of the command-line tool: a line prompt whose lines go to standard error, and
// the way a command gives up once its messages have said why.

#include "base/line_prompt.h"

namespace vx42::cli {

class ConsolePrompt : public LinePrompt {
  public:
    explicit ConsolePrompt(bool assumeYes = false) : LinePrompt("--yes", assumeYes) {}

    // Throws: ReportedFailure when a message shown after the first `shownBefore` messages
    // already said what went wrong, otherwise CliError with the fallback text.
    [[noreturn]] void Fail(const std::string& fallback, int shownBefore = 0) const;

  protected:
    void WriteLine(const std::string& line) override;
};

}  // namespace vx42::cli
