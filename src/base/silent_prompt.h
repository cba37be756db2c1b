#pragma once
// A prompt for runs nobody watches (benchmarks, fuzzing): every question is declined, every
// dialog cancelled, and messages are only counted.

#include "base/prompt.h"

namespace vx42 {

class SilentPrompt : public Prompt {
  public:
    void Message(const std::string&, const std::string& = {}, Icon = Icon::None) override {
        ++messages;
    }
    Answer YesNo(const std::string&, const std::string& = {}, Icon = Icon::None) override {
        return Answer::No;
    }
    Answer YesNoCancel(const std::string&, const std::string& = {}, Icon = Icon::None) override {
        return Answer::Cancel;
    }
    std::optional<std::string> OpenFile(const FileDialog&) override { return std::nullopt; }
    std::optional<std::string> SaveFile(const FileDialog&) override { return std::nullopt; }
    std::optional<std::string> InputBox(const std::string&, const std::string&,
                                        const std::string& = {}) override {
        return std::nullopt;
    }

    int messages = 0;
};

}  // namespace vx42
