#pragma once
// A prompt for runs nobody watches (benchmarks, fuzzing): every question is declined, every
// dialog cancelled, and messages are only counted (MessagesShown()).

#include "base/line_prompt.h"

namespace vx42 {

class SilentPrompt : public LinePrompt {
  protected:
    void WriteLine(const std::string&) override {}
};

}  // namespace vx42
