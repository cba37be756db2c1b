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

}  // namespace vx42
