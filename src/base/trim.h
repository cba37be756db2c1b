#pragma once
// Blanks cut from the ends of a text: the spaces that pad a fixed field, the tabs and line ends
// around a line or a setting.

#include <string>
#include <string_view>
#include <vector>

namespace vx42 {

// Spaces, tabs, carriage returns and line feeds.
inline constexpr std::string_view kWhitespace = " \t\r\n";

// The text without the given characters at either end (the view points into `text`).
std::string_view Trim(std::string_view text, std::string_view blanks = kWhitespace);
// The text without the given characters at its end.
std::string_view TrimEnd(std::string_view text, std::string_view blanks = kWhitespace);
// A fixed field's text without the spaces that pad it (tabs and line ends are the text's own).
std::string Trimmed(std::string_view text);
// The pieces of a text between any of the separators, each trimmed of blanks, empty ones
// included (the views point into `text`): "a; b;" gives "a", "b" and "".
std::vector<std::string_view> TrimmedPieces(std::string_view text, std::string_view separators);

}  // namespace vx42
