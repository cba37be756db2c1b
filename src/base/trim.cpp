// Blanks cut from the ends of a text.
#include "base/trim.h"

namespace vx42 {

std::string_view TrimEnd(std::string_view text, std::string_view blanks) {
    const auto last = text.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view Trim(std::string_view text, std::string_view blanks) {
    const auto first = text.find_first_not_of(blanks);
    return first == std::string_view::npos ? std::string_view()
                                           : TrimEnd(text.substr(first), blanks);
}

std::string Trimmed(std::string_view text) {
    return std::string(Trim(text, " "));
}

std::vector<std::string_view> TrimmedPieces(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> pieces;
    for (std::size_t at = 0;;) {
        const auto end = text.find_first_of(separators, at);
        pieces.push_back(
            Trim(text.substr(at, end == std::string_view::npos ? text.npos : end - at)));
        if (end == std::string_view::npos) return pieces;
        at = end + 1;
    }
}

}  // namespace vx42
