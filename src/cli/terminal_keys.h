#pragma once
// Keys pressed on a terminal, one at a time and without Enter: the arrows and Page Up and Down
// (with or without Shift), Enter, Escape and the printable characters. Used where the
// installer moves something live with the keys, as in the window.

#include <optional>
#include <string_view>

namespace vx42::cli {

struct KeyPress {
    enum Kind { Up, Down, PageUp, PageDown, Enter, Escape, Char, Other };
    Kind kind = Other;
    bool shift = false;
    char ch = 0;  // of a Char
    bool operator==(const KeyPress&) const = default;
};

// The key a terminal's bytes for one key press stand for ("\x1b[A", "\x1b[1;2A", "\x1b[5~",
// "\r", "b"); nothing when the bytes are not yet a whole key.
std::optional<KeyPress> DecodeKey(std::string_view bytes);

// Standard input as a terminal whose keys are read one at a time, for the object's life; not
// Available when standard input is no terminal (a pipe, a file).
class KeyReader {
  public:
    KeyReader();
    ~KeyReader();
    KeyReader(const KeyReader&) = delete;
    KeyReader& operator=(const KeyReader&) = delete;

    bool Available() const { return available_; }
    // The next key; nothing at the end of the input.
    std::optional<KeyPress> Read();

  private:
    bool available_ = false;
    struct Saved;
    Saved* saved_ = nullptr;
};

}  // namespace vx42::cli
