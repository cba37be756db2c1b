// Keys pressed on a terminal.
#include "cli/terminal_keys.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <conio.h>
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace vx42::cli {

std::optional<KeyPress> DecodeKey(std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    if (bytes[0] != '\x1b') {
        if (bytes[0] == '\r' || bytes[0] == '\n') return KeyPress{KeyPress::Enter};
        return KeyPress{KeyPress::Char, false, bytes[0]};
    }
    if (bytes.size() == 1) return std::nullopt;  // Escape alone, or the start of a sequence
    if (bytes[1] != '[') return KeyPress{KeyPress::Escape};
    // CSI: parameters, then the final byte ("A", "B", "~"); ";2" says Shift.
    const std::size_t end = bytes.find_first_of("ABCD~", 2);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view params = bytes.substr(2, end - 2);
    const bool shift = params.find(";2") != std::string_view::npos;
    switch (bytes[end]) {
        case 'A':
            return KeyPress{KeyPress::Up, shift};
        case 'B':
            return KeyPress{KeyPress::Down, shift};
        case '~':
            if (params.rfind("5", 0) == 0) return KeyPress{KeyPress::PageUp, shift};
            if (params.rfind("6", 0) == 0) return KeyPress{KeyPress::PageDown, shift};
            break;
        default:
            break;
    }
    return KeyPress{KeyPress::Other};
}

#ifdef _WIN32

struct KeyReader::Saved {};

KeyReader::KeyReader() : available_(_isatty(_fileno(stdin)) != 0) {}
KeyReader::~KeyReader() = default;

std::optional<KeyPress> KeyReader::Read() {
    const int first = _getch();
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    if (first == 0 || first == 0xE0) {
        switch (_getch()) {
            case 72:
                return KeyPress{KeyPress::Up, shift};
            case 80:
                return KeyPress{KeyPress::Down, shift};
            case 73:
                return KeyPress{KeyPress::PageUp, shift};
            case 81:
                return KeyPress{KeyPress::PageDown, shift};
            default:
                return KeyPress{KeyPress::Other};
        }
    }
    if (first == 27) return KeyPress{KeyPress::Escape};
    if (first == 26 || first == EOF) return std::nullopt;  // Ctrl+Z
    return DecodeKey(std::string(1, static_cast<char>(first)));
}

#else

struct KeyReader::Saved {
    termios mode;
};

KeyReader::KeyReader() {
    saved_ = new Saved;
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_->mode) != 0) return;
    termios raw = saved_->mode;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    available_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
}

KeyReader::~KeyReader() {
    if (available_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_->mode);
    delete saved_;
}

std::optional<KeyPress> KeyReader::Read() {
    std::string bytes;
    for (;;) {
        char c = 0;
        if (read(STDIN_FILENO, &c, 1) != 1) return std::nullopt;
        bytes += c;
        // A lone Escape is followed by nothing within a tenth of a second.
        if (bytes == "\x1b") {
            termios wait = saved_->mode;
            tcgetattr(STDIN_FILENO, &wait);
            const termios now = wait;
            wait.c_cc[VMIN] = 0;
            wait.c_cc[VTIME] = 1;
            tcsetattr(STDIN_FILENO, TCSANOW, &wait);
            const bool more = read(STDIN_FILENO, &c, 1) == 1;
            tcsetattr(STDIN_FILENO, TCSANOW, &now);
            if (!more) return KeyPress{KeyPress::Escape};
            bytes += c;
        }
        if (auto key = DecodeKey(bytes)) return key;
        if (bytes.size() > 16) return KeyPress{KeyPress::Other};
    }
}

#endif

}  // namespace vx42::cli
